#include "processing/ShapeEffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Sample.h"
#include "processing/AmplitudeEffects.h"
#include "processing/EffectSupport.h"

namespace korvane {

using effects::checkRange;

std::unique_ptr<Wave> reverse(const Wave& wave, bool& failed, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    const int16_t* in = wave.wave;
    int16_t* out = w->wave;
    int64_t mirror = static_cast<int64_t>(begin) + end - 1;
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        std::reverse_copy(in + (mirror - (b - 1)), in + (mirror - a) + 1, out + a);
    });
    if (failed) return nullptr;
    return w;
}

std::unique_ptr<Wave> blockQuantize(const Wave& wave, bool& failed, double length, int32_t levels, int32_t begin,
                                    int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    if (length < 1) length = 1;
    if (levels == 1) {
        forChunks(failed, begin, end,
                  [&](int64_t a, int64_t b) { w->zero(static_cast<int32_t>(a), static_cast<int32_t>(b)); });
        if (failed) return nullptr;
        return w;
    }
    double q = begin;
    int64_t blockBegin = begin;
    while (blockBegin < end) {
        if (failed) return nullptr;
        q = std::min(q + length, static_cast<double>(end));
        int64_t blockEnd = static_cast<int64_t>(q);
        // A block may be far longer than a chunk: sum and fill it chunk by chunk.
        int64_t sum = 0;
        forChunks(failed, blockBegin, blockEnd, [&](int64_t a, int64_t b) {
            int64_t part = 0;
            for (int64_t i = a; i < b; ++i) part += wave.wave[i];
            sum += part;
        });
        double v = std::trunc(static_cast<double>(sum) / static_cast<double>(blockEnd - blockBegin));
        if (levels > 0) {
            double k = std::trunc((v + 32768) * levels / 65536);
            v = std::trunc(k * 65535 / (levels - 1) - 32768);
        }
        int16_t value = toSample(v);
        forChunks(failed, blockBegin, blockEnd,
                  [&](int64_t a, int64_t b) { std::fill(w->wave + a, w->wave + b, value); });
        blockBegin = blockEnd;
    }
    if (failed) return nullptr;
    return w;
}

std::unique_ptr<Wave> rotateLeft(const Wave& wave, bool& failed, int32_t leftShift, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    int32_t values = end - begin;
    KORVANE_ASSERT(leftShift >= 0);
    KORVANE_ASSERT(leftShift <= values);
    auto w = wave.withGap(failed, values, begin, end);
    if (!w) return nullptr;
    // out[begin .. end - k) = in[begin + k .. end); out[end - k .. end) = in[begin .. begin + k)
    int64_t k = leftShift;
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        int64_t split = end - k;  // first output sample that wraps around
        if (a < split) {
            int64_t stop = std::min(b, split);
            std::memcpy(w->wave + a, wave.wave + a + k, static_cast<std::size_t>(stop - a) * sizeof(int16_t));
        }
        if (b > split) {
            int64_t start = std::max(a, split);
            std::memcpy(w->wave + start, wave.wave + (start - split + begin),
                        static_cast<std::size_t>(b - start) * sizeof(int16_t));
        }
    });
    if (failed) return nullptr;
    return w;
}

std::unique_ptr<Wave> distortBy(const Wave& wave, bool& failed, const Wave& function, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(function.values > 0);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    double last = static_cast<double>(function.values) - 1;
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        for (int64_t i = a; i < b; ++i) w->wave[i] = toSample(function.readAt((wave.wave[i] / 65535.0 + 0.5) * last));
    });
    if (failed) return nullptr;
    return w;
}

std::unique_ptr<Sound> Reverse(const Sound& sound, bool& failed, int32_t& begin, int32_t& end) {
    return sound.PerChannel(failed, begin, end,
                            [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) { return reverse(w, f, b, e); });
}

std::unique_ptr<Sound> Block(const Sound& sound, bool& failed, double length, int32_t levels, int32_t& begin,
                             int32_t& end) {
    return sound.PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return blockQuantize(w, f, length, levels, b, e);
    });
}

namespace {
// Wraps v into [min, max) by whole periods.
double wrapInto(double v, double min, double max) {
    KORVANE_ASSERT(max > min);
    double span = max - min;
    v -= min;
    v = v - span * std::trunc(v / span);
    if (v < 0) v += span;
    return v + min;
}
}  // namespace

std::unique_ptr<Sound> Rotate(const Sound& sound, bool& failed, double seconds, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    checkRange(begin, end, sound.GetValues());
    double length = static_cast<double>(end - begin) / sound.Freq;
    double v = wrapInto(seconds, 0, length);
    int32_t shift = std::clamp(truncToInt32(sound.Freq * v), 0, end - begin);
    return sound.PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return rotateLeft(w, f, shift, b, e);
    });
}

std::unique_ptr<Sound> Distort(const Sound& sound, bool& failed, const Sound& function, int32_t& begin, int32_t& end) {
    return sound.PerChannel(failed, begin, end,
                            [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) -> std::unique_ptr<Wave> {
                                WaveHandle fn = EnvelopeChannel(f, sound, function, i);
                                if (!fn) return nullptr;
                                return distortBy(w, f, *fn, b, e);
                            });
}

}  // namespace korvane
