#include "processing/TimeEffects.h"

#include <cmath>
#include <cstring>

#include "core/Sample.h"
#include "processing/TUnitWave.h"
#include "processing/TimeEchoCommon.h"
#include "values/InputErrors.h"

namespace korvane {

using timeecho::countOrFail;
using timeecho::envelopeAt;
using timeecho::readOrZero;

namespace {

void checkRange(const Wave& w, int32_t begin, int32_t end) {
    KORVANE_ASSERT_RANGE(begin, end, w.values);
    KORVANE_ASSERT(begin < end);
}

const Sound* soundOf(const unitUnitWave& pick) {
    const TUnitWave* wave = pick.GetUnitWave();
    return wave ? wave->TheSound.get() : nullptr;
}

}  // namespace

std::unique_ptr<Wave> rollIn(const Wave& w, bool& failed, int32_t length, int32_t target, int32_t& begin,
                             int32_t& end) {
    if (failed) return nullptr;
    end = w.resolveEnd(end);
    checkRange(w, begin, end);
    KORVANE_ASSERT(target < length);
    KORVANE_ASSERT(length > 0);
    KORVANE_ASSERT(target >= 0);
    auto out = w.withGap(failed, length, begin, end);
    if (!out) return nullptr;
    int16_t* loop = out->wave + begin;
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        std::memset(loop + a, 0, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    int32_t pos = target;
    const int16_t* in = w.wave + begin;
    forChunks(failed, 0, end - begin, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            loop[pos] = addWrap(loop[pos], in[k]);
            if (++pos == length) pos = 0;
        }
    });
    if (failed) return nullptr;
    end = begin + length;
    return out;
}

std::unique_ptr<Wave> rollOut(const Wave& w, bool& failed, double per, double speed, double lengthFactor,
                              double startAngle, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    end = w.resolveEnd(end);
    checkRange(w, begin, end);
    KORVANE_ASSERT(startAngle >= 0);
    KORVANE_ASSERT(startAngle < 1);
    KORVANE_ASSERT(per != 0);
    int32_t length;
    if (!countOrFail(failed, std::fabs(per) * std::fabs(speed) * lengthFactor, length)) return nullptr;
    auto out = w.withGap(failed, length, begin, end);
    if (!out) return nullptr;
    const double last = static_cast<double>(end - begin - 1);
    const double step = 1 / per;
    double ph = startAngle;
    int16_t* o = out->wave + begin;
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            o[k] = toSample(readOrZero(w, begin + last * ph));
            ph = ph + step;
            if (ph >= 1) {
                ph -= std::trunc(ph);
            } else if (ph < 0) {
                ph += std::ceil(-ph);
                if (ph >= 1) ph = 0;
            }
        }
    });
    if (failed) return nullptr;
    end = begin + length;
    return out;
}

std::unique_ptr<Wave> rollOutEnvelope(const Wave& w, bool& failed, const Wave& envelope, double speed,
                                      double lengthfactor, double startpos, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    end = w.resolveEnd(end);
    checkRange(w, begin, end);
    KORVANE_ASSERT(lengthfactor > 0);
    KORVANE_ASSERT(startpos >= 0);
    KORVANE_ASSERT(envelope.values > 0);
    const int32_t n = end - begin;
    int32_t length;
    if (!countOrFail(failed, lengthfactor * n, length)) return nullptr;
    auto out = w.withGap(failed, length, begin, end);
    if (!out) return nullptr;
    double m = begin + startpos * n;
    double e = 0;
    const double de = (envelope.values - 1) / (lengthfactor * n);
    const double lo = begin, hi = end;
    int16_t* o = out->wave + begin;
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            m = m + envelopeAt(envelope, e) * speed / 32767;
            m = timeecho::wrapInto(m, lo, hi);
            if (!(m >= lo)) {
                // A speed beyond every number leaves no position to read.
                o[k] = 0;
                m = lo;
            } else {
                int32_t i = static_cast<int32_t>(m);
                double f = m - i;
                // The range is one cycle: its first sample follows its last.
                int16_t next = i + 1 == end ? w.wave[begin] : w.wave[i + 1];
                o[k] = f == 0 ? w.wave[i] : toSample((1 - f) * w.wave[i] + f * next);
            }
            e += de;
        }
    });
    if (failed) return nullptr;
    end = begin + length;
    return out;
}

std::unique_ptr<Wave> changeLength(const Wave& w, bool& failed, double factor, int32_t& begin, int32_t& end) {
    if (failed) return nullptr;
    end = w.resolveEnd(end);
    checkRange(w, begin, end);
    int32_t length;
    if (!countOrFail(failed, std::fabs(factor) * (end - begin), length)) return nullptr;
    if (length == 0) {
        auto out = w.remove(failed, begin, end);
        if (!out) return nullptr;
        end = begin;
        return out;
    }
    return w.stretch(failed, length, factor < 0, begin, end);
}

std::unique_ptr<Sound> RollIn(bool& failed, const Sound& sound, double lengthSeconds, int placement,
                              double positionSeconds, int32_t& begin, int32_t& end) {
    int32_t length;
    if (!countOrFail(failed, sound.Freq * lengthSeconds, length)) return nullptr;
    double d = placement == 0 ? std::trunc(sound.Freq * positionSeconds)
                              : std::trunc(sound.Freq * positionSeconds + begin - end);
    // A true modulo: the loop is a circle, so a target before its start
    // counts back from its end.
    double t = length > 0 ? std::fmod(d, static_cast<double>(length)) : 0;
    if (t < 0) t += length;
    int32_t target = static_cast<int32_t>(t);
    return sound.PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return rollIn(w, f, length, target, b, e);
    });
}

