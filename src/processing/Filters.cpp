#include "processing/Filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/Allocation.h"
#include "core/Sample.h"
#include "processing/AmplitudeEffects.h"
#include "processing/EffectSupport.h"
#include "processing/OnePole.h"

namespace korvane {

using effects::checkRange;
using effects::EnvelopeStretch;

double periodInSamples(double seconds, int32_t sampleFreq) {
    double per = seconds * sampleFreq;
    return per < 1 && per > 1 - 1e-9 ? 1 : per;
}

double envelopeFrequency(double g) { return 20 * std::pow(10.0, (g + 32768) * 3 / 65535); }

double envelopeWidth(double g) { return (g + 32768) / 65536; }

namespace {

// ---- low and high ----

// The stage coefficient of a period T for the stage factor a; `root` is
// sqrt(1 - a^2). A period too short for the stage gives 0 (no smoothing).
inline double onePoleCoefficient(double a, double root, double time) {
    double x = 1 - a * kTwoPi / (time * root);
    return x < 0 ? 0 : x;
}

// One pass of y = (1 - x) * s + x * y from `in` to `out` over [begin, end);
// the output is y, or s - y for the high filter. `in` may be `out`.
template <bool High, class Coefficient>
void onePolePass(bool& failed, const int16_t* in, int16_t* out, int32_t begin, int32_t end, Coefficient coefficient) {
    double y = 0;
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        for (int64_t i = a; i < b; ++i) {
            double x = coefficient(i);
            double s = in[i];
            y = (1 - x) * s + x * y;
            out[i] = toSample(High ? s - y : y);
        }
    });
}

double stageCoefficient(double time, double factor, int32_t countBer) {
    double a = std::pow(factor, 1.0 / countBer);
    return onePoleCoefficient(a, std::sqrt(1 - a * a), time);
}

template <bool High>
std::unique_ptr<Wave> onePole(const Wave& wave, bool& failed, double time, double factor, int32_t countBer,
                              int32_t countCmd, int32_t begin, int32_t end) {
    double x = stageCoefficient(time, factor, countBer);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    const int16_t* in = wave.wave;
    double ox = 1 - x;
    int32_t pass = 0;
    // The first pass reads another buffer than it writes, so a long one can
    // be cut into parts; the later ones work in place.
    if (OnePoleSplitPlan plan = planOnePoleSplit(1, end - begin, x); plan.parts > 1) {
        if (!onePoleSplitPass(failed, High, 1, &in, &w->wave, begin, end, x, plan)) return nullptr;
        in = w->wave;
        pass = 1;
    }
    for (; pass < countCmd && !flagSet(failed); ++pass) {
        double y = 0;
        int16_t* out = w->wave;
        forChunks(failed, begin, end,
                  [&](int64_t p, int64_t q) { y = onePoleRun<High>(in + p, out + p, q - p, ox, x, y); });
        in = w->wave;
    }
    if (failed) return nullptr;
    return w;
}

// Below this many samples a channel is not worth a thread of its own.
constexpr int64_t kChannelThreadWorthIt = 1 << 20;

