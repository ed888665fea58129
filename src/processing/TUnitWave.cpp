#include "processing/TUnitWave.h"

#include <algorithm>

#include "core/Assert.h"
#include "core/Sample.h"
#include "platform/LongWork.h"

namespace korvane {

namespace {

std::unique_ptr<Sound> emptySound(const WaveFileProps& props) {
    const WaveFileProps* waveFileProps = &props;
    KORVANE_ASSERT(waveFileProps->MonoStereo == 1 || waveFileProps->MonoStereo == 2);
    KORVANE_ASSERT(waveFileProps->BytesPSample == 1 || waveFileProps->BytesPSample == 2);
    if (props.MonoStereo == 1) return std::make_unique<MonoSound>(props.SampleFreq, props.BytesPSample);
    return std::make_unique<StereoSound>(props.SampleFreq, props.BytesPSample);
}

}  // namespace

TUnitWave::TUnitWave(const WaveFileProps& props, const std::string& fileName)
    : TUnit(unitKindWave), TheSound(emptySound(props)) {
    FileName = fileName;
    State = unitStateNew;
}

TUnitWave::TUnitWave(std::unique_ptr<Sound> sound, const std::string& fileName)
    : TUnit(unitKindWave), TheSound(std::move(sound)) {
    KORVANE_ASSERT(TheSound != NULL);
    FileName = fileName;
    State = unitStateSaved;
}

bool TUnitWave::NeedsSaving() const { return HasSamples() && State != unitStateSaved; }

bool TUnitWave::SaveAs(const std::string& fileName, bool temporary) {
    return WriteWaveFile(Failed, fileName, *TheSound, 0, TheSound->GetValues(), temporary);
}

int32_t TUnitWave::GetFreq() const { return TheSound->Freq; }
int16_t TUnitWave::GetMoSt() const { return TheSound->MoSt; }
int16_t TUnitWave::GetBytesPSample() const {
    KORVANE_ASSERT(TheSound != NULL);
    return TheSound->BytesPSample;
}

WaveFileProps TUnitWave::GetProps() const {
    WaveFileProps p;
    p.SampleFreq = GetFreq();
    p.MonoStereo = GetMoSt();
    p.BytesPSample = GetBytesPSample();
    return p;
}

double TUnitWave::SelectionSeconds() const {
    int32_t length = HasSelection() ? SelEnd() - SelBegin() : GetValues();
    return static_cast<double>(length) / GetFreq();
}

std::shared_ptr<Sound> TUnitWave::ExchangeSound(std::shared_ptr<Sound> sound) {
    std::swap(TheSound, sound);
    return sound;
}

int32_t TUnitWave::Limit(int32_t position) const { return std::clamp<int32_t>(position, 0, GetValues()); }

void TUnitWave::ChangeSelection(int32_t first, int32_t second) {
    int32_t oldBegin = SelBegin(), oldEnd = SelEnd();
    FirstSel = first;
    SecondSel = second;
    if (Window) Window->SelectionChanged(oldBegin, oldEnd, SelBegin(), SelEnd());
}

void TUnitWave::SetCursor(int32_t position) {
    position = Limit(position);
    ChangeSelection(position, position);
}

void TUnitWave::SetFirstEnd(int32_t position) { ChangeSelection(Limit(position), SecondSel); }
void TUnitWave::SetSecondEnd(int32_t position) { ChangeSelection(FirstSel, Limit(position)); }

void TUnitWave::SetRange(int32_t begin, int32_t end) {
    begin = Limit(begin);
    end = Limit(end);
    KORVANE_ASSERT(begin <= end);
    // The end the user is dragging stays the one that moves.
    if (FirstSel > SecondSel) {
        ChangeSelection(end, begin);
    } else {
        ChangeSelection(begin, end);
    }
}

void TUnitWave::EditRange(int32_t& begin, int32_t& end) const {
    if (HasSelection()) {
        begin = SelBegin();
        end = SelEnd();
    } else {
        begin = 0;
        end = GetValues();
    }
}

void TUnitWave::InsertRange(int32_t& begin, int32_t& end) const {
    begin = SelBegin();
    end = SelEnd();
}

void TUnitWave::Install(std::unique_ptr<Sound> sound) { TheSound = std::shared_ptr<Sound>(std::move(sound)); }

bool TUnitWave::Run(bool insert, const SoundOp& op) {
    int32_t begin, end;
    if (insert) {
        InsertRange(begin, end);
    } else {
        EditRange(begin, end);
    }
    if (Window) Window->RangeAboutToChange(begin, end);
    std::unique_ptr<Sound> result;
    if (!Failed && !RunLongWork([&] { result = op(Failed, *TheSound, begin, end); }, Failed)) {
        // Cancelled: the flag was the cancel's, not a failed allocation's.
        Failed = false;
        result.reset();
    }
    if (Failed || !result) {
        // The document keeps its sound; a result made before the failure is dropped.
        if (Window) Window->Repaint();
        return false;
    }
    Install(std::move(result));
    if (begin == end) {
        SetCursor(begin);
    } else {
        ChangeSelection(begin, end);
    }
    if (Window) Window->Repaint();
    return true;
}

bool TUnitWave::RunOnEditRange(const SoundOp& op) { return Run(false, op); }
bool TUnitWave::RunOnInsertRange(const SoundOp& op) { return Run(true, op); }

bool TUnitWave::EditDelete() {
    return RunOnEditRange([](bool& failed, const Sound& s, int32_t& b, int32_t& e) {
        auto r = s.Delete(failed, b, e);
        e = b;
        return r;
    });
}

bool TUnitWave::EditTrim() {
    return RunOnEditRange([](bool& failed, const Sound& s, int32_t& b, int32_t& e) {
        auto r = s.Extract(failed, b, e);
        e = e - b;
        b = 0;
        return r;
    });
}

bool TUnitWave::EditCopy(std::unique_ptr<Sound>& clipboard) {
    if (Failed) return false;
    int32_t b, e;
    EditRange(b, e);
    auto extract = TheSound->Extract(Failed, b, e);
    if (Failed || !extract) return false;
    clipboard = std::move(extract);
    return true;
}

bool TUnitWave::EditCut(std::unique_ptr<Sound>& clipboard) {
    if (Failed) return false;
    int32_t b, e;
    EditRange(b, e);
    auto extract = TheSound->Extract(Failed, b, e);
    if (Failed || !extract) return false;
    if (!EditDelete()) return false;
    clipboard = std::move(extract);
    return true;
}

namespace {
// The clipboard's length at the document's frequency.
int32_t convertedLength(const Sound& clip, int32_t freq) {
    return truncToInt32(clip.GetValues() * (static_cast<double>(freq) / clip.Freq));
}
}  // namespace

bool TUnitWave::EditPaste(const Sound& clipboard) {
    int32_t length = convertedLength(clipboard, GetFreq());
    return RunOnInsertRange([&](bool& failed, const Sound& s, int32_t& b, int32_t& e) {
        auto r = s.Replace(failed, clipboard, b, e);
        e = b + length;
        return r;
    });
}

bool TUnitWave::EditSwap(std::unique_ptr<Sound>& clipboard) {
    if (Failed || !clipboard) return false;
    int32_t b, e;
    InsertRange(b, e);
    auto extract = TheSound->Extract(Failed, b, e);
    if (Failed || !extract) return false;
    if (!EditPaste(*clipboard)) return false;
    clipboard = std::move(extract);
    return true;
}

bool TUnitWave::EditExtract(std::unique_ptr<Sound>& clipboard) {
    if (Failed) return false;
    int32_t b, e;
    EditRange(b, e);
    auto extract = TheSound->Extract(Failed, b, e);
    if (Failed || !extract) return false;
    std::unique_ptr<Sound> silenced;
    if (e > b) {
        silenced = TheSound->PerChannel(Failed, [](bool& f, int, const Wave& w) { return Wave::copy(f, w); });
        if (Failed || !silenced) return false;
        silenced->DrawLine(Failed, b, 0, e, 0);
    }
    clipboard = std::move(extract);
    if (silenced) Install(std::move(silenced));
    if (Window) Window->Repaint();
    return true;
}

bool TUnitWave::EditMix(const Sound& clipboard, MixAlign align) {
    if (Failed) return false;
    int32_t b, e;
    std::unique_ptr<Sound> mixed;
    switch (align) {
        case MixAlign::Begin:
            InsertRange(b, e);
            mixed = TheSound->MixAt(Failed, clipboard, b, HasSelection() ? e - b : -1, false);
            break;
        case MixAlign::End:
            InsertRange(b, e);
            mixed = TheSound->MixEndingAt(Failed, clipboard, e, HasSelection() ? e - b : -1, true);
            break;
        case MixAlign::Stretch:
            EditRange(b, e);
            if (e <= b) return false;
            mixed = TheSound->MixStretched(Failed, clipboard, b, e);
            break;
    }
    if (Failed || !mixed) return false;
    Install(std::move(mixed));
    if (Window) Window->Repaint();
    return true;
}

void TUnitWave::ChangeProperties(const WaveFileProps& oldProps, const WaveFileProps& newProps) {
    if (Failed) return;
    if (oldProps.MonoStereo != newProps.MonoStereo && Window) Window->ChannelsChanged(newProps.MonoStereo);
    std::unique_ptr<Sound> made;
    auto current = [&]() -> Sound& { return made ? *made : *TheSound; };
    if (newProps.MonoStereo == 1 && oldProps.MonoStereo == 2) {
        made = MonoSound::From(Failed, *TheSound);
        if (!made) return;
    }
    if (newProps.BytesPSample != oldProps.BytesPSample && !made) {
        // The width is changed on a copy, not on the document's own sound: the
        // undo step shares that sound and must give the old width back.
        made = TheSound->PerChannel(Failed, [](bool& f, int, const Wave& w) { return Wave::copy(f, w); });
        if (!made) return;
    }
    if (newProps.BytesPSample < oldProps.BytesPSample) current().BytesPSample = 1;
    if (newProps.BytesPSample > oldProps.BytesPSample) current().BytesPSample = 2;
    int32_t first = FirstSel, second = SecondSel;
    if (newProps.SampleFreq != oldProps.SampleFreq) {
        auto changed = current().ChangeFreq(Failed, newProps.SampleFreq);
        if (!changed) return;
        made = std::move(changed);
        double factor = static_cast<double>(newProps.SampleFreq) / oldProps.SampleFreq;
        first = truncToInt32(FirstSel * factor);
        second = truncToInt32(SecondSel * factor);
    }
    if (newProps.MonoStereo == 2 && oldProps.MonoStereo == 1) {
        auto stereo = StereoSound::From(Failed, current());
        if (!stereo) return;
        made = std::move(stereo);
    }
    if (made && !Failed) {
        Install(std::move(made));
        ChangeSelection(first, second);
        if (Window) Window->Repaint();
    }
}

std::string TUnitWave::FrequencyText() const {
    // Whole kilohertz and three decimals from the integer, so nothing rounds.
    int64_t f = GetFreq();
    std::string sign = f < 0 ? "-" : "";
    if (f < 0) f = -f;
    std::string decimals = std::to_string(f % 1000);
    decimals.insert(0, 3 - decimals.size(), '0');
    return sign + std::to_string(f / 1000) + "." + decimals + " kHz";
}

std::string TUnitWave::BitsText() const { return GetBytesPSample() == 2 ? "16" : "8"; }
std::string TUnitWave::ChannelsText() const { return GetMoSt() == 2 ? "ST" : "MO"; }

}  // namespace korvane
