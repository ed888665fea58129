#include "processing/Echo.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Sample.h"
#include "processing/AmplitudeEffects.h"
#include "processing/Dicer.h"
#include "processing/TUnitWave.h"
#include "processing/TempoPitch.h"
#include "processing/TimeEchoCommon.h"
#include "processing/TimeEffects.h"
#include "values/InputErrors.h"

namespace korvane {

using timeecho::countOrFail;
using timeecho::envelopeAt;

namespace {

// The input range read by interpolation, 0 outside [begin, end - 1].
inline double rangeAt(const Wave& w, int32_t begin, int32_t end, double t) {
    if (!(t >= begin) || t > end - 1) return 0;
    int32_t k = static_cast<int32_t>(t);
    double f = t - k;
    if (f == 0) return w.wave[k];
    return (1 - f) * w.wave[k] + f * w.wave[k + 1];
}

// The span the echoes reach, in input positions [first, stop), and the
// zeros the output needs before and after the input to hold it.
struct EchoSpan {
    double first, stop;
    double zFront, zBack;
};

template <bool TimeEnv>
EchoSpan echoSpan(const Wave& w, double per, int32_t count, int32_t begin, int32_t end) {
    double first, stop;
    if constexpr (TimeEnv) {
        double grow = count * std::trunc(per + 1);
        first = begin - grow;
        stop = end + grow;
    } else {
        first = per < 0 ? begin + count * std::trunc(per - 1) : begin;
        stop = per > 0 ? end + count * std::trunc(per + 1) : end;
    }
    double zFront = first < 0 ? -first : 0;
    double zBack = stop > w.values ? stop - w.values : 0;
    return {first, stop, zFront, zBack};
}

// The whole of w with z zeros before it, and zeros after it up to total.
std::unique_ptr<Wave> paddedCopy(bool& failed, const Wave& w, int64_t z, int32_t total) {
    auto out = Wave::create(failed, total);
    if (!out) return nullptr;
    int16_t* o = out->wave;
    std::memset(o, 0, static_cast<std::size_t>(z) * sizeof(int16_t));
    forChunks(failed, 0, w.values, [&](int64_t a, int64_t b) {
        std::memcpy(o + z + a, w.wave + a, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    std::memset(o + z + w.values, 0, static_cast<std::size_t>(total - z - w.values) * sizeof(int16_t));
    return out;
}

// Adds the echoes of [begin, end) of w to the output, one at a time, over
// the span [d, c) (input positions; the output holds position 0 at z).
template <bool TimeEnv, bool VolumeEnv>
class PeriodEchoes {
public:
    PeriodEchoes(const Wave& w, double per, const Wave* timeEnvelope, double factor, const Wave* volumeEnvelope,
                 int32_t begin, int32_t end, int64_t d, int64_t c, int64_t z)
        : w_(w), per_(per), timeEnvelope_(timeEnvelope), factor_(factor), volumeEnvelope_(volumeEnvelope),
          begin_(begin), end_(end), d_(d), c_(c), z_(z),
          // Envelope positions run from 0 to the last sample across the span.
          spanLast_(static_cast<double>(c - d - 1)), timeLast_(TimeEnv ? timeEnvelope->values - 1 : 0),
          volumeLast_(VolumeEnv ? volumeEnvelope->values - 1 : 0) {}

    // Adds echo i: delayed by i periods, its gain the factor to the i-th power.
    void Add(bool& failed, int16_t* o, int32_t i) const {
        const double h = std::pow(factor_, i);
        const double delay = per_ * i;
        int64_t lo = d_, hi = c_;
        if constexpr (!TimeEnv && !VolumeEnv) {
            // Only output positions whose source lies in the range change; an
            // infinite factor turns every position of the span to 0.
            if (std::isfinite(h)) {
                lo = std::max<int64_t>(d_, static_cast<int64_t>(std::floor(begin_ + delay)));
                hi = std::min<int64_t>(c_, static_cast<int64_t>(std::ceil(end_ - 1 + delay)) + 1);
            }
        }
        forChunks(failed, lo, hi, [&](int64_t a, int64_t b) {
            for (int64_t j = a; j < b; ++j) {
                int16_t& s = o[j + z_];
                s = toSample(gainAt(j, i, h) * rangeAt(w_, begin_, end_, sourceOf(j, i, delay)) + s);
            }
        });
    }

private:
    // The input position echo i brings to position j.
    double sourceOf(int64_t j, int32_t i, double delay) const {
        if constexpr (TimeEnv) {
            double pos = static_cast<double>(j - d_) * timeLast_ / spanLast_;
            return j - i * per_ * envelopeAt(*timeEnvelope_, pos) / 32767;
        } else {
            return j - delay;
        }
    }
    // Echo i's gain at position j; h when no envelope sets it.
    double gainAt(int64_t j, int32_t i, double h) const {
        if constexpr (VolumeEnv) {
            double pos = static_cast<double>(j - d_) * volumeLast_ / spanLast_;
            return std::pow(envelopeAt(*volumeEnvelope_, pos) / 32767, i);
        } else {
            return h;
        }
    }

    const Wave& w_;
    const double per_;
    const Wave* const timeEnvelope_;
    const double factor_;
    const Wave* const volumeEnvelope_;
    const int32_t begin_, end_;
    const int64_t d_, c_, z_;
    const double spanLast_, timeLast_, volumeLast_;
};

template <bool TimeEnv, bool VolumeEnv>
std::unique_ptr<Wave> periodEchoRun(const Wave& w, bool& failed, double per, const Wave* timeEnvelope, double factor,
                                    const Wave* volumeEnvelope, int32_t count, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    end = w.resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, w.values);
    KORVANE_ASSERT(begin < end - 1);
    KORVANE_ASSERT(count >= 1);
    if constexpr (TimeEnv) {
        double diffTime = per;
        KORVANE_ASSERT(diffTime >= 0);
        KORVANE_ASSERT(timeEnvelope->values > 0);
    }
    if constexpr (VolumeEnv) KORVANE_ASSERT(volumeEnvelope->values > 0);

    const EchoSpan span = echoSpan<TimeEnv>(w, per, count, begin, end);
    int32_t total;
    if (!countOrFail(failed, w.values + span.zFront + span.zBack, total)) return nullptr;
    const int64_t z = static_cast<int64_t>(span.zFront);
    const int64_t d = static_cast<int64_t>(span.first), c = static_cast<int64_t>(span.stop);

    auto out = paddedCopy(failed, w, z, total);
    if (!out) return nullptr;
    const PeriodEchoes<TimeEnv, VolumeEnv> echoes(w, per, timeEnvelope, factor, volumeEnvelope, begin, end, d, c, z);
    for (int32_t i = 1; i <= count && !flagSet(failed); ++i) echoes.Add(failed, out->wave, i);
    if (failed) return nullptr;
    begin = static_cast<int32_t>(d + z);
    end = static_cast<int32_t>(c + z);
    return out;
}

const Sound* soundOf(const unitUnitWave& pick) {
    const TUnitWave* wave = pick.GetUnitWave();
    return wave ? wave->TheSound.get() : nullptr;
}

}  // namespace

std::unique_ptr<Wave> periodEcho(const Wave& w, bool& failed, double per, double factor, int32_t count, int32_t& begin,
                                 int32_t& end) {
    return periodEchoRun<false, false>(w, failed, per, nullptr, factor, nullptr, count, begin, end);
}

std::unique_ptr<Wave> periodEchoByTime(const Wave& w, bool& failed, double diffTime, const Wave& timeEnvelope,
                                       double factor, int32_t count, int32_t& begin, int32_t& end) {
    return periodEchoRun<true, false>(w, failed, diffTime, &timeEnvelope, factor, nullptr, count, begin, end);
}

std::unique_ptr<Wave> periodEchoByVolume(const Wave& w, bool& failed, double per, const Wave& volumeEnvelope,
                                         int32_t count, int32_t& begin, int32_t& end) {
    return periodEchoRun<false, true>(w, failed, per, nullptr, 0, &volumeEnvelope, count, begin, end);
}

std::unique_ptr<Wave> periodEchoByBoth(const Wave& w, bool& failed, double diffTime, const Wave& timeEnvelope,
                                       const Wave& volumeEnvelope, int32_t count, int32_t& begin, int32_t& end) {
    return periodEchoRun<true, true>(w, failed, diffTime, &timeEnvelope, 0, &volumeEnvelope, count, begin, end);
}

std::unique_ptr<Sound> PeriodEcho(bool& failed, const Sound& sound, double per, const Sound* timeEnvelope,
                                  double factor, const Sound* volumeEnvelope, int32_t count, int32_t& begin,
                                  int32_t& end) {
    return sound.PerChannel(failed, begin, end, [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) {
        WaveHandle time, volume;
        if (timeEnvelope) {
            time = timeecho::EnvelopeFor(f, sound, *timeEnvelope, i);
            if (!time) return std::unique_ptr<Wave>();
        }
        if (volumeEnvelope) {
            volume = timeecho::EnvelopeFor(f, sound, *volumeEnvelope, i);
            if (!volume) return std::unique_ptr<Wave>();
        }
        if (time && volume) return periodEchoByBoth(w, f, per, *time, *volume, count, b, e);
        if (time) return periodEchoByTime(w, f, per, *time, factor, count, b, e);
        if (volume) return periodEchoByVolume(w, f, per, *volume, count, b, e);
        return periodEcho(w, f, per, factor, count, b, e);
    });
}

namespace {

std::unique_ptr<Sound> copyOf(bool& failed, const Sound& sound) {
    return sound.PerChannel(failed, [](bool& f, int, const Wave& w) { return Wave::copy(f, w); });
}

std::unique_ptr<Sound> zeroSound(bool& failed, bool stereo, int32_t length, int32_t freq, int16_t bytes) {
    std::unique_ptr<Wave> waves[2];
    for (int i = 0; i < (stereo ? 2 : 1); ++i) {
        waves[i] = Wave::create(failed, length);
        if (!waves[i]) return nullptr;
        std::memset(waves[i]->wave, 0, static_cast<std::size_t>(length) * sizeof(int16_t));
    }
    if (stereo) return std::make_unique<StereoSound>(std::move(waves[0]), std::move(waves[1]), freq, bytes);
    return std::make_unique<MonoSound>(std::move(waves[0]), freq, bytes);
}

// Makes the echoes of a random echo one at a time: each a copy of the whole
// sound, changed in the aspects the call turns on by the dice or the
// envelopes, then placed into the result. The dice are thrown in the order
// of the aspects, which decides every value they give.
class RandomEchoes {
public:
    RandomEchoes(bool& failed, const Sound& sound, const RandomEchoArgs& args)
        : failed_(failed), sound_(sound), args_(args), dicer_(args.Seed), T_(args.TimeDifference * sound.Freq),
          balanceRoom_(sound.Freq / 3400.0) {}

    // The result's length: the time difference, and for a result that is
    // not a circle the sound and the room a balance shift takes besides.
    bool ResultLength(int32_t& length) const {
        if (args_.Cyclable) return countOrFail(failed_, std::trunc(T_ + 1) + 1, length);
        return countOrFail(failed_, std::trunc(sound_.GetValues() + T_ + 1 + balanceRoom_) + 1, length);
    }

    // Makes the next echo and places it into the result of `length` samples.
    bool AddEcho(Sound& result, int32_t length) {
        // The latest place the echo may start at, less what the changes add to it.
        double r = std::trunc(T_);
        dicer_.Throw();
        std::unique_ptr<Sound> echo = copyOf(failed_, sound_);
        if (!echo) return false;
        if (!changeVolume(echo) || !changeLength(echo, r) || !changePitchAndTempo(echo, r) || !changeBalance(echo, r))
            return false;
        double bound = args_.Cyclable ? T_ : r;
        double position = args_.Kind[aspectTime] == 0 ? die(aspectTime, 0, bound) : envelope(aspectTime, bound, 0);
        double at = std::trunc(position);
        if (failed_) return false;
        place(result, *echo, at, length);
        return true;
    }

private:
    double die(int aspect, double x, double y) { return DieIn(dicer_, args_.Die[aspect], x, y); }
    // The envelope's value at the place the aspect's die picks, mapped to [min, max].
    double envelope(int aspect, double max, double min) {
        return args_.Envelope[aspect]->GetValueAt(failed_, die(aspect, 0, 1), max, min);
    }

    bool changeVolume(std::unique_ptr<Sound>& echo) {
        int volumeKind = args_.Kind[aspectVolume];
        if (volumeKind == 0) return true;
        double factor = volumeKind == 1 ? die(aspectVolume, 0, 1) : envelope(aspectVolume, 1, -1);
        if (echo->GetValues() > 0) {
            int32_t b = 0, e = echo->GetValues();
            echo = Volume(*echo, failed_, factor, b, e);
            if (!echo) return false;
        }
        return true;
    }

    bool changeLength(std::unique_ptr<Sound>& echo, double& r) {
        if (args_.Kind[aspectLength] == 0) return true;
        double factor = envelope(aspectLength, 1, -1);
        int32_t old = echo->GetValues();
        echo = echo->Stretch(failed_, factor);
        if (!echo) return false;
        r = r + old;
        r = r - echo->GetValues();
        return true;
    }

    bool changePitchAndTempo(std::unique_ptr<Sound>& echo, double& r) {
        if (args_.Kind[aspectPitch] == 0 && args_.Kind[aspectTempo] == 0) return true;
        double v = args_.Kind[aspectTempo] != 0 ? envelope(aspectTempo, 1, -1) : 1;
        double freqFactor = args_.Kind[aspectPitch] != 0 ? envelope(aspectPitch, 1, -1) * args_.FrequencyFactor : 1;
        r = r + echo->GetValues();
        int32_t newLength = echo->GetValues() > 0 ? truncToInt32(std::fabs(v) * echo->GetValues()) : 0;
        if (v == 0 || newLength == 0) {
            echo = echo->MakeEmpty();
        } else {
            TempoPitchArgs tp;
            tp.Speed = 1 / v;
            tp.StartFraction = 0;
            tp.LengthFactor = std::fabs(v);
            tp.FreqFactor = freqFactor;
            tp.BlockSamples = args_.BlockSamples;
            tp.High = args_.High;
            int32_t b = 0, e = echo->GetValues();
            echo = TempoPitch(failed_, *echo, tp, b, e);
        }
        if (!echo) return false;
        r = r - echo->GetValues();
        return true;
    }

    bool changeBalance(std::unique_ptr<Sound>& echo, double& r) {
        int balanceKind = args_.Kind[aspectBalance];
        if (balanceKind == 0) return true;
        double direction = balanceKind == 1 ? die(aspectBalance, -1, 1) : envelope(aspectBalance, 1, -1);
        if (echo->GetValues() > 0) {
            // A stereo echo is balanced from its left channel.
            echo = BalanceWave(echo->GetLeft(), failed_, sound_.Freq, sound_.BytesPSample, direction,
                               args_.BalanceTimeDifference, args_.BalanceVolumeDifference);
        } else {
            echo = std::make_unique<StereoSound>(sound_.Freq, sound_.BytesPSample);
        }
        if (!echo) return false;
        r = r - std::trunc(balanceRoom_);
        return true;
    }

    void place(Sound& result, const Sound& echo, double at, int32_t length) {
        if (args_.Cyclable) {
            // The result is a circle: a place past its end goes round.
            at = std::fmod(at, static_cast<double>(length));
            if (at < 0) at += length;
            result.MixCycleAfterThis(failed_, echo, static_cast<int32_t>(at));
        } else {
            // A short time budget can leave the place before the start (the
            // echo then starts there), and the die's overshoot can carry it
            // past the end (nothing of the echo is left to add).
            if (at < 0) at = 0;
            if (at < length) result.AddAfter(failed_, echo, static_cast<int32_t>(at));
        }
    }

    bool& failed_;
    const Sound& sound_;
    const RandomEchoArgs& args_;
    Dicer dicer_;
    const double T_;
    const double balanceRoom_;
};

}  // namespace

std::unique_ptr<Sound> RandomEcho(bool& failed, const Sound& sound, const RandomEchoArgs& args) {
    if (failed) return nullptr;
    RandomEchoes echoes(failed, sound, args);
    int32_t length;
    if (!echoes.ResultLength(length)) return nullptr;
    const bool stereo = sound.MoSt == 2 || args.Kind[aspectBalance] != 0;
    auto result = zeroSound(failed, stereo, length, sound.Freq, sound.BytesPSample);
    if (!result) return nullptr;
    for (int32_t k = 0; k < args.Count && !flagSet(failed); ++k)
        if (!echoes.AddEcho(*result, length)) return nullptr;
    if (failed) return nullptr;
    return result;
}

bool PerEchoExecute(TUnitWave& doc, const TPerEchoProps& props) {
    doc.Records.PerEcho = props;
    double per = props.Time.GetValue() * doc.GetFreq();
    const Sound* time = props.TimeEnvelopeOn ? soundOf(props.TimeEnvelope) : nullptr;
    const Sound* volume = props.VolumeKind == 1 ? soundOf(props.VolumeEnvelope) : nullptr;
    if ((props.TimeEnvelopeOn && !time) || (props.VolumeKind == 1 && !volume)) return false;
    if (time && per < 0) return false;
    int32_t b, e;
    doc.EditRange(b, e);
    if (!(b < e - 1)) return false;
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& begin, int32_t& end) {
        return PeriodEcho(f, s, per, time, props.Volume.GetValue(), volume, props.Count.GetValue(), begin, end);
    });
}

namespace {

bool usesEnvelope(int aspect, int kind) {
    if (aspect == aspectVolume || aspect == aspectBalance) return kind == 2;
    return kind == 1;
}

const char* const kAspectEnvelopeCaptions[aspectCount] = {"Time - Random Envelope",   "Volume - Random Envelope",
                                                          "Length - Random Envelope", "Balance - Random Envelope",
                                                          "Pitch - Random Envelope",  "Tempo - Random Envelope"};

}  // namespace

bool RndEchoExecute(TUnitWave& doc, const TRandomEchoProps& props) {
    doc.Records.RndEcho = props;
    RandomEchoArgs args;
    args.Count = props.Count.GetValue();
    args.Seed = static_cast<uint32_t>(props.Seed.GetValue());
    args.TimeDifference = props.TimeDifference.GetValue();
    args.Cyclable = props.Cyclable;
    for (int a = 0; a < aspectCount; ++a) {
        args.Kind[a] = props.Aspects[a].Kind;
        args.Die[a] = props.Aspects[a].Die;
        if (usesEnvelope(a, args.Kind[a])) {
            args.Envelope[a] = soundOf(props.Aspects[a].Envelope);
            if (!args.Envelope[a]) return false;
        }
    }
    args.BalanceVolumeDifference = props.BalanceVolumeDifference;
    args.BalanceTimeDifference = props.BalanceTimeDifference;
    args.FrequencyFactor = props.FrequencyFactor.GetValue();
    args.High = props.Quality == 1;
    args.BlockSamples = truncToInt32(doc.GetFreq() * props.BlockSize.GetValue());
    if (args.BlockSamples < 1) return false;
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        auto made = RandomEcho(f, s, args);
        b = 0;
        e = made ? made->GetValues() : 0;
        return made;
    });
}

std::string CheckPerEcho(const TPerEchoProps& props, const TUnitWave& doc) {
    std::string r;
    if (props.TimeEnvelopeOn) {
        if (!(r = CheckWavePick(props.TimeEnvelope, "Echo Time Envelope")).empty()) return r;
        // The time is the longest delay the envelope can ask for.
        if (props.Time.GetValue() < 0) return "In Time: Value must be positive.";
    }
    if (props.VolumeKind == 1 && !(r = CheckWavePick(props.VolumeEnvelope, "Echo Volume Envelope")).empty()) return r;
    int32_t b, e;
    doc.EditRange(b, e);
    if (!(b < e - 1)) return "An echo needs a range of at least two samples.";
    return "";
}

std::string CheckRndEcho(const TRandomEchoProps& props, const TUnitWave& doc) {
    for (int a = 0; a < aspectCount; ++a) {
        if (!usesEnvelope(a, props.Aspects[a].Kind)) continue;
        std::string r = CheckWavePick(props.Aspects[a].Envelope, kAspectEnvelopeCaptions[a]);
        if (!r.empty()) return r;
    }
    return CheckBlockSize(props.BlockSize.GetValue(), doc.GetFreq());
}

}  // namespace korvane
