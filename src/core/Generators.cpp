// The generators: new material that replaces a range of a wave, and the
// Sound slots that turn seconds into samples and run them on every channel.

#include <cmath>
#include <cstddef>
#include <new>

#include "core/Allocation.h"
#include "core/Assert.h"
#include "core/Random.h"
#include "core/Sample.h"
#include "core/Sound.h"
#include "core/Wave.h"

namespace korvane {

namespace {

void checkRange(int32_t begin, int32_t end, int32_t values) {
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin <= end);
}

// The line generators call their range begint/endt, as their values took
// the plain names.
void checkLineRange(int32_t begint, int32_t endt, int32_t values) {
    KORVANE_ASSERT(begint >= 0);
    KORVANE_ASSERT(endt >= 0);
    KORVANE_ASSERT(begint <= values);
    KORVANE_ASSERT(endt <= values);
    KORVANE_ASSERT(begint <= endt);
}

// Brings a phase into [0, 1) by whole units. A tiny negative phase plus one
// rounds to 1, and NaN has no place at all: both start the period afresh.
double wrapPhase(double phase) {
    if (phase >= 0 && phase < 1) return phase;
    double wrapped = phase - std::floor(phase);
    return wrapped < 1 ? wrapped : 0;
}

// Brings a read position into [0, span) by whole spans (fmod is exact).
double wrapPosition(double position, double span) {
    if (!(span > 0)) return 0;
    double wrapped = std::fmod(position, span);
    if (wrapped < 0) wrapped += span;
    return wrapped < span ? wrapped : 0;
}

// Reading at a fractional position of a buffer, for callers that know the
// position lies within 0 .. values - 1, so the neighbour is always real.
inline double readInside(const int16_t* samples, double position) {
    int32_t i = static_cast<int32_t>(position);
    double f = position - i;
    if (f == 0) return samples[i];
    return (1 - f) * samples[i] + f * samples[i + 1];
}

// Fills out[0, length) with value(phase), the phase starting at `start` and
// advancing by 1 / period per sample.
template <class Value>
void fillPhased(bool& failed, int16_t* out, int32_t length, double start, double period, Value&& value) {
    double phase = wrapPhase(start);
    double step = 1 / period;
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            out[k] = toSample(value(phase));
            phase += step;
            if (phase >= 1) phase = wrapPhase(phase);
        }
    });
}

}  // namespace

std::unique_ptr<Wave> Wave::line(bool& failed, double begin, double end, int32_t length, int32_t& begint,
                                 int32_t& endt) const {
    if (failed) return nullptr;
    endt = resolveEnd(endt);
    checkLineRange(begint, endt, values);
    if (length == 1) length = 2;
    KORVANE_ASSERT(length > 1);
    auto w = withGap(failed, length, begint, endt);
    if (!w) return nullptr;
    int16_t* out = w->wave + begint;
    double value = begin;
    double step = (end - begin) / (length - 1);
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            out[k] = toSample(value);
            value += step;
        }
    });
    endt = begint + length;
    return w;
}

std::unique_ptr<Wave> Wave::expLine(bool& failed, double begin, double end, int32_t length, int32_t& begint,
                                    int32_t& endt) const {
    if (failed) return nullptr;
    endt = resolveEnd(endt);
    checkLineRange(begint, endt, values);
    if (length == 1) length = 2;
    KORVANE_ASSERT(length > 1);
    KORVANE_ASSERT(double(begin) * end > 0);
    auto w = withGap(failed, length, begint, endt);
    if (!w) return nullptr;
    int16_t* out = w->wave + begint;
    double value = begin;
    // The root is taken over length steps, not length - 1, so the last sample
    // ends one factor short of `end`; the Line command has always made it so.
    double factor = std::pow(end / begin, 1.0 / length);
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            out[k] = toSample(value);
            value *= factor;
        }
    });
    endt = begint + length;
    return w;
}

std::unique_ptr<Wave> Wave::noise(bool& failed, double amplitude, int32_t length, int32_t& begin, int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    checkRange(begin, end, values);
    KORVANE_ASSERT(length >= 0);
    auto w = withGap(failed, length, begin, end);
    if (!w) return nullptr;
    int16_t* out = w->wave + begin;
    double scale = amplitude * (1.0 / 16384);
    uint32_t state = Random::state();
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) out[k] = toSample(scale * (Random::step(state) - 16384));
    });
    Random::setState(state);
    end = begin + length;
    return w;
}