// The constant filter on both channels of a stereo sound at once. A long
// first pass is cut into parts that run side by side; later passes work in
// place, a long one each channel on a thread of its own. A short pass runs
// both channels in one loop, where their latencies overlap. Every way gives
// each channel exactly what onePoleRun does.
template <bool High>
bool onePoleStereo(const Wave& left, const Wave& right, bool& failed, double time, double factor, int32_t countBer,
                   int32_t countCmd, int32_t begin, int32_t end, std::unique_ptr<Wave> out[2]) {
    double x = stageCoefficient(time, factor, countBer);
    out[0] = left.withGap(failed, end - begin, begin, end);
    if (!out[0]) return false;
    out[1] = right.withGap(failed, end - begin, begin, end);
    if (!out[1]) return false;
    const int16_t* in[2] = {left.wave, right.wave};
    int16_t* const to[2] = {out[0]->wave, out[1]->wave};
    double ox = 1 - x;
    int32_t pass = 0;
    if (OnePoleSplitPlan plan = planOnePoleSplit(2, end - begin, x); plan.parts > 1) {
        if (!onePoleSplitPass(failed, High, 2, in, to, begin, end, x, plan)) return false;
        in[0] = to[0];
        in[1] = to[1];
        pass = 1;
    }
    if (pass >= countCmd) return !flagSet(failed);
    if (end - begin >= kChannelThreadWorthIt) {
        runPartsSideBySide(2, [&, first = pass](int c) {
            const int16_t* from = in[c];
            for (int32_t p = first; p < countCmd && !flagSet(failed); ++p) {
                double y = 0;
                forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
                    y = onePoleRun<High>(from + a, to[c] + a, b - a, ox, x, y);
                });
                from = to[c];
            }
        });
        return !flagSet(failed);
    }
    for (; pass < countCmd && !flagSet(failed); ++pass) {
        double y0 = 0, y1 = 0;
        forChunks(failed, begin, end, [&](int64_t p, int64_t q) {
            onePoleRun2<High>(in[0] + p, to[0] + p, in[1] + p, to[1] + p, q - p, ox, x, y0, y1);
        });
        in[0] = to[0];
        in[1] = to[1];
    }
    return !failed;
}

template <bool High>
std::unique_ptr<Wave> onePoleByEnvelope(const Wave& wave, bool& failed, const Wave& envelope, double factor,
                                        int32_t countBer, int32_t countCmd, int32_t sampleFreq, int32_t begin,
                                        int32_t end) {
    KORVANE_ASSERT(envelope.values > 0);
    double a = std::pow(factor, 1.0 / countBer);
    double root = std::sqrt(1 - a * a);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    EnvelopeStretch stretch(end - begin, envelope.values);
    const int16_t* in = wave.wave;
    for (int32_t pass = 0; pass < countCmd && !flagSet(failed); ++pass) {
        onePolePass<High>(failed, in, w->wave, begin, end, [&](int64_t i) {
            double time = sampleFreq / envelopeFrequency(envelope.readAt(stretch.at(i - begin)));
            return onePoleCoefficient(a, root, time);
        });
        in = w->wave;
    }
    if (failed) return nullptr;
    return w;
}

// ---- resonant and notch ----

// A damped oscillator driven by the input, `Steps` sub-steps per sample;
// params(i, e, d) gives the damping e and the coupling d of sample i.
// One sample of the oscillator: its state (y, v) moves on by the sample s.
template <int Steps, bool Notch>
inline int16_t oscillatorStep(double s, double e, double d, double& y, double& v) {
    for (int k = 0; k < Steps; ++k) {
        y = y + d * v;
        v = v - y;
        y = (1 - e) * s + e * y;
    }
    return toSample(Notch ? s - y : y);
}

template <int Steps, bool Notch, class Params>
std::unique_ptr<Wave> oscillator(const Wave& wave, bool& failed, int32_t begin, int32_t end, Params params) {
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    double y = 0;
    double v = 0;
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        for (int64_t i = a; i < b; ++i) {
            double e, d;
            params(i, e, d);
            w->wave[i] = oscillatorStep<Steps, Notch>(wave.wave[i], e, d, y, v);
        }
    });
    if (failed) return nullptr;
    return w;
}

// The damping and the coupling of the constant oscillator.
void oscillatorConstants(double per, double factor, double& e, double& d) {
    e = std::pow(1 - factor, 1 / per);
    d = 2.466 / (per * per);
}

template <bool Notch>
std::unique_ptr<Wave> oscillatorConstant(const Wave& wave, bool& failed, double per, double factor, int32_t begin,
                                         int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(per >= 1 && factor >= 0 && factor <= 1);
    double e, d;
    oscillatorConstants(per, factor, e, d);
    return oscillator<4, Notch>(wave, failed, begin, end, [&](int64_t, double& ee, double& dd) {
        ee = e;
        dd = d;
    });
}

