#include "processing/TempoPitch.h"

#include <cmath>

#include "core/Sample.h"
#include "processing/TUnitWave.h"
#include "processing/TimeEchoCommon.h"
#include "processing/TimeEffects.h"

namespace korvane {

using timeecho::envelopeAt;
using timeecho::readOrZero;
using timeecho::wrapInto;

namespace {

// One engine for the eight variants; the choices are compile-time so the
// per-sample loop carries no tests for variants it is not. It holds what the
// readers share while they walk the range block by block.
template <bool High, bool FreqEnv, bool SpeedEnv>
class TempoPitchEngine {
public:
    TempoPitchEngine(const Wave& w, double speed, const Wave* speedEnvelop, double startFrac, double freqFactor,
                     const Wave* freqWave, int32_t blockTime, int32_t begin, int32_t end, int32_t length)
        : w_(w), speed_(speed), speedEnvelop_(speedEnvelop), startFrac_(startFrac), freqFactor_(freqFactor),
          freqWave_(freqWave), block_(blockTime), begin_(begin), n_(end - begin), lo_(begin), hi_(end),
          last_(length > 1 ? length - 1 : 1), freqSpan_(FreqEnv ? freqWave->values - 1 : 0),
          // The speed envelope moves by one block's share of it at every block.
          blockStep_(SpeedEnv ? static_cast<double>(block_) * (speedEnvelop->values - 1) / last_ : 0),
          blockStart_(begin + startFrac * n_) {}

    // Writes `length` output samples from o on.
    void Run(bool& failed, int16_t* o, int32_t length) {
        if constexpr (High)
            runHigh(failed, o, length);
        else
            runLow(failed, o, length);
    }

private:
    // How far a reader moves per output sample after output sample j.
    double stepAt(int64_t j) const {
        if constexpr (FreqEnv) {
            double e = static_cast<double>(j) * freqSpan_ / last_;
            return envelopeAt(*freqWave_, e) * freqFactor_ / 32767;
        } else {
            return freqFactor_;
        }
    }
    double read(double p) const {
        if constexpr (SpeedEnv)
            return readOrZero(w_, wrapInto(p, lo_, hi_));
        else
            return readOrZero(w_, p);
    }
    // Where the tempo puts the block that starts after output sample j.
    double tempoTarget(int64_t j, double g) const {
        return wrapInto(g + speed_ * static_cast<double>(j + 1) + begin_ + startFrac_ * n_, lo_, hi_);
    }
    // The speed envelope's reading moved on by `samples` of the block.
    double speedMove(double samples) const {
        return envelopeAt(*speedEnvelop_, es_) * samples * speed_ / 32767;
    }
    // The speed envelope's block start moved on by a whole block.
    void nextBlock() {
        blockStart_ = blockStart_ + envelopeAt(*speedEnvelop_, es_) * block_ * speed_ / 32767;
        es_ += blockStep_;
    }

    // One reader that jumps at every block's end.
    void runLow(bool& failed, int16_t* o, int32_t length) {
        int32_t count = 0;
        double r = begin_ + startFrac_ * n_;
        forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
            for (int64_t j = a; j < b; ++j) {
                double step = stepAt(j);
                o[j] = toSample(read(r));
                if (++count == block_) {
                    count = 0;
                    if constexpr (SpeedEnv) {
                        nextBlock();
                        r = blockStart_;
                    } else {
                        r = wrapInto(begin_ + startFrac_ * n_ + speed_ * static_cast<double>(j + 1), lo_, hi_);
                    }
                } else {
                    r = r + step;
                }
            }
        });
    }

    // Two readers half a block apart, faded into each other.
    void runHigh(bool& failed, int16_t* o, int32_t length) {
        int32_t count = 0;
        const int32_t half = block_ / 2;
        double g = (1 - stepAt(0)) * 0.5 * block_;
        double r1 = begin_ + startFrac_ * n_;
        double r2 = g + r1;
        forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
            for (int64_t j = a; j < b; ++j) {
                double step = stepAt(j);
                double weight = std::fabs(static_cast<double>(count) / block_ * 2 - 1);
                o[j] = toSample(std::trunc(read(r1) * weight) + read(r2) * (1 - weight));
                ++count;
                if constexpr (FreqEnv) g = (1 - step) * 0.5 * block_;
                // Reader 1 jumps in the middle of the block, where it is
                // silent; reader 2 at its end, where reader 1 has the say.
                if (count == half) {
                    if constexpr (SpeedEnv) {
                        r1 = g + blockStart_ + speedMove(half);
                    } else {
                        r1 = tempoTarget(j, g);
                    }
                } else {
                    r1 += step;
                }
                if (count == block_) {
                    count = 0;
                    if constexpr (SpeedEnv) {
                        nextBlock();
                        r2 = g + blockStart_;
                    } else {
                        r2 = tempoTarget(j, g);
                    }
                } else {
                    r2 += step;
                }
            }
        });
    }

    const Wave& w_;
    const double speed_;
    const Wave* const speedEnvelop_;
    const double startFrac_, freqFactor_;
    const Wave* const freqWave_;
    const int32_t block_;
    const int32_t begin_, n_;
    const double lo_, hi_;
    const double last_, freqSpan_, blockStep_;
    double blockStart_;  // o of the speed envelope
    double es_ = 0;
};

