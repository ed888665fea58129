#include "processing/AmplitudeEffects.h"

#include <algorithm>
#include <cmath>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/Allocation.h"
#include "core/Sample.h"
#include "processing/EffectSupport.h"
#include "processing/Filters.h"
#include "processing/ShapeEffects.h"

namespace korvane {

using effects::checkRange;
using effects::EnvelopeStretch;

namespace {

// out[i] = the low 16 bits of factor * in[i] truncated to an integer, for
// |factor| < 65536, where every product truncates into 32 bits. Eight samples a step:
// the same double products and the same truncation as the plain loop, then
// each 32-bit result's low half sign-extended, so that the saturating pack
// keeps it unchanged.
void scaleSmall(const int16_t* in, int16_t* out, int64_t n, double factor) {
    int64_t i = 0;
#if defined(__SSE2__)
    const __m128d f = _mm_set1_pd(factor);
    auto products = [&f](__m128i four) {  // four int32 in, four truncated int32 out
        const __m128i low = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(four), f));
        const __m128i high = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(four, 0x4E)), f));
        const __m128i all = _mm_unpacklo_epi64(low, high);
        return _mm_srai_epi32(_mm_slli_epi32(all, 16), 16);
    };
    for (; i + 8 <= n; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i first = _mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16);
        const __m128i second = _mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(products(first), products(second)));
    }
#endif
    for (; i < n; ++i) out[i] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<int32_t>(factor * in[i])));
}

// factor * in[i], truncated, low 16 bits kept.
void scaleSamples(const int16_t* in, int16_t* out, int64_t n, double factor) {
    // Below this factor every product truncates into 32 bits, so the plain
    // conversion is the same as toSample; at 65536 itself, -65536 * -32768
    // is 2^31, one past the largest 32-bit integer.
    if (std::fabs(factor) < 65536) {
        scaleSmall(in, out, n, factor);
        return;
    }
    for (int64_t i = 0; i < n; ++i) out[i] = toSample(factor * in[i]);
}

void addSamples(const int16_t* in, int16_t* out, int64_t n, int16_t value) {
    for (int64_t i = 0; i < n; ++i) out[i] = addWrap(in[i], value);
}

// A stage that changes each sample by itself: change(samples, n) in place,
// channel by channel.
template <class Change>
class EverySampleStage : public TSampleStage {
public:
    explicit EverySampleStage(Change change) : change_(change) {}
    void Run(int16_t* left, int16_t* right, int64_t count) override {
        change_(left, count);
        if (right) change_(right, count);
    }
    bool EverySampleAlone() const override { return true; }

private:
    Change change_;
};

template <class Change>
std::unique_ptr<TSampleStage> everySampleStage(Change change) {
    return std::make_unique<EverySampleStage<Change>>(change);
}

}  // namespace

std::unique_ptr<TSampleStage> VolumeStage(double factor) {
    return everySampleStage([factor](int16_t* s, int64_t n) { scaleSamples(s, s, n, factor); });
}

std::unique_ptr<TSampleStage> UpStage(int16_t value) {
    return everySampleStage([value](int16_t* s, int64_t n) { addSamples(s, s, n, value); });
}

std::unique_ptr<Wave> scale(const Wave& wave, bool& failed, double factor, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    const int16_t* in = wave.wave;
    int16_t* out = w->wave;
    forChunksSideBySide(failed, begin, end,
                        [&](int64_t a, int64_t b) { scaleSamples(in + a, out + a, b - a, factor); });
    if (failed) return nullptr;
    return w;
}

std::unique_ptr<Wave> scaleByEnvelope(const Wave& wave, bool& failed, const Wave& envelope, int32_t begin,
                                      int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    KORVANE_ASSERT(envelope.values > 0);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    EnvelopeStretch stretch(end - begin, envelope.values);
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        for (int64_t i = a; i < b; ++i) {
            double e = envelope.readAt(stretch.at(i - begin));
            w->wave[i] = toSample(e * wave.wave[i] / 32767);
        }
    });
    if (failed) return nullptr;
    return w;
}

std::unique_ptr<Wave> addValue(const Wave& wave, bool& failed, int16_t value, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    checkRange(begin, end, wave.values);
    auto w = wave.withGap(failed, end - begin, begin, end);
    if (!w) return nullptr;
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) { addSamples(wave.wave + a, w->wave + a, b - a, value); });
    if (failed) return nullptr;
    return w;
}

WaveHandle EnvelopeChannel(bool& failed, const Sound& target, const Sound& envelope, int channel) {
    if (failed) return WaveHandle();
    if (target.MoSt == 1) return envelope.GetMiddle(failed);
    return WaveHandle(channel == 0 ? &envelope.GetLeft() : &envelope.GetRight());
}

std::unique_ptr<Sound> Volume(const Sound& sound, bool& failed, double factor, int32_t& begin, int32_t& end) {
    return sound.PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return scale(w, f, factor, b, e);
    });
}