// The resonant filter follows a frequency envelope with finer steps than
// every other variant; the notch filter keeps four.
template <bool Notch>
std::unique_ptr<Wave> oscillatorFrequencyEnvelope(const Wave& wave, bool& failed, const Wave& frequencyEnvelope,
                                                  double factor, int32_t sampleFreq, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(factor >= 0 && factor <= 1);
    KORVANE_ASSERT(frequencyEnvelope.values > 0);
    EnvelopeStretch stretch(end - begin, frequencyEnvelope.values);
    auto params = [&](int64_t i, double& e, double& d, double coupling) {
        double per = sampleFreq / envelopeFrequency(frequencyEnvelope.readAt(stretch.at(i - begin)));
        e = std::pow(1 - factor, 1 / per);
        d = coupling / (per * per);
    };
    if (Notch)
        return oscillator<4, true>(wave, failed, begin, end,
                                   [&](int64_t i, double& e, double& d) { params(i, e, d, 2.466); });
    return oscillator<20, false>(wave, failed, begin, end,
                                 [&](int64_t i, double& e, double& d) { params(i, e, d, 0.09864); });
}

template <bool Notch>
std::unique_ptr<Wave> oscillatorWidthEnvelope(const Wave& wave, bool& failed, double per, const Wave& widthEnvelope,
                                              int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(per >= 1);
    KORVANE_ASSERT(widthEnvelope.values > 0);
    EnvelopeStretch stretch(end - begin, widthEnvelope.values);
    double d = 2.466 / (per * per);
    return oscillator<4, Notch>(wave, failed, begin, end, [&](int64_t i, double& e, double& dd) {
        double width = envelopeWidth(widthEnvelope.readAt(stretch.at(i - begin)));
        e = std::pow(1 - width, 1 / per);
        dd = d;
    });
}

template <bool Notch>
std::unique_ptr<Wave> oscillatorBothEnvelopes(const Wave& wave, bool& failed, const Wave& frequencyEnvelope,
                                              const Wave& widthEnvelope, int32_t sampleFreq, int32_t begin,
                                              int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(frequencyEnvelope.values > 0);
    KORVANE_ASSERT(widthEnvelope.values > 0);
    EnvelopeStretch frequencyStretch(end - begin, frequencyEnvelope.values);
    EnvelopeStretch widthStretch(end - begin, widthEnvelope.values);
    return oscillator<4, Notch>(wave, failed, begin, end, [&](int64_t i, double& e, double& d) {
        double per = sampleFreq / envelopeFrequency(frequencyEnvelope.readAt(frequencyStretch.at(i - begin)));
        double width = envelopeWidth(widthEnvelope.readAt(widthStretch.at(i - begin)));
        e = std::pow(1 - width, 1 / per);
        d = 2.466 / (per * per);
    });
}

// A wave `grow` samples longer inside the range; the growth is refused as a
// memory failure when the wave could not hold it.
std::unique_ptr<Wave> grown(const Wave& wave, bool& failed, double grow, int32_t begin, int32_t end) {
    if (!(grow <= static_cast<double>(INT32_MAX) - wave.values)) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    return wave.withGap(failed, end - begin + static_cast<int32_t>(grow), begin, end);
}

}  // namespace

std::unique_ptr<Wave> lowFilter(const Wave& wave, bool& failed, double time, double factor, int32_t countBer,
                                int32_t countCmd, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(time > 0);
    KORVANE_ASSERT(factor > 0);
    KORVANE_ASSERT(factor < 1);
    KORVANE_ASSERT(countBer > 0);
    KORVANE_ASSERT(countCmd > 0);
    return onePole<false>(wave, failed, time, factor, countBer, countCmd, begin, end);
}

std::unique_ptr<Wave> lowFilterByEnvelope(const Wave& wave, bool& failed, const Wave& envelope, double factor,
                                          int32_t countBer, int32_t countCmd, int32_t sampleFreq, int32_t begin,
                                          int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(countBer > 0);
    KORVANE_ASSERT(countCmd > 0);
    KORVANE_ASSERT(factor > 0);
    KORVANE_ASSERT(factor < 1);
    return onePoleByEnvelope<false>(wave, failed, envelope, factor, countBer, countCmd, sampleFreq, begin, end);
}