template <bool High, bool FreqEnv, bool SpeedEnv>
std::unique_ptr<Wave> tempoPitchRun(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                    double startFrac, double lengthFactor, double freqFactor, const Wave* freqWave,
                                    int32_t blockTime, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    end = w.resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, w.values);
    KORVANE_ASSERT(begin < end);
    KORVANE_ASSERT(speed != 0);
    KORVANE_ASSERT(blockTime > 0);
    KORVANE_ASSERT(lengthFactor > 0);
    if constexpr (FreqEnv) KORVANE_ASSERT(freqWave->values > 0);
    if constexpr (SpeedEnv) KORVANE_ASSERT(speedEnvelop->values > 0);

    const int32_t n = end - begin;
    int32_t length;
    if (!timeecho::countOrFail(failed, lengthFactor * n, length)) return nullptr;
    auto out = w.withGap(failed, length, begin, end);
    if (!out) return nullptr;

    TempoPitchEngine<High, FreqEnv, SpeedEnv> engine(w, speed, speedEnvelop, startFrac, freqFactor, freqWave,
                                                     blockTime, begin, end, length);
    engine.Run(failed, out->wave + begin, length);
    if (failed) return nullptr;
    end = begin + length;
    return out;
}

}  // namespace

std::unique_ptr<Wave> tempoPitchLow(const Wave& w, bool& failed, double speed, double startFrac, double lengthFactor,
                                    double freqFactor, int32_t blockTime, int32_t& begin, int32_t& end) {
    return tempoPitchRun<false, false, false>(w, failed, speed, nullptr, startFrac, lengthFactor, freqFactor, nullptr,
                                              blockTime, begin, end);
}

std::unique_ptr<Wave> tempoPitchHigh(const Wave& w, bool& failed, double speed, double startFrac, double lengthFactor,
                                     double freqFactor, int32_t blockTime, int32_t& begin, int32_t& end) {
    return tempoPitchRun<true, false, false>(w, failed, speed, nullptr, startFrac, lengthFactor, freqFactor, nullptr,
                                             blockTime, begin, end);
}

std::unique_ptr<Wave> tempoPitchLowByFreq(const Wave& w, bool& failed, double speed, double startFrac,
                                          double lengthFactor, double freqFactor, const Wave* freqWave,
                                          int32_t blockTime, int32_t& begin, int32_t& end) {
    return tempoPitchRun<false, true, false>(w, failed, speed, nullptr, startFrac, lengthFactor, freqFactor, freqWave,
                                             blockTime, begin, end);
}

std::unique_ptr<Wave> tempoPitchHighByFreq(const Wave& w, bool& failed, double speed, double startFrac,
                                           double lengthFactor, double freqFactor, const Wave* freqWave,
                                           int32_t blockTime, int32_t& begin, int32_t& end) {
    return tempoPitchRun<true, true, false>(w, failed, speed, nullptr, startFrac, lengthFactor, freqFactor, freqWave,
                                            blockTime, begin, end);
}

std::unique_ptr<Wave> tempoPitchLowBySpeed(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                           double startFrac, double lengthFactor, double freqFactor, int32_t blockTime,
                                           int32_t& begin, int32_t& end) {
    return tempoPitchRun<false, false, true>(w, failed, speed, speedEnvelop, startFrac, lengthFactor, freqFactor,
                                             nullptr, blockTime, begin, end);
}

std::unique_ptr<Wave> tempoPitchHighBySpeed(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                            double startFrac, double lengthFactor, double freqFactor, int32_t blockTime,
                                            int32_t& begin, int32_t& end) {
    return tempoPitchRun<true, false, true>(w, failed, speed, speedEnvelop, startFrac, lengthFactor, freqFactor,
                                            nullptr, blockTime, begin, end);
}

std::unique_ptr<Wave> tempoPitchLowByBoth(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                          double startFrac, double lengthFactor, double freqFactor,
                                          const Wave* freqWave, int32_t blockTime, int32_t& begin, int32_t& end) {
    return tempoPitchRun<false, true, true>(w, failed, speed, speedEnvelop, startFrac, lengthFactor, freqFactor,
                                            freqWave, blockTime, begin, end);
}

std::unique_ptr<Wave> tempoPitchHighByBoth(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                           double startFrac, double lengthFactor, double freqFactor,
                                           const Wave* freqWave, int32_t blockTime, int32_t& begin, int32_t& end) {
    return tempoPitchRun<true, true, true>(w, failed, speed, speedEnvelop, startFrac, lengthFactor, freqFactor,
                                           freqWave, blockTime, begin, end);
}