std::unique_ptr<Sound> VolumeByEnvelope(const Sound& sound, bool& failed, const Sound& envelope, int32_t& begin,
                                        int32_t& end) {
    return sound.PerChannel(failed, begin, end,
                            [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) -> std::unique_ptr<Wave> {
                                WaveHandle env = EnvelopeChannel(f, sound, envelope, i);
                                if (!env) return nullptr;
                                return scaleByEnvelope(w, f, *env, b, e);
                            });
}

std::unique_ptr<Sound> Normalise(const Sound& sound, bool& failed, double target, int32_t begin, int32_t end) {
    if (failed) return nullptr;
    int32_t p = 0;
    for (int i = 0; i < sound.MoSt; ++i) p = std::max(p, sound.Channel(i).peak(failed, begin, end));
    if (failed) return nullptr;
    double factor = p == 0 ? 0 : target / p;
    return Volume(sound, failed, factor, begin, end);
}

std::unique_ptr<Sound> MaxVolume(const Sound& sound, bool& failed, int32_t& begin, int32_t& end) {
    return Normalise(sound, failed, kMaxPeak, begin, end);
}

std::unique_ptr<Sound> Up(const Sound& sound, bool& failed, int16_t value, int32_t& begin, int32_t& end) {
    return sound.PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return addValue(w, f, value, b, e);
    });
}

std::unique_ptr<Sound> MixLeftRight(const Sound& sound, bool& failed, double leftToLeft, double leftToRight,
                                    double rightToLeft, double rightToRight, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    auto GetValues = [&sound] { return sound.GetValues(); };
    KORVANE_ASSERT(GetValues() != 0);
    int16_t channels = sound.MoSt;
    KORVANE_ASSERT(channels == 2);
    checkRange(begin, end, GetValues());
    const Wave& left = sound.GetLeft();
    const Wave& right = sound.GetRight();
    auto newLeft = left.weightedSum(failed, leftToLeft, right, rightToLeft, begin, end);
    if (failed || !newLeft) return nullptr;
    auto newRight = right.weightedSum(failed, rightToRight, left, leftToRight, begin, end);
    if (failed || !newRight) return nullptr;
    return sound.MakeLike(failed, std::move(newLeft), std::move(newRight));
}

// ---- balance ----

namespace {

std::unique_ptr<Wave> balanceCurve(bool& failed, int32_t freq) {
    auto curve = Wave::create(failed, 150);
    if (!curve) return nullptr;
    curve->fillBalanceCurve(freq);
    return curve;
}

// The far channel of a balance loses its highs: a low filter whose cut-off
// the balance curve gives for the signed direction s.
std::unique_ptr<Wave> balanceFilter(const Wave& w, bool& failed, int32_t freq, double s) {
    auto curve = balanceCurve(failed, freq);
    if (!curve) return nullptr;
    double v = curve->readAt(149 * (s / 2 + 0.5));
    double e = std::pow(10.0, (v + 32768) * 3 / 65535);
    return lowFilter(w, failed, freq / (20 * e), 0.4, 1, 1, 0, w.values);
}

std::unique_ptr<Wave> balanceChannel(const Wave& w, bool& failed, int32_t freq, double s, bool timeDifference,
                                     int volumeDifference) {
    if (failed) return nullptr;
    int32_t n = w.values;
    // An empty wave has nothing to filter or scale; only the delay adds samples.
    if ((volumeDifference == bvNone || n == 0) && !timeDifference) return Wave::copy(failed, w);
    double c = volumeDifference == bvVolume ? (1 - s) / 2 : 1;
    std::unique_ptr<Wave> filtered;
    if (volumeDifference == bvFilter && n > 0) {
        filtered = balanceFilter(w, failed, freq, s);
        if (!filtered) return nullptr;
    }
    if (!timeDifference) {
        if (filtered) return filtered;
        return scale(w, failed, c, 0, n);
    }
    const Wave& source = filtered ? *filtered : w;
    double d = std::sin(s * kPi / 2) * freq * 2 / 3400;
    double length = std::fabs(d) + 1 + n;
    if (!(length <= INT32_MAX)) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    int32_t total = truncToInt32(length);
    auto out = Wave::create(failed, total);
    if (!out) return nullptr;
    if (d >= 0) {
        forChunks(failed, 0, total, [&](int64_t a, int64_t b) {
            for (int64_t i = a; i < b; ++i)
                out->wave[i] = toSample(c * effects::readInside(source, static_cast<double>(i) - d, 0, n - 1));
        });
    } else {
        forChunks(failed, 0, total, [&](int64_t a, int64_t b) {
            for (int64_t i = a; i < b; ++i) out->wave[i] = toSample(c * (i < n ? source.wave[i] : 0));
        });
    }
    if (failed) return nullptr;
    return out;
}

// sign: +1 for the left channel, -1 for the right.
std::unique_ptr<Wave> balanceChannelByEnvelope(const Wave& w, bool& failed, int32_t freq, const Wave& envelope,
                                               int sign, bool timeDifference, int volumeDifference) {
    if (failed) return nullptr;
    KORVANE_ASSERT(envelope.values > 0);
    int32_t n = w.values;
    int32_t m = envelope.values;
    std::unique_ptr<Wave> channel;
    if (n == 0) {
        channel = Wave::copy(failed, w);
    } else if (volumeDifference == bvVolume) {
        auto volume = Wave::create(failed, m);
        if (!volume) return nullptr;
        double half = sign > 0 ? -0.5 : 0.5;
        for (int32_t i = 0; i < m; ++i) volume->wave[i] = toSample(envelope.wave[i] * half + 16383);
        channel = scaleByEnvelope(w, failed, *volume, 0, n);
    } else if (volumeDifference == bvFilter) {
        auto curve = balanceCurve(failed, freq);
        if (!curve) return nullptr;
        std::unique_ptr<Wave> negated;
        if (sign < 0) {
            negated = scale(envelope, failed, -1, 0, m);
            if (!negated) return nullptr;
        }
        auto frequencies = distortBy(negated ? *negated : envelope, failed, *curve, 0, m);
        if (!frequencies) return nullptr;
        channel = lowFilterByEnvelope(w, failed, *frequencies, 0.4, 1, 1, freq, 0, n);
    } else if (!timeDifference) {
        channel = Wave::copy(failed, w);
    }
    if (failed) return nullptr;
    if (!timeDifference) return channel;

    const Wave& source = channel ? *channel : w;
    double b = freq / 3400.0;
    int32_t c = truncToInt32(b + 1);
    int64_t total = static_cast<int64_t>(n) + 2 * static_cast<int64_t>(c);
    if (total > INT32_MAX) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    auto out = Wave::create(failed, static_cast<int32_t>(total));
    if (!out) return nullptr;
    EnvelopeStretch stretch(total, m);
    forChunks(failed, 0, total, [&](int64_t a, int64_t e) {
        for (int64_t j = a; j < e; ++j) {
            double h = envelope.readAt(stretch.at(j));
            double l = static_cast<double>(j - c) - h * b * sign / 32767;
            out->wave[j] = l >= 0 && l <= n - 1 ? toSample(source.readAt(l)) : 0;
        }
    });
    if (failed) return nullptr;
    return out;
}

std::unique_ptr<Sound> stereoOf(bool& failed, std::unique_ptr<Wave> left, std::unique_ptr<Wave> right, int32_t freq,
                                int16_t bytesPSample) {
    if (failed || !left || !right) {
        failed = true;
        return nullptr;
    }
    std::unique_ptr<Sound> sound(new (std::nothrow) StereoSound(std::move(left), std::move(right), freq, bytesPSample));
    if (!sound) {
        failed = true;
        reportOutOfMemory();
    }
    return sound;
}

std::unique_ptr<Sound> unchangedCopy(const Sound& sound, bool& failed) {
    return sound.PerChannel(failed, [](bool& f, int, const Wave& w) { return Wave::copy(f, w); });
}

}  // namespace