std::unique_ptr<Wave> highFilter(const Wave& wave, bool& failed, double time, double factor, int32_t countBer,
                                 int32_t countCmd, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(time > 0);
    KORVANE_ASSERT(factor > 0 && factor < 1);
    KORVANE_ASSERT(countBer > 0);
    KORVANE_ASSERT(countCmd > 0);
    return onePole<true>(wave, failed, time, factor, countBer, countCmd, begin, end);
}

std::unique_ptr<Wave> highFilterByEnvelope(const Wave& wave, bool& failed, const Wave& envelope, double factor,
                                           int32_t countBer, int32_t countCmd, int32_t sampleFreq, int32_t begin,
                                           int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(countBer > 0);
    KORVANE_ASSERT(countCmd > 0);
    KORVANE_ASSERT(factor > 0 && factor < 1);
    return onePoleByEnvelope<true>(wave, failed, envelope, factor, countBer, countCmd, sampleFreq, begin, end);
}

std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, double per, double factor, int32_t begin,
                                     int32_t end) {
    return oscillatorConstant<false>(wave, failed, per, factor, begin, end);
}
std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope, double factor,
                                     int32_t sampleFreq, int32_t begin, int32_t end) {
    return oscillatorFrequencyEnvelope<false>(wave, failed, frequencyEnvelope, factor, sampleFreq, begin, end);
}
std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, double per, const Wave& widthEnvelope,
                                     int32_t begin, int32_t end) {
    return oscillatorWidthEnvelope<false>(wave, failed, per, widthEnvelope, begin, end);
}
std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope,
                                     const Wave& widthEnvelope, int32_t sampleFreq, int32_t begin, int32_t end) {
    return oscillatorBothEnvelopes<false>(wave, failed, frequencyEnvelope, widthEnvelope, sampleFreq, begin, end);
}

std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, double per, double factor, int32_t begin,
                                  int32_t end) {
    return oscillatorConstant<true>(wave, failed, per, factor, begin, end);
}
std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope, double factor,
                                  int32_t sampleFreq, int32_t begin, int32_t end) {
    return oscillatorFrequencyEnvelope<true>(wave, failed, frequencyEnvelope, factor, sampleFreq, begin, end);
}
std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, double per, const Wave& widthEnvelope, int32_t begin,
                                  int32_t end) {
    return oscillatorWidthEnvelope<true>(wave, failed, per, widthEnvelope, begin, end);
}
std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope,
                                  const Wave& widthEnvelope, int32_t sampleFreq, int32_t begin, int32_t end) {
    return oscillatorBothEnvelopes<true>(wave, failed, frequencyEnvelope, widthEnvelope, sampleFreq, begin, end);
}

std::unique_ptr<Wave> blockFilter(const Wave& wave, bool& failed, double x, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    double k = std::fabs(std::trunc(x)) + 1;
    auto w = grown(wave, failed, k, begin, end);
    if (!w) return nullptr;
    int32_t grow = static_cast<int32_t>(k);
    int32_t oldEnd = end;
    double first = begin;
    double last = static_cast<double>(oldEnd) - 1;
    // The source lags the output by k samples for a forward block.
    double a = x > 0 ? first - k : first;
    double y = 0;
    forChunks(failed, begin, static_cast<int64_t>(oldEnd) + grow, [&](int64_t p, int64_t q) {
        for (int64_t j = p; j < q; ++j) {
            y = y + (effects::readInside(wave, a + x, first, last) - effects::readInside(wave, a, first, last)) / x;
            w->wave[j] = toSample(0.5 * y);
            a += 1;
        }
    });
    if (failed) return nullptr;
    end = oldEnd + grow;
    return w;
}