std::unique_ptr<Sound> RollOut(bool& failed, const Sound& sound, double speed, double lengthFactor,
                               double startFraction, int32_t& begin, int32_t& end) {
    double seconds = static_cast<double>(end - begin) / sound.Freq;
    double per = sound.Freq * seconds / speed;
    return sound.PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return rollOut(w, f, per, speed, lengthFactor, startFraction, b, e);
    });
}

std::unique_ptr<Sound> RollOutEnvelope(bool& failed, const Sound& sound, const Sound& envelope, double speed,
                                       double lengthFactor, double startFraction, int32_t& begin, int32_t& end) {
    return sound.PerChannel(failed, begin, end, [&](bool& f, int i, const Wave& w, int32_t& b, int32_t& e) {
        WaveHandle env = timeecho::EnvelopeFor(f, sound, envelope, i);
        if (!env) return std::unique_ptr<Wave>();
        return rollOutEnvelope(w, f, *env, speed, lengthFactor, startFraction, b, e);
    });
}

std::unique_ptr<Sound> ChangeLength(bool& failed, const Sound& sound, double factor, int32_t& begin, int32_t& end) {
    return sound.PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return changeLength(w, f, factor, b, e);
    });
}

double LengthFactorOf(int kind, double factor, double newLength, const unitUnitWave& sameAs, double count, double speed,
                      double seconds) {
    switch (kind) {
        case lengthNew:
            return newLength / seconds;
        case lengthSameAs: {
            const Sound* s = soundOf(sameAs);
            return s ? s->GetSeconds() / seconds : 0;
        }
        case lengthCount:
            return count / std::fabs(speed);
        default:
            return factor;
    }
}

double RangeSeconds(const TUnitWave& doc) { return doc.SelectionSeconds(); }

bool RollInExecute(TUnitWave& doc, const TRollInProps& props) {
    doc.Records.RollIn = props;
    double position = props.Placement == 0 ? props.Start.GetValue() : props.End.GetValue();
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return RollIn(f, s, props.Length.GetValue(), props.Placement, position, b, e);
    });
}

bool RollOutExecute(TUnitWave& doc, const TRollOutProps& props) {
    doc.Records.RollOut = props;
    double seconds = RangeSeconds(doc);
    double speed = props.Speed.GetValue();
    double factor = LengthFactorOf(props.LengthKind, props.LengthFactor.GetValue(), props.NewLength.GetValue(),
                                   props.SameAs, props.Count.GetValue(), speed, seconds);
    double start = props.StartPosition.GetValue() / seconds;
    const Sound* envelope = props.SpeedEnvelopeOn ? soundOf(props.SpeedEnvelope) : nullptr;
    if ((props.SpeedEnvelopeOn && !envelope) || !(factor > 0) || !(start >= 0 && start < 1)) return false;
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        if (envelope) return RollOutEnvelope(f, s, *envelope, speed, factor, start, b, e);
        return RollOut(f, s, speed, factor, start, b, e);
    });
}

bool LengthExecute(TUnitWave& doc, const TLengthProps& props) {
    doc.Records.Length = props;
    double factor = LengthFactorOf(props.LengthKind, props.LengthFactor.GetValue(), props.NewLength.GetValue(),
                                   props.SameAs, 0, 1, RangeSeconds(doc));
    return doc.RunOnEditRange(
        [&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return ChangeLength(f, s, factor, b, e); });
}

std::string CheckWavePick(const unitUnitWave& pick, const std::string& caption) {
    const Sound* s = soundOf(pick);
    if (!s) return InputErrorText(caption, "You have to select a Wave");
    if (s->GetValues() == 0) return InputErrorText(caption, "The wave is empty.");
    return "";
}

std::string CheckPosition(const unitWavePosition& position, double seconds, const std::string& caption) {
    // A position typed as a time for a longer range may lie beyond this one.
    if (!(position.GetValue() < seconds) || position.GetValue() < 0)
        return InputErrorText(caption, "Position must be before the end of the wave");
    return "";
}

std::string CheckRollIn(const TRollInProps& props, const TUnitWave& doc) {
    if (doc.GetFreq() * props.Length.GetValue() < 1) return "In Length: Length must be at least one sample.";
    if (props.Placement == 0) return CheckPosition(props.Start, props.Length.GetValue(), "Start at");
    return CheckPosition(props.End, props.Length.GetValue(), "End at");
}

std::string CheckRollOut(const TRollOutProps& props, const TUnitWave& doc) {
    if (props.SpeedEnvelopeOn) {
        std::string r = CheckWavePick(props.SpeedEnvelope, "Speed Envelope");
        if (!r.empty()) return r;
    }
    if (props.LengthKind == lengthSameAs) {
        std::string r = CheckWavePick(props.SameAs, "Same Length as");
        if (!r.empty()) return r;
    }
    double seconds = RangeSeconds(doc);
    double factor = LengthFactorOf(props.LengthKind, props.LengthFactor.GetValue(), props.NewLength.GetValue(),
                                   props.SameAs, props.Count.GetValue(), props.Speed.GetValue(), seconds);
    if (!(factor > 0)) {
        static const char* const captions[4] = {"Length Factor", "New Length", "Same Length as", "Count"};
        return InputErrorText(captions[props.LengthKind], "Value must be positive and more than 0.");
    }
    return CheckPosition(props.StartPosition, seconds, "Start Position");
}

std::string CheckLength(const TLengthProps& props, const TUnitWave&) {
    if (props.LengthKind == lengthSameAs) return CheckWavePick(props.SameAs, "Same Length as");
    return "";
}

}  // namespace korvane
