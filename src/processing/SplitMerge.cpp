#include "processing/SplitMerge.h"

#include <algorithm>
#include <cstring>

#include "core/Sound.h"
#include "processing/TWorkspace.h"

namespace korvane {

namespace {

// Registers a made sound as a new document of the workspace.
TUnitWave* addNewDocument(TWorkspace& space, std::unique_ptr<Sound> sound) {
    auto doc = std::make_unique<TUnitWave>(std::move(sound), "");
    doc->MarkNew();
    doc->Records = space.Records;
    std::string name = space.NextNewName();
    if (space.NameAvailable(*doc, name)) doc->Name = name;
    return &space.AddWave(std::move(doc));
}

std::unique_ptr<Wave> silence(bool& failed, int32_t count) {
    auto w = Wave::create(failed, count);
    if (w && count > 0) std::memset(w->wave, 0, static_cast<std::size_t>(count) * sizeof(int16_t));
    return w;
}

// The one channel a merge takes from a source: its mono conversion at `freq`.
std::unique_ptr<Wave> monoChannelAt(bool& failed, const Sound& sound, int32_t freq) {
    auto converted = ConvertSound(failed, sound, 1, freq, sound.BytesPSample);
    if (!converted) return nullptr;
    auto* mono = static_cast<MonoSound*>(converted.get());
    return std::move(mono->WaveMiddle);
}

// `w` brought to `length` samples by the merge's length rule; `longer` is
// the other channel's length.
std::unique_ptr<Wave> padded(bool& failed, std::unique_ptr<Wave> w, int32_t length, bool atBegin) {
    int32_t b = atBegin ? 0 : w->values, e = b;
    return w->insertSilence(failed, length - w->values, b, e);
}

std::unique_ptr<Wave> resampledTo(bool& failed, std::unique_ptr<Wave> w, int32_t length) {
    int32_t b = 0, e = w->values;
    return w->stretch(failed, length, false, b, e);
}

}  // namespace

bool CanSplitHorizontally(const TUnitWave& doc) { return doc.SelBegin() > 0 && doc.SelEnd() < doc.GetValues() - 1; }

std::vector<std::pair<int32_t, int32_t>> SplitHorParts(const TUnitWave& doc, const TSplitHorProps& props) {
    int32_t b = doc.SelBegin(), e = doc.SelEnd(), n = doc.GetValues();
    if (b == e) return {{0, b}, {b, n}};
    switch (props.Result) {
        case 1:
            return {{0, e}, {b, n}};
        case 2:
            return {{0, b}, {e, n}};
        default:
            return {{0, b}, {b, e}, {e, n}};
    }
}

std::vector<TUnitWave*> SplitHorizontally(TWorkspace& space, const TUnitWave& doc, const TSplitHorProps& props) {
    bool failed = false;
    std::vector<std::unique_ptr<Sound>> parts;
    for (auto [b, e] : SplitHorParts(doc, props)) {
        auto part = doc.TheSound->Extract(failed, b, e);
        if (!part) return {};
        parts.push_back(std::move(part));
    }
    std::vector<TUnitWave*> made;
    for (auto& part : parts) made.push_back(addNewDocument(space, std::move(part)));
    return made;
}

std::vector<TUnitWave*> SplitVertically(TWorkspace& space, const TUnitWave& doc) {
    const Sound& s = *doc.TheSound;
    if (s.MoSt != 2) return {};
    bool failed = false;
    auto left = Wave::copy(failed, s.GetLeft());
    auto right = left ? Wave::copy(failed, s.GetRight()) : nullptr;
    if (!left || !right) return {};
    std::vector<TUnitWave*> made;
    for (auto* w : {&left, &right}) {
        TUnitWave* d = addNewDocument(space, std::make_unique<MonoSound>(std::move(*w), s.Freq, s.BytesPSample));
        d->FirstSel = doc.FirstSel;
        d->SecondSel = doc.SecondSel;
        made.push_back(d);
    }
    return made;
}

namespace {
int32_t preselectedFrequency(int32_t a, int32_t b) {
    if (a == b) return a;
    int32_t higher = std::max(a, b);
    for (int32_t f : kMergeFrequencies)
        if (f == higher) return higher;
    return kMergeFrequencies[0];
}
}  // namespace

TMergeHorProps MergeHorDefaults(const TUnitWave& first, const TUnitWave& last) {
    TMergeHorProps p;
    p.Channels = first.GetMoSt() == last.GetMoSt() ? first.GetMoSt() : 2;
    p.Frequency = preselectedFrequency(first.GetFreq(), last.GetFreq());
    p.BytesPSample = first.GetBytesPSample() == last.GetBytesPSample() ? first.GetBytesPSample() : 2;
    return p;
}

TMergeVertProps MergeVertDefaults(const TUnitWave& left, const TUnitWave& right) {
    TMergeVertProps p;
    p.Frequency = preselectedFrequency(left.GetFreq(), right.GetFreq());
    p.BytesPSample = left.GetBytesPSample() == right.GetBytesPSample() ? left.GetBytesPSample() : 2;
    return p;
}

std::unique_ptr<Sound> ConvertSound(bool& failed, const Sound& sound, int16_t channels, int32_t freq,
                                    int16_t bytesPSample) {
    if (failed) return nullptr;
    std::unique_ptr<Sound> made;
    auto current = [&]() -> const Sound& { return made ? *made : sound; };
    if (channels == 1 && sound.MoSt == 2) {
        made = MonoSound::From(failed, sound);
        if (!made) return nullptr;
    }
    if (freq != current().Freq) {
        auto changed = current().ChangeFreq(failed, freq);
        if (!changed) return nullptr;
        made = std::move(changed);
    }
    if (channels == 2 && current().MoSt == 1) {
        made = StereoSound::From(failed, current());
        if (!made) return nullptr;
    }
    if (!made) {
        made = sound.PerChannel(failed, [](bool& f, int, const Wave& w) { return Wave::copy(f, w); });
        if (!made) return nullptr;
    }
    made->BytesPSample = bytesPSample;
    return made;
}

TUnitWave* MergeHorizontally(TWorkspace& space, const TUnitWave& first, const TUnitWave& last,
                             const TMergeHorProps& props) {
    bool failed = false;
    auto a = ConvertSound(failed, *first.TheSound, props.Channels, props.Frequency, props.BytesPSample);
    auto b = a ? ConvertSound(failed, *last.TheSound, props.Channels, props.Frequency, props.BytesPSample) : nullptr;
    if (!a || !b) return nullptr;
    int32_t at = a->GetValues();
    auto joined = a->Replace(failed, *b, at, at);
    if (!joined) return nullptr;
    return addNewDocument(space, std::move(joined));
}

TUnitWave* MergeVertically(TWorkspace& space, const TUnitWave& left, const TUnitWave& right,
                           const TMergeVertProps& props) {
    bool failed = false;
    auto l = monoChannelAt(failed, *left.TheSound, props.Frequency);
    auto r = l ? monoChannelAt(failed, *right.TheSound, props.Frequency) : nullptr;
    if (!l || !r) return nullptr;
    if (l->values != r->values) {
        std::unique_ptr<Wave>& shorter = l->values < r->values ? l : r;
        std::unique_ptr<Wave>& longer = l->values < r->values ? r : l;
        switch (props.LengthRule) {
            case 0:
            case 1:
                shorter = padded(failed, std::move(shorter), longer->values, props.LengthRule == 0);
                break;
            case 2:
                shorter = shorter->values == 0 ? silence(failed, longer->values)
                                               : resampledTo(failed, std::move(shorter), longer->values);
                break;
            default:
                if (shorter->values == 0) {
                    longer = Wave::create(failed, 0);
                } else {
                    longer = resampledTo(failed, std::move(longer), shorter->values);
                }
                break;
        }
        if (!l || !r) return nullptr;
    }
    auto sound = std::make_unique<StereoSound>(std::move(l), std::move(r), props.Frequency, props.BytesPSample);
    return addNewDocument(space, std::move(sound));
}

}  // namespace korvane
