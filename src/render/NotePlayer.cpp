#include "render/NotePlayer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Assert.h"
#include "core/Sample.h"
#include "music/TUnitMuz.h"
#include "processing/AmplitudeEffects.h"
#include "processing/Echo.h"
#include "processing/Filters.h"
#include "processing/TUnitWave.h"
#include "processing/TimeEffects.h"
#include "render/Instruments.h"

namespace korvane {

std::string MissingWindowText(const std::string& name) { return "Cannot find window \"" + name + "\"."; }

bool LookupSampleWindow(const WaveRegistry& registry, const std::string& name, TSampleWindow& window, bool& ok,
                        std::string& error) {
    const TUnitWave* unit = registry.FindWave(name);
    if (!unit || !unit->TheSound) {
        ok = false;
        error = MissingWindowText(name);
        return false;
    }
    window.TheSound = unit->TheSound.get();
    window.F = window.TheSound->Freq;
    window.N = window.TheSound->GetValues();
    // The selection marks are kept inside the sound by the document; a cursor
    // means the whole sound.
    window.Begin = std::clamp(unit->SelBegin(), 0, window.N);
    window.End = std::clamp(unit->SelEnd(), 0, window.N);
    if (window.Begin == window.End) {
        window.Begin = 0;
        window.End = window.N;
    }
    return true;
}

double EffectivePeriod(const TOnePlayerProps& props, double period) {
    return 1 / (1 / period + props.FreqUp.GetValue());
}

namespace {

// Everything a one-player works out for one note before it makes a sound.
struct TNotePlan {
    const TOnePlayerProps* Props = nullptr;
    double P = 0;  // the effective period
    double D = 0;  // the note's duration in seconds
    TSampleWindow W;
};


// The resampling factor of the two samplers, rounded to single precision as
// the sound and the start offset use it.
double singleFactor(double p, double basicFreq) {
    const double r = p / basicFreq;
    // Beyond the single range the note cannot be made anyway; the cast
    // itself would be undefined there.
    if (!(std::fabs(r) <= std::numeric_limits<float>::max())) return std::numeric_limits<double>::infinity();
    return static_cast<float>(r);
}

bool usableFactor(double r) { return r > 0 && std::isfinite(r); }

// False when the note is silence for this player, or when the sample window
// is missing (then ok is cleared). The checks keep every note inside the
// limits of the sound operations, so no user setting reaches their contracts.
bool planNote(const WaveRegistry& registry, const TOnePlayer& player, double period, double length, double tempo,
              TNotePlan& plan, bool& ok, std::string& error) {
    const TOnePlayerProps& props = player.OnePlayerProps;
    plan.Props = &props;
    plan.P = EffectivePeriod(props, period);
    if (!(plan.P > 0) || !std::isfinite(plan.P)) return false;
    const unitUnitWave* sampleWave = SampleWaveOf(props);
    if (!sampleWave) return false;
    if (!LookupSampleWindow(registry, sampleWave->ToText(), plan.W, ok, error)) return false;
    plan.D = length * tempo;
    if (!(plan.D >= 0) || !std::isfinite(plan.D)) return false;
    const TSampleWindow& w = plan.W;
    switch (props.NotePlayerKind) {
        case notePlayerSimpleSampler:
            return usableFactor(singleFactor(plan.P, props.SimpleSampler.BasicFreq.GetValue())) &&
                   usableFactor(plan.P / props.SimpleSampler.BasicFreq.GetValue());
        case notePlayerRollOutSampler:
            return w.End > w.Begin && usableFactor(singleFactor(plan.P, props.RollOutSampler.BasicFreq.GetValue())) &&
                   usableFactor(plan.P / props.RollOutSampler.BasicFreq.GetValue());
        case notePlayerRepeatWaveForm: return w.N >= 2;
        case notePlayerRollOutWaveForm: return w.N >= 1;
        case notePlayerResonantSampler: {
            const double factor = props.ResonantSampler.ResFactor.GetValue();
            return w.End > w.Begin && periodInSamples(plan.P, w.TheSound->Freq) >= 1 && factor >= 0 && factor <= 1;
        }
        default: return false;
    }
}

// The range [begin, end) of every channel read as one cycle, `count` cycles of
// `per` samples each, in place of the range; what lies around it stays.
std::unique_ptr<Sound> rollOutForm(bool& stop, const Sound& sound, int32_t begin, int32_t end, double per,
                                   double count) {
    int32_t b = begin, e = end;
    return sound.PerChannel(stop, b, e, [&](bool& f, int, const Wave& w, int32_t& cb, int32_t& ce) {
        return rollOut(w, f, per, 1, count, 0, cb, ce);
    });
}

std::unique_ptr<Sound> makeSound(const TNotePlan& plan, bool& stop, double& volume) {
    const TOnePlayerProps& props = *plan.Props;
    const TSampleWindow& w = plan.W;
    const Sound& sample = *w.TheSound;
    const double p = plan.P;
    const double D = plan.D;
    switch (props.NotePlayerKind) {
        case notePlayerSimpleSampler: {
            const double r = singleFactor(p, props.SimpleSampler.BasicFreq.GetValue());
            volume = props.VolumeFactor.GetValue();
            return sample.Stretch(stop, r);
        }
        case notePlayerRollOutSampler: {
            const double r = singleFactor(p, props.RollOutSampler.BasicFreq.GetValue());
            const double m = (w.End - w.Begin) * r / w.F;
            const double n = std::trunc(D / m + 0.5);
            volume = props.VolumeFactor.GetValue();
            auto repeated = rollOutForm(stop, sample, w.Begin, w.End, w.End - w.Begin, n);
            if (!repeated) return nullptr;
            return repeated->Stretch(stop, r);
        }
        case notePlayerRepeatWaveForm: {
            const double n = std::trunc(D / p + 1.5);
            int32_t b = 0, e = w.N;
            auto louder = Volume(sample, stop, props.VolumeFactor.GetValue(), b, e);
            if (!louder) return nullptr;
            b = 0;
            e = w.N;
            volume = 1.0;
            return PeriodEcho(stop, *louder, p * w.F, nullptr, 1.0, nullptr, truncToInt32(n), b, e);
        }
        case notePlayerRollOutWaveForm: {
            const double n = std::trunc(D / p);
            volume = props.VolumeFactor.GetValue();
            return rollOutForm(stop, sample, 0, w.N, p * w.F, n);
        }
        case notePlayerResonantSampler: {
            const double m = (w.End - w.Begin) / w.F;
            const double n = std::trunc(D / m + 0.5);
            volume = props.VolumeFactor.GetValue();
            auto repeated = rollOutForm(stop, sample, w.Begin, w.End, m * w.F, n);
            if (!repeated || repeated->GetValues() == 0) return repeated;
            int32_t b = 0, e = repeated->GetValues();
            return FilterResonant(*repeated, stop, p, nullptr, props.ResonantSampler.ResFactor.GetValue(), nullptr,
                                  b, e);
        }
        default: return nullptr;
    }
}

double startOffset(const TNotePlan& plan) {
    const TOnePlayerProps& props = *plan.Props;
    const TSampleWindow& w = plan.W;
    switch (props.NotePlayerKind) {
        case notePlayerRollOutSampler: {
            const double r = singleFactor(plan.P, props.RollOutSampler.BasicFreq.GetValue());
            return w.Begin * r / w.F;
        }
        case notePlayerRepeatWaveForm: {
            const double n = std::trunc(plan.D / plan.P + 1.5);
            return n * plan.P;
        }
        case notePlayerResonantSampler: return w.Begin / w.F;
        default: return 0;
    }
}

double endOffset(const TNotePlan& plan) {
    const TOnePlayerProps& props = *plan.Props;
    const TSampleWindow& w = plan.W;
    const double p = plan.P;
    const double D = plan.D;
    switch (props.NotePlayerKind) {
        case notePlayerSimpleSampler: return (w.N / w.F) * (p / props.SimpleSampler.BasicFreq.GetValue());
        case notePlayerRollOutSampler: {
            // The end uses the factor in double precision, the sound the
            // single one; they differ by far less than a sample.
            const double r = p / props.RollOutSampler.BasicFreq.GetValue();
            const double m = (w.End - w.Begin) * r / w.F;
            const double n = std::trunc(D / m + 0.5);
            return n * m + (w.N - w.End) * r / w.F;
        }
        case notePlayerRepeatWaveForm: return (w.End - w.Begin) / w.F + std::trunc(D / p + 0.5) * p;
        case notePlayerRollOutWaveForm: return D;
        case notePlayerResonantSampler: {
            const double m = (w.End - w.Begin) / w.F;
            const double n = std::trunc(D / m + 0.5);
            return n * m + (w.N - w.End) / w.F;
        }
        default: return 0;
    }
}

}  // namespace

std::unique_ptr<Sound> TNotePlayers::GetSound(const TOnePlayer& player, bool& stop, double period, double length,
                                              double tempo, double& volume, bool& ok, std::string& error) const {
    if (stop) return nullptr;
    TNotePlan plan;
    if (!planNote(Registry, player, period, length, tempo, plan, ok, error)) return nullptr;
    auto sound = makeSound(plan, stop, volume);
    if (stop) return nullptr;
    return sound;
}

double TNotePlayers::GetStartOffset(const TOnePlayer& player, double period, double length, double tempo, bool& ok,
                                    std::string& error) const {
    TNotePlan plan;
    if (!planNote(Registry, player, period, length, tempo, plan, ok, error)) return 0;
    return startOffset(plan);
}

double TNotePlayers::GetEndOffset(const TOnePlayer& player, double period, double length, double tempo, bool& ok,
                                  std::string& error) const {
    TNotePlan plan;
    if (!planNote(Registry, player, period, length, tempo, plan, ok, error)) return 0;
    return endOffset(plan);
}

double TNotePlayers::GetStartOffset(const TCompoundPlayer& player, double period, double length, double tempo,
                                    bool& ok, std::string& error) const {
    double most = 0;
    for (const TOnePlayer* one = player.GetStartOnePlayer(); one; one = one->GetNext()) {
        bool oneOk = true;
        const double x = GetStartOffset(*one, period, length, tempo, oneOk, error);
        if (!oneOk) {
            ok = false;
            return 0;
        }
        most = std::max(most, x);
    }
    return most;
}

double TNotePlayers::GetEndOffset(const TCompoundPlayer& player, double period, double length, double tempo,
                                  bool& ok, std::string& error) const {
    double most = 0;
    for (const TOnePlayer* one = player.GetStartOnePlayer(); one; one = one->GetNext()) {
        bool oneOk = true;
        const double x = GetEndOffset(*one, period, length, tempo, oneOk, error);
        if (!oneOk) {
            ok = false;
            return 0;
        }
        most = std::max(most, x);
    }
    return most;
}

std::unique_ptr<Sound> TNotePlayers::GetSound(const TCompoundPlayer& player, bool& stop, double period,
                                              double length, double tempo, double& volume, bool& ok,
                                              std::string& error) const {
    if (stop) return nullptr;
    bool offsetsOk = true;
    const double S = GetStartOffset(player, period, length, tempo, offsetsOk, error);
    if (!offsetsOk) {
        ok = false;
        return nullptr;
    }
    const double E = GetEndOffset(player, period, length, tempo, offsetsOk, error);
    if (!offsetsOk) {
        ok = false;
        return nullptr;
    }
    const TOnePlayer* first = player.GetStartOnePlayer();
    if (!first) return nullptr;
    if (!first->GetNext()) return GetSound(*first, stop, period, length, tempo, volume, ok, error);

    const TUnitMuz* unitMuz = player.GetUnitMuz();
    KORVANE_ASSERT(unitMuz != NULL);
    volume = 1.0;
    StereoSound empty(unitMuz->SampleFreq, unitMuz->BytesPSample);
    int32_t b = 0, e = 0;
    auto mixed = empty.InsertSilence(stop, S + E, b, e);
    if (!mixed) return nullptr;
    for (const TOnePlayer* one = first; one; one = one->GetNext()) {
        bool oneOk = true;
        double v = 1;
        auto sound = GetSound(*one, stop, period, length, tempo, v, oneOk, error);
        if (stop) return nullptr;
        const double x = oneOk ? GetStartOffset(*one, period, length, tempo, oneOk, error) : 0;
        if (!oneOk) {
            ok = false;
            return nullptr;
        }
        if (sound && sound->GetValues() > 0) mixed->AddScaledAtSeconds(stop, *sound, S - x, v);
        if (stop) return nullptr;
    }
    return mixed;
}

}  // namespace korvane