std::unique_ptr<Wave> Wave::blockTriangle(bool& failed, double level0, double levelMiddle, double period, double middle,
                                          int32_t length, double start, bool triangle, int32_t& begin,
                                          int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    checkRange(begin, end, values);
    KORVANE_ASSERT(period > 0);
    KORVANE_ASSERT(length > 0);
    KORVANE_ASSERT(middle <= 1);
    KORVANE_ASSERT(middle >= 0);
    auto w = withGap(failed, length, begin, end);
    if (!w) return nullptr;
    int16_t* out = w->wave + begin;
    if (triangle) {
        // A slope over a part of no width is never used; 0 keeps it finite.
        double rise = middle == 0 ? 0 : (levelMiddle - level0) / middle;
        double fall = middle == 1 ? 0 : (level0 - levelMiddle) / (1 - middle);
        fillPhased(failed, out, length, start, period,
                   [&](double p) { return p < middle ? level0 + rise * p : level0 + fall * (p - 1); });
    } else {
        fillPhased(failed, out, length, start, period, [&](double p) { return p < middle ? level0 : levelMiddle; });
    }
    end = begin + length;
    return w;
}

std::unique_ptr<Wave> Wave::blockTriangleEnvelope(bool& failed, double level0, double levelMiddle, double period,
                                                  const Wave& envelope, int32_t length, double start, bool triangle,
                                                  int32_t& begin, int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    checkRange(begin, end, values);
    KORVANE_ASSERT(period > 0);
    KORVANE_ASSERT(length > 0);
    const Wave* middleEnvelope = &envelope;
    KORVANE_ASSERT(middleEnvelope->values > 0);
    auto w = withGap(failed, length, begin, end);
    if (!w) return nullptr;
    int16_t* out = w->wave + begin;
    // The envelope is read from its first to its last sample over the length.
    double position = 0;
    double step = length > 1 ? static_cast<double>(middleEnvelope->values - 1) / (length - 1) : 0;
    auto nextMiddle = [&] {
        double v = middleEnvelope->readAt(position);
        position += step;
        return v / 65535 + 0.5;
    };
    // The middle never reaches 1, and a branch divides by it only when p lies
    // below it, so neither slope divides by zero.
    if (triangle) {
        fillPhased(failed, out, length, start, period, [&](double p) {
            double middle = nextMiddle();
            return p < middle ? level0 + (levelMiddle - level0) / middle * p
                              : level0 + (level0 - levelMiddle) / (1 - middle) * (p - 1);
        });
    } else {
        fillPhased(failed, out, length, start, period, [&](double p) {
            double middle = nextMiddle();
            return p < middle ? level0 : levelMiddle;
        });
    }
    end = begin + length;
    return w;
}

std::unique_ptr<Wave> Wave::sinusWave(bool& failed, double maximum, double minimum, double per, double count,
                                      double startAngle, int32_t& begin, int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    checkRange(begin, end, values);
    const Wave* sinus = korvane::sinus();
    KORVANE_ASSERT(sinus != NULL);
    KORVANE_ASSERT(per > 0);
    KORVANE_ASSERT(startAngle >= 0);
    KORVANE_ASSERT(startAngle < 1);
    int32_t length = truncToInt32(per * count);
    if (length < 1) length = 1;
    auto w = withGap(failed, length, begin, end);
    if (!w) return nullptr;
    int16_t* out = w->wave + begin;
    const int16_t* table = sinus->wave;
    double last = sinus->values - 1;
    double c = truncToInt32((maximum + minimum) * 0.5);
    double height = maximum - minimum;
    // The phase stays in [0, 1), so the read never passes the table's last sample.
    fillPhased(failed, out, length, startAngle, per, [&](double p) {
        double s = readInside(table, last * p);
        return s * height / 65535 + c;
    });
    end = begin + length;
    return w;
}

std::unique_ptr<Wave> Wave::multiFreq(bool& failed, int32_t length, const Wave& source,
                                      std::span<const MultiFreqRow> rows, int32_t& begin, int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    checkRange(begin, end, values);
    std::size_t freqCount = rows.size();
    KORVANE_ASSERT(freqCount > 0);
    KORVANE_ASSERT(length >= 0);
    int32_t sourceLength = source.values;
    KORVANE_ASSERT(sourceLength > 0);

    struct Partial {
        double position, step, amplitude, factor;
    };
    std::unique_ptr<Partial[]> partials(new (std::nothrow) Partial[freqCount]);
    if (!partials) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    double n = sourceLength;
    double span = n - 1;
    for (std::size_t r = 0; r < freqCount; ++r) {
        partials[r] = {n * rows[r].startAngle, n / rows[r].period, rows[r].volume, rows[r].volumeFactor};
    }

    auto w = withGap(failed, length, begin, end);
    if (!w) return nullptr;
    int16_t* out = w->wave + begin;
    const int16_t* src = source.wave;
    // Row by row over a chunk: every sample still receives the rows in table
    // order, and a row's state stays in registers for the whole chunk.
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) out[k] = 0;
        for (std::size_t r = 0; r < freqCount; ++r) {
            Partial p = partials[r];
            for (int64_t k = a; k < b; ++k) {
                // Only a start position can lie outside the source; it reads silence.
                double v = p.position >= 0 && p.position <= span ? readInside(src, p.position) : 0;
                out[k] = toSample(out[k] + v * p.amplitude);
                p.position += p.step;
                if (p.position >= span || p.position < 0) p.position = wrapPosition(p.position, span);
                p.amplitude *= p.factor;
            }
            partials[r] = p;
        }
    });
    end = begin + length;
    return w;
}