// The source position lags the output by q samples, as the constant block
// filter's does, so that a block of the full length ends just before the
// output sample it feeds and the grown end of the range lets the last
// blocks run out. Reads before begin and from the old end onward give 0,
// so nothing outside the range (and nothing outside the wave) is read.
std::unique_ptr<Wave> blockFilterByEnvelope(const Wave& wave, bool& failed, double x, const Wave& envelope,
                                            int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(envelope.values > 0);
    // A negative maximum is a block of the same size the other way; the range
    // must still grow, never shrink.
    double q = std::trunc(std::fabs(x) + 1);
    auto w = grown(wave, failed, 2 * q, begin, end);
    if (!w) return nullptr;
    int32_t grow = static_cast<int32_t>(2 * q);
    int32_t oldEnd = end;
    int64_t total = static_cast<int64_t>(oldEnd) - begin + grow;
    double first = begin;
    double last = static_cast<double>(oldEnd) - 1;
    EnvelopeStretch stretch(total, envelope.values);
    double y = 0;
    forChunks(failed, begin, static_cast<int64_t>(oldEnd) + grow, [&](int64_t p, int64_t r) {
        for (int64_t j = p; j < r; ++j) {
            double i = static_cast<double>(j) - q;
            double h = x * envelope.readAt(stretch.at(j - begin)) / 32767;
            if (std::fabs(h) > 1) {
                y = y + effects::readInside(wave, i + h, first, last) / h -
                    effects::readInside(wave, i, first, last) / h;
            } else {
                y = effects::readInside(wave, i, first, last);
            }
            w->wave[j] = toSample(0.5 * y);
        }
    });
    if (failed) return nullptr;
    end = oldEnd + grow;
    return w;
}

// ---- sound operations ----

namespace {

template <bool High>
std::unique_ptr<Sound> filterPass(const Sound& sound, bool& failed, double periodSeconds, const Sound* envelope,
                                  double factor, int32_t countBer, int32_t countCmd, int32_t& begin, int32_t& end) {
    double time = periodSeconds * sound.Freq;
    if (!envelope && sound.MoSt == 2) {
        // The same checks as the wave filters make, then both channels in one loop.
        if (failed) return nullptr;
        const Wave& wave = sound.GetLeft();
        checkRange(begin, end, wave.values);
        KORVANE_ASSERT(time > 0);
        if (High) {
            KORVANE_ASSERT(factor > 0 && factor < 1);
        } else {
            KORVANE_ASSERT(factor > 0);
            KORVANE_ASSERT(factor < 1);
        }
        KORVANE_ASSERT(countBer > 0);
        KORVANE_ASSERT(countCmd > 0);
        std::unique_ptr<Wave> out[2];
        if (!onePoleStereo<High>(sound.GetLeft(), sound.GetRight(), failed, time, factor, countBer, countCmd, begin,
                                 end, out)) {
            failed = true;
            return nullptr;
        }
        return sound.MakeLike(failed, std::move(out[0]), std::move(out[1]));
    }
    return sound.PerChannel(
        failed, begin, end, [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) -> std::unique_ptr<Wave> {
            if (envelope) {
                WaveHandle env = EnvelopeChannel(f, sound, *envelope, i);
                if (!env) return nullptr;
                return High ? highFilterByEnvelope(w, f, *env, factor, countBer, countCmd, sound.Freq, b, e)
                            : lowFilterByEnvelope(w, f, *env, factor, countBer, countCmd, sound.Freq, b, e);
            }
            return High ? highFilter(w, f, time, factor, countBer, countCmd, b, e)
                        : lowFilter(w, f, time, factor, countBer, countCmd, b, e);
        });
}

template <bool High>
std::unique_ptr<Sound> filterCommand(const Sound& sound, bool& failed, double periodSeconds, const Sound* envelope,
                                     double factor, int32_t count, bool maximize, int32_t& begin, int32_t& end) {
    if (!maximize) return filterPass<High>(sound, failed, periodSeconds, envelope, factor, count, count, begin, end);
    auto current = Normalise(sound, failed, kFilterPeak, begin, end);
    for (int32_t c = 0; c < count && current; ++c) {
        current = filterPass<High>(*current, failed, periodSeconds, envelope, factor, count, 1, begin, end);
        if (current) current = Normalise(*current, failed, kFilterPeak, begin, end);
    }
    if (failed) return nullptr;
    return current;
}

template <bool Notch>
std::unique_ptr<Sound> oscillatorCommand(const Sound& sound, bool& failed, double periodSeconds,
                                         const Sound* frequencyEnvelope, double width, const Sound* widthEnvelope,
                                         int32_t& begin, int32_t& end) {
    double per = periodInSamples(periodSeconds, sound.Freq);
    return sound.PerChannel(
        failed, begin, end, [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) -> std::unique_ptr<Wave> {
            WaveHandle freqEnv, widthEnv;
            if (frequencyEnvelope) {
                freqEnv = EnvelopeChannel(f, sound, *frequencyEnvelope, i);
                if (!freqEnv) return nullptr;
            }
            if (widthEnvelope) {
                widthEnv = EnvelopeChannel(f, sound, *widthEnvelope, i);
                if (!widthEnv) return nullptr;
            }
            if (freqEnv && widthEnv)
                return Notch ? notchFilter(w, f, *freqEnv, *widthEnv, sound.Freq, b, e)
                             : resonantFilter(w, f, *freqEnv, *widthEnv, sound.Freq, b, e);
            if (freqEnv)
                return Notch ? notchFilter(w, f, *freqEnv, width, sound.Freq, b, e)
                             : resonantFilter(w, f, *freqEnv, width, sound.Freq, b, e);
            if (widthEnv)
                return Notch ? notchFilter(w, f, per, *widthEnv, b, e) : resonantFilter(w, f, per, *widthEnv, b, e);
            return Notch ? notchFilter(w, f, per, width, b, e) : resonantFilter(w, f, per, width, b, e);
        });
}

}  // namespace