std::unique_ptr<Sound> TempoPitch(bool& failed, const Sound& sound, const TempoPitchArgs& args, int32_t& begin,
                                  int32_t& end) {
    return sound.PerChannel(failed, begin, end, [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) {
        WaveHandle freq, speed;
        if (args.FreqEnvelope) {
            freq = timeecho::EnvelopeFor(f, sound, *args.FreqEnvelope, i);
            if (!freq) return std::unique_ptr<Wave>();
        }
        if (args.SpeedEnvelope) {
            speed = timeecho::EnvelopeFor(f, sound, *args.SpeedEnvelope, i);
            if (!speed) return std::unique_ptr<Wave>();
        }
        const double a = args.Speed, s = args.StartFraction, F = args.LengthFactor, ff = args.FreqFactor;
        const int32_t B = args.BlockSamples;
        if (freq && speed)
            return args.High ? tempoPitchHighByBoth(w, f, a, speed.get(), s, F, ff, freq.get(), B, b, e)
                             : tempoPitchLowByBoth(w, f, a, speed.get(), s, F, ff, freq.get(), B, b, e);
        if (speed)
            return args.High ? tempoPitchHighBySpeed(w, f, a, speed.get(), s, F, ff, B, b, e)
                             : tempoPitchLowBySpeed(w, f, a, speed.get(), s, F, ff, B, b, e);
        if (freq)
            return args.High ? tempoPitchHighByFreq(w, f, a, s, F, ff, freq.get(), B, b, e)
                             : tempoPitchLowByFreq(w, f, a, s, F, ff, freq.get(), B, b, e);
        return args.High ? tempoPitchHigh(w, f, a, s, F, ff, B, b, e) : tempoPitchLow(w, f, a, s, F, ff, B, b, e);
    });
}

namespace {

const Sound* soundOf(const unitUnitWave& pick) {
    const TUnitWave* wave = pick.GetUnitWave();
    return wave ? wave->TheSound.get() : nullptr;
}

double tempoLengthFactor(const TTempoPitchProps& props, double seconds) {
    return LengthFactorOf(props.LengthKind, props.LengthFactor.GetValue(), props.NewLength.GetValue(), props.SameAs,
                          props.Count.GetValue(), props.Speed.GetValue(), seconds);
}

}  // namespace

bool TempoPitchExecute(TUnitWave& doc, const TTempoPitchProps& props) {
    doc.Records.TempoPitch = props;
    double seconds = RangeSeconds(doc);
    TempoPitchArgs args;
    args.Speed = props.Speed.GetValue();
    args.StartFraction = props.StartPosition.GetValue() / seconds;
    args.LengthFactor = tempoLengthFactor(props, seconds);
    args.FreqFactor = props.FreqFactor.GetValue();
    args.BlockSamples = truncToInt32(doc.GetFreq() * props.BlockSize.GetValue());
    args.High = props.Quality == 1;
    args.FreqEnvelope = props.FreqEnvelopeOn ? soundOf(props.FreqEnvelope) : nullptr;
    args.SpeedEnvelope = props.SpeedEnvelopeOn ? soundOf(props.SpeedEnvelope) : nullptr;
    if ((props.FreqEnvelopeOn && !args.FreqEnvelope) || (props.SpeedEnvelopeOn && !args.SpeedEnvelope)) return false;
    if (args.BlockSamples < 1 || !(args.LengthFactor > 0) || !(args.StartFraction < 1)) return false;
    return doc.RunOnEditRange(
        [&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return TempoPitch(f, s, args, b, e); });
}

std::string CheckBlockSize(double seconds, int32_t freq) {
    if (!(freq * seconds >= 1)) return "In Block Size: Block Size must be at least one sample.";
    return "";
}

std::string CheckTempoPitch(const TTempoPitchProps& props, const TUnitWave& doc) {
    std::string r;
    if (props.FreqEnvelopeOn && !(r = CheckWavePick(props.FreqEnvelope, "Frequency Envelope")).empty()) return r;
    if (props.SpeedEnvelopeOn && !(r = CheckWavePick(props.SpeedEnvelope, "Speed Envelope")).empty()) return r;
    if (props.LengthKind == lengthSameAs && !(r = CheckWavePick(props.SameAs, "Same Length as")).empty()) return r;
    double seconds = RangeSeconds(doc);
    if (!(tempoLengthFactor(props, seconds) > 0)) {
        static const char* captions[4] = {"Length Factor", "New Length", "Same Length as", "Count"};
        return std::string("In ") + captions[props.LengthKind] + ": Value must be positive and more than 0.";
    }
    if (!(r = CheckPosition(props.StartPosition, seconds, "Start Position")).empty()) return r;
    return CheckBlockSize(props.BlockSize.GetValue(), doc.GetFreq());
}

}  // namespace korvane