std::unique_ptr<Sound> BalanceWave(const Wave& mono, bool& failed, int32_t freq, int16_t bytesPSample, double direction,
                                   bool timeDifference, int volumeDifference) {
    if (failed) return nullptr;
    auto left = balanceChannel(mono, failed, freq, direction, timeDifference, volumeDifference);
    if (!left) return nullptr;
    auto right = balanceChannel(mono, failed, freq, -direction, timeDifference, volumeDifference);
    return stereoOf(failed, std::move(left), std::move(right), freq, bytesPSample);
}

std::unique_ptr<Sound> BalanceWaveByEnvelope(const Wave& mono, bool& failed, int32_t freq, int16_t bytesPSample,
                                             const Wave& envelope, bool timeDifference, int volumeDifference) {
    if (failed) return nullptr;
    auto left = balanceChannelByEnvelope(mono, failed, freq, envelope, +1, timeDifference, volumeDifference);
    if (!left) return nullptr;
    auto right = balanceChannelByEnvelope(mono, failed, freq, envelope, -1, timeDifference, volumeDifference);
    return stereoOf(failed, std::move(left), std::move(right), freq, bytesPSample);
}

std::unique_ptr<Sound> Balance(const Sound& sound, bool& failed, double direction, bool timeDifference,
                               int volumeDifference) {
    if (failed) return nullptr;
    if (sound.MoSt != 1 || sound.GetValues() == 0) return unchangedCopy(sound, failed);
    return BalanceWave(sound.GetLeft(), failed, sound.Freq, sound.BytesPSample, direction, timeDifference,
                       volumeDifference);
}

// The direction is one curve for both channels: a stereo envelope gives its
// mixed wave, since the target is mono.
std::unique_ptr<Sound> BalanceByEnvelope(const Sound& sound, bool& failed, const Sound& envelope, bool timeDifference,
                                         int volumeDifference) {
    if (failed) return nullptr;
    if (sound.MoSt != 1 || sound.GetValues() == 0) return unchangedCopy(sound, failed);
    WaveHandle env = EnvelopeChannel(failed, sound, envelope, 0);
    if (!env) return nullptr;
    return BalanceWaveByEnvelope(sound.GetLeft(), failed, sound.Freq, sound.BytesPSample, *env, timeDifference,
                                 volumeDifference);
}

}  // namespace korvane