namespace {

// filterPass without an envelope: `passes` passes of the stage over the whole
// sound, each with its own running value per channel, which carries over
// from block to block. A pass reads the one before at the same sample only,
// so every pass can take a block as soon as the pass before has.
template <bool High>
class OnePoleSampleStage : public TSampleStage {
public:
    OnePoleSampleStage(double x, int32_t passes) : x_(x), y_(static_cast<std::size_t>(passes), {0.0, 0.0}) {}
    void Run(int16_t* left, int16_t* right, int64_t count) override {
        // The block pass reads another buffer than it writes: each pass
        // reads a copy of the block as the pass before left it.
        const int channels = right ? 2 : 1;
        int16_t* const block[2] = {left, right};
        if (copy_.size() < static_cast<std::size_t>(count) * channels)
            copy_.resize(static_cast<std::size_t>(count) * channels);
        const int16_t* const from[2] = {copy_.data(), copy_.data() + count};
        for (auto& y : y_) {
            for (int c = 0; c < channels; ++c)
                std::copy(block[c], block[c] + count, copy_.data() + c * count);
            onePoleBlockPass(High, channels, from, block, count, x_, y.data(), records_);
        }
    }

private:
    double x_;
    std::vector<std::array<double, 2>> y_;
    std::vector<int16_t> copy_;
    OnePoleBlockRecords records_;
};

template <bool High>
std::unique_ptr<TSampleStage> onePoleStage(double periodSeconds, int32_t sampleFreq, double factor, int32_t count) {
    KORVANE_ASSERT(factor > 0 && factor < 1);
    KORVANE_ASSERT(count > 0);
    const double time = periodSeconds * sampleFreq;
    KORVANE_ASSERT(time > 0);
    return std::make_unique<OnePoleSampleStage<High>>(stageCoefficient(time, factor, count), count);
}

}  // namespace