// ---- Sound slots ----

namespace {

// The rows in samples per period and factor per sample.
std::unique_ptr<MultiFreqRow[]> rowsInSamples(bool& failed, double freq, std::span<const MultiFreqSoundRow> rows) {
    if (failed) return nullptr;
    std::unique_ptr<MultiFreqRow[]> converted(new (std::nothrow) MultiFreqRow[rows.size() == 0 ? 1 : rows.size()]);
    if (!converted) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const MultiFreqSoundRow& row = rows[r];
        // After `seconds` seconds the amplitude has been multiplied by volumeFactor.
        converted[r] = {row.volume, freq * row.periodSeconds, row.startAngle,
                        std::pow(row.volumeFactor, 1 / (freq * row.seconds))};
    }
    return converted;
}

}  // namespace

std::unique_ptr<Sound> Sound::InsertLine(bool& failed, double firstValue, double lastValue, double seconds,
                                         bool exponential, int32_t& begin, int32_t& end) const {
    int32_t length = truncToInt32(Freq * seconds + 1);
    return PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return exponential ? w.expLine(f, firstValue, lastValue, length, b, e)
                           : w.line(f, firstValue, lastValue, length, b, e);
    });
}

std::unique_ptr<Sound> Sound::InsertBlockTriangle(bool& failed, double firstHeight, double secondHeight,
                                                  double periodSeconds, double middle, double lengthSeconds,
                                                  double start, bool triangle, int32_t& begin, int32_t& end) const {
    double period = Freq * periodSeconds;
    int32_t length = truncToInt32(Freq * lengthSeconds);
    // The second height is the level at phase 0.
    return PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return w.blockTriangle(f, secondHeight, firstHeight, period, middle, length, start, triangle, b, e);
    });
}

std::unique_ptr<Sound> Sound::InsertBlockTriangleEnvelope(bool& failed, double firstHeight, double secondHeight,
                                                          double periodSeconds, const Sound& envelope,
                                                          double lengthSeconds, double start, bool triangle,
                                                          int32_t& begin, int32_t& end) const {
    double period = Freq * periodSeconds;
    int32_t length = truncToInt32(Freq * lengthSeconds);
    return PerChannel(
        failed, begin, end, [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) -> std::unique_ptr<Wave> {
            WaveHandle middles =
                MoSt == 1 ? envelope.GetMiddle(f) : WaveHandle(i == 0 ? &envelope.GetLeft() : &envelope.GetRight());
            if (!middles) return nullptr;
            return w.blockTriangleEnvelope(f, secondHeight, firstHeight, period, *middles, length, start, triangle, b,
                                           e);
        });
}

std::unique_ptr<Sound> Sound::InsertSinus(bool& failed, double maximum, double minimum, double periodSeconds,
                                          double periods, double startAngle, int32_t& begin, int32_t& end) const {
    double per = Freq * periodSeconds;
    return PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return w.sinusWave(f, maximum, minimum, per, periods, startAngle, b, e);
    });
}

std::unique_ptr<Sound> Sound::InsertNoise(bool& failed, double amplitude, double seconds, int32_t& begin,
                                          int32_t& end) const {
    int32_t length = truncToInt32(Freq * seconds);
    return PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return w.noise(f, amplitude, length, b, e);
    });
}

std::unique_ptr<Sound> Sound::InsertMultiFreq(bool& failed, double lengthSeconds,
                                              std::span<const MultiFreqSoundRow> rows, int32_t& begin,
                                              int32_t& end) const {
    if (failed) return nullptr;
    const Wave* sinus = korvane::sinus();
    KORVANE_ASSERT(sinus != NULL);
    auto converted = rowsInSamples(failed, Freq, rows);
    if (!converted) return nullptr;
    std::span<const MultiFreqRow> partials(converted.get(), rows.size());
    int32_t length = truncToInt32(Freq * lengthSeconds);
    return PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return w.multiFreq(f, length, *sinus, partials, b, e);
    });
}

std::unique_ptr<Sound> Sound::InsertMultiFreqForm(bool& failed, double lengthSeconds, const Sound& form,
                                                  std::span<const MultiFreqSoundRow> rows, int32_t& begin,
                                                  int32_t& end) const {
    auto converted = rowsInSamples(failed, Freq, rows);
    if (!converted) return nullptr;
    std::span<const MultiFreqRow> partials(converted.get(), rows.size());
    int32_t length = truncToInt32(Freq * lengthSeconds);
    return PerChannel(
        failed, begin, end, [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) -> std::unique_ptr<Wave> {
            WaveHandle source = MoSt == 1 ? form.GetMiddle(f) : WaveHandle(i == 0 ? &form.GetLeft() : &form.GetRight());
            if (!source) return nullptr;
            return w.multiFreq(f, length, *source, partials, b, e);
        });
}

}  // namespace korvane
