#include "values/ValueWriters.h"

#include <algorithm>
#include <cmath>

#include "core/Assert.h"
#include "core/Sample.h"

namespace korvane {

namespace {

constexpr const char* kNotWritable = "*";

}  // namespace

std::string WriteNumber(double x, int minDigBefore, int minDigAfter, int maxDigAfter) {
    KORVANE_ASSERT(minDigAfter <= maxDigAfter);
    KORVANE_ASSERT(minDigBefore >= 1);
    KORVANE_ASSERT(minDigAfter >= 0);
    if (!std::isfinite(x)) return kNotWritable;

    const bool negative = x < 0;
    if (negative) x = -x;
    int n = (x == 0) ? 1 : truncToInt32(std::log10(x)) + 1;
    if (n < minDigBefore) n = minDigBefore;
    // One unit of the first digit that is not written: it lifts a value that
    // binary fractions left just below its last written digit.
    x = x + std::pow(10.0, -(maxDigAfter + 1));

    std::string out;
    if (negative) out += '-';
    // The largest doubles need one power of ten more than a double holds.
    double c = (n > 300) ? x / std::pow(10.0, 300) / std::pow(10.0, n - 300) : x / std::pow(10.0, n);
    bool started = false;
    bool pending = false;
    int pendingFrom = 0;
    for (int i = n; i >= -maxDigAfter; --i) {
        const int d = std::clamp(static_cast<int>(c), 0, 9);
        if (!started && (d > 0 || i == n - 1)) started = true;
        if (!pending && i < -minDigAfter) {
            pending = true;
            pendingFrom = i;
        }
        const char digit = static_cast<char>('0' + d);
        if (pending) {
            // Zeros beyond minDigAfter wait until a non-zero digit proves
            // they are not trailing.
            if (d != 0) {
                if (pendingFrom == -1) out += '.';
                out.append(static_cast<size_t>(pendingFrom - i), '0');
                out += digit;
                pending = false;
            }
        } else if (started) {
            out += digit;
            if (i == 0 && minDigAfter > 0) out += '.';
        }
        c = (c - d) * 10;
    }
    return out;
}

std::string WritePrecision(double x, int precisie, bool trim) {
    KORVANE_ASSERT(precisie >= 1);
    if (!std::isfinite(x)) return kNotWritable;
    const int e = (x != 0) ? truncToInt32(std::log10(std::fabs(x))) : 1;
    const int before = std::max(e, 1);
    const int after = (e - precisie + 1 <= 0) ? precisie - e - 1 : 0;
    if (trim) return WriteNumber(x, before, 0, after);
    return WriteNumber(x, before, after, after);
}

std::string WriteValue(double x, TUnitCode unit, int precisie, bool trim, bool frequency) {
    auto written = [&](double v, const char* suffix) { return WritePrecision(v, precisie, trim) + suffix; };
    switch (unit) {
        case ucNone:
            return WritePrecision(x, precisie, trim);
        case ucPercent:
            return written(x * 100, " %");
        case ucDecibel:
            return WriteNumber(20 * std::log10(x), 1, 0, 3) + " dB";
        case ucSecond:
            if (!frequency) return written(x, " s");
            if (x == 0) return "* s";
            return written(1 / x, " s");
        case ucMilliSecond:
            if (!frequency) return written(x * 1000, " ms");
            if (x == 0) return "* ms";
            return written(1000 / x, " ms");
        case ucHertz:
            if (frequency) return written(x, " Hz");
            if (x == 0) return "* Hz";
            return written(1 / x, " Hz");
        case ucKiloHertz:
            if (frequency) return written(x * 0.001, " kHz");
            if (x == 0) return "* kHz";
            return written(0.001 / x, " kHz");
        case ucDegree:
            // A phase past half a period reads better as an angle back from 0.
            if (x >= 0.5) x = x - 1;
            return written(x * 360, " '");
        case ucBalanceDegree:
            return written(x * 90, " '");
        default:
            return "***";
    }
}

std::string WriteNumberHolder(const TNumberHolder& number) {
    if (number.Kind == 0 || number.Kind == 1) return WriteNumber(number.Value, 1, 0, 9);
    return WriteNumber(number.Value, 10, 0, 9);
}

std::string WriteClockTime(double seconds) {
    int32_t m = truncToInt32(seconds / 60);
    const double s = seconds - 60.0 * m;
    const int32_t h = m / 60;
    m = m % 60;
    std::string out;
    if (h > 0) {
        out += WriteNumber(h, 1, 0, 0) + ":";
        out += WriteNumber(m, 2, 0, 0) + ":";
    } else if (m > 0) {
        out += WriteNumber(m, 1, 0, 0) + ":";
    }
    out += WriteNumber(s, (h > 0 || m > 0) ? 2 : 1, 5, 5);
    if (h == 0 && m == 0) out += " s";
    return out;
}

std::string WriteFrequencyShort(double hertz) {
    if (hertz < 100) return WriteNumber(hertz, 2, 1, 1) + " Hz";
    if (hertz < 1000) return WriteNumber(hertz, 3, 0, 0) + " Hz";
    if (hertz < 10000) return WriteNumber(hertz / 1000, 1, 2, 2) + " kHz";
    return WriteNumber(hertz / 1000, 2, 1, 1) + " kHz";
}

std::string WriteWaveValue(int16_t sample, TUnitCode unit) {
    switch (unit) {
        case ucNone: {
            double v = sample / 32767.0;
            // Undo the truncation of the reader, so that a value typed as 0.5
            // (16383) comes back as 0.5.
            v = (v >= 0) ? v + 0.00005 : v - 0.00005;
            return WriteNumber(v, 1, 0, 4);
        }
        case ucPercent: {
            double v = sample * 100 / 32767.0;
            v = (v >= 0) ? v + 0.005 : v - 0.005;
            return WriteNumber(v, 1, 0, 2) + " %";
        }
        case ucSampleValue:
            return WriteNumber(sample, 1, 0, 0) + " $";
        default:
            return "";
    }
}

}  // namespace korvane