namespace {

// The constant resonant or notch filter, each channel's oscillator state
// carried from block to block.
template <bool Notch>
class OscillatorSampleStage : public TSampleStage {
public:
    OscillatorSampleStage(double e, double d) : e_(e), d_(d) {}
    void Run(int16_t* left, int16_t* right, int64_t count) override {
        int16_t* const channels[2] = {left, right};
        for (int c = 0; c < 2 && channels[c]; ++c)
            for (int64_t i = 0; i < count; ++i)
                channels[c][i] = oscillatorStep<4, Notch>(channels[c][i], e_, d_, y_[c], v_[c]);
    }

private:
    double e_, d_;
    double y_[2] = {0, 0}, v_[2] = {0, 0};
};

template <bool Notch>
std::unique_ptr<TSampleStage> oscillatorStage(double periodSeconds, int32_t sampleFreq, double width) {
    const double per = periodInSamples(periodSeconds, sampleFreq);
    KORVANE_ASSERT(per >= 1 && width >= 0 && width <= 1);
    double e, d;
    oscillatorConstants(per, width, e, d);
    return std::make_unique<OscillatorSampleStage<Notch>>(e, d);
}

}  // namespace

std::unique_ptr<TSampleStage> FilterResonantStage(double periodSeconds, int32_t sampleFreq, double width) {
    return oscillatorStage<false>(periodSeconds, sampleFreq, width);
}

std::unique_ptr<TSampleStage> FilterNotchStage(double periodSeconds, int32_t sampleFreq, double width) {
    return oscillatorStage<true>(periodSeconds, sampleFreq, width);
}

std::unique_ptr<TSampleStage> FilterLowStage(double periodSeconds, int32_t sampleFreq, double factor, int32_t count) {
    return onePoleStage<false>(periodSeconds, sampleFreq, factor, count);
}

std::unique_ptr<TSampleStage> FilterHighStage(double periodSeconds, int32_t sampleFreq, double factor,
                                              int32_t count) {
    return onePoleStage<true>(periodSeconds, sampleFreq, factor, count);
}

std::unique_ptr<Sound> FilterLow(const Sound& sound, bool& failed, double periodSeconds, const Sound* envelope,
                                 double factor, int32_t count, bool maximize, int32_t& begin, int32_t& end) {
    return filterCommand<false>(sound, failed, periodSeconds, envelope, factor, count, maximize, begin, end);
}

std::unique_ptr<Sound> FilterHigh(const Sound& sound, bool& failed, double periodSeconds, const Sound* envelope,
                                  double factor, int32_t count, bool maximize, int32_t& begin, int32_t& end) {
    return filterCommand<true>(sound, failed, periodSeconds, envelope, factor, count, maximize, begin, end);
}

std::unique_ptr<Sound> FilterResonant(const Sound& sound, bool& failed, double periodSeconds,
                                      const Sound* frequencyEnvelope, double width, const Sound* widthEnvelope,
                                      int32_t& begin, int32_t& end) {
    return oscillatorCommand<false>(sound, failed, periodSeconds, frequencyEnvelope, width, widthEnvelope, begin, end);
}

std::unique_ptr<Sound> FilterNotch(const Sound& sound, bool& failed, double periodSeconds,
                                   const Sound* frequencyEnvelope, double width, const Sound* widthEnvelope,
                                   int32_t& begin, int32_t& end) {
    return oscillatorCommand<true>(sound, failed, periodSeconds, frequencyEnvelope, width, widthEnvelope, begin, end);
}

std::unique_ptr<Sound> FilterBlock(const Sound& sound, bool& failed, double blockSeconds, const Sound* envelope,
                                   int32_t& begin, int32_t& end) {
    double x = blockSeconds * sound.Freq;
    return sound.PerChannel(failed, begin, end,
                            [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) -> std::unique_ptr<Wave> {
                                if (envelope) {
                                    WaveHandle env = EnvelopeChannel(f, sound, *envelope, i);
                                    if (!env) return nullptr;
                                    return blockFilterByEnvelope(w, f, x, *env, b, e);
                                }
                                return blockFilter(w, f, x, b, e);
                            });
}

}  // namespace korvane
