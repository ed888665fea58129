#include "core/Sound.h"

#include <new>

#include "core/Allocation.h"
#include "core/Sample.h"

namespace korvane {

namespace {

// Brings a channel to another frequency; the own frequency hands the channel
// itself out.
WaveHandle atFreq(bool& failed, WaveHandle channel, double ownFreq, double freq) {
    if (failed || !channel) return WaveHandle();
    if (freq == ownFreq) return channel;
    auto resampled = channel->resample(failed, freq / ownFreq);
    if (!resampled) return WaveHandle();
    return WaveHandle(std::move(resampled));
}

std::unique_ptr<Wave> ownCopy(bool& failed, WaveHandle handle) {
    if (failed || !handle) return nullptr;
    if (handle.copy()) return handle.release();
    return Wave::copy(failed, *handle);
}

template <class T, class... Args>
std::unique_ptr<T> makeOrFail(bool& failed, Args&&... args) {
    std::unique_ptr<T> p(new (std::nothrow) T(std::forward<Args>(args)...));
    if (!p) {
        failed = true;
        reportOutOfMemory();
    }
    return p;
}

}  // namespace

WaveHandle Sound::GetMiddleAt(bool& failed, double freq) const { return atFreq(failed, GetMiddle(failed), Freq, freq); }
WaveHandle Sound::GetLeftAt(bool& failed, double freq) const { return atFreq(failed, WaveHandle(&GetLeft()), Freq, freq); }
WaveHandle Sound::GetRightAt(bool& failed, double freq) const {
    return atFreq(failed, WaveHandle(&GetRight()), Freq, freq);
}

std::unique_ptr<Wave> Sound::CopyMiddle(bool& failed, double freq) const {
    return ownCopy(failed, GetMiddleAt(failed, freq == 0 ? Freq : freq));
}
std::unique_ptr<Wave> Sound::CopyLeft(bool& failed, double freq) const {
    return ownCopy(failed, GetLeftAt(failed, freq == 0 ? Freq : freq));
}
std::unique_ptr<Wave> Sound::CopyRight(bool& failed, double freq) const {
    return ownCopy(failed, GetRightAt(failed, freq == 0 ? Freq : freq));
}

WaveHandle Sound::OtherChannelAt(bool& failed, const Sound& other, int index) const {
    if (MoSt == 1) return other.GetMiddleAt(failed, Freq);
    return index == 0 ? other.GetLeftAt(failed, Freq) : other.GetRightAt(failed, Freq);
}

std::unique_ptr<Sound> Sound::MakeLike(bool& failed, std::unique_ptr<Wave> first, std::unique_ptr<Wave> second) const {
    if (failed) return nullptr;
    std::unique_ptr<Sound> result;
    if (MoSt == 1) {
        result = makeOrFail<MonoSound>(failed, std::move(first), Freq, BytesPSample);
    } else {
        result = makeOrFail<StereoSound>(failed, std::move(first), std::move(second), Freq, BytesPSample);
    }
    return result;
}

std::unique_ptr<Sound> Sound::ChangeFreq(bool& failed, double newFreq) const {
    auto result = PerChannel(failed, [&](bool& f, int, const Wave& w) {
        return w.values == 0 ? Wave::create(f, 0) : w.resample(f, newFreq / Freq);
    });
    if (result) result->Freq = truncToInt32(newFreq);
    return result;
}

std::unique_ptr<Sound> Sound::MakeSilence(bool& failed, int32_t count) const {
    return PerChannel(failed, [&](bool& f, int, const Wave& w) {
        int32_t b = 0, e = w.values;
        return w.insertSilence(f, count, b, e);
    });
}

void Sound::DrawLine(bool& failed, int32_t begin, double beginValue, int32_t end, double endValue) {
    if (failed) return;
    for (int i = 0; i < MoSt; ++i) Channel(i).drawLine(begin, beginValue, end, endValue);
}

std::unique_ptr<Sound> Sound::Stretch(bool& failed, double factor) const {
    return PerChannel(failed, [&](bool& f, int, const Wave& w) { return w.resample(f, factor); });
}

std::unique_ptr<Sound> Sound::MixEndingAt(bool& failed, const Sound& other, int64_t position, int32_t count,
                                          bool fromEnd) const {
    return PerChannel(failed, [&](bool& f, int i, const Wave& w) -> std::unique_ptr<Wave> {
        WaveHandle o = OtherChannelAt(f, other, i);
        if (!o) return nullptr;
        return w.mixEndingAt(f, *o, position, count, fromEnd);
    });
}

std::unique_ptr<Sound> Sound::MixAt(bool& failed, const Sound& other, int64_t position, int32_t count,
                                    bool fromEnd) const {
    return PerChannel(failed, [&](bool& f, int i, const Wave& w) -> std::unique_ptr<Wave> {
        WaveHandle o = OtherChannelAt(f, other, i);
        if (!o) return nullptr;
        return w.mixAt(f, *o, position, count, fromEnd);
    });
}

std::unique_ptr<Sound> Sound::MixStretched(bool& failed, const Sound& other, int32_t begin, int32_t end) const {
    if (failed) return nullptr;
    int32_t values = GetValues();
    end = end == -1 ? values : end;
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin < end);
    return PerChannel(failed, [&](bool& f, int i, const Wave& w) -> std::unique_ptr<Wave> {
        WaveHandle o = OtherChannelAt(f, other, i);
        if (!o) return nullptr;
        auto result = Wave::copy(f, w);
        if (!result) return nullptr;
        double n = o->values;
        double span = static_cast<double>(end) - begin + 1;
        forChunks(f, begin, end, [&](int64_t a, int64_t b) {
            for (int64_t idx = a; idx < b; ++idx) {
                double k = static_cast<double>(idx - begin);
                result->wave[idx] = toSample(w.wave[idx] + o->readAt(k * (n - 1) / span));
            }
        });
        return result;
    });
}

void Sound::AddScaledAtSeconds(bool& failed, const Sound& other, double seconds, double factor) {
    AddScaledAfter(failed, other, truncToInt32(Freq * seconds), factor);
}

void Sound::AddScaledAfter(bool& failed, const Sound& other, int32_t after, double factor) {
    for (int i = 0; i < MoSt && !failed; ++i) {
        WaveHandle o = OtherChannelAt(failed, other, i);
        if (o) Channel(i).addScaledAfter(failed, *o, after, factor);
    }
}

int32_t Sound::AddAfter(bool& failed, const Sound& other, int32_t after) {
    int32_t stopped = 0;
    for (int i = 0; i < MoSt && !failed; ++i) {
        WaveHandle o = OtherChannelAt(failed, other, i);
        if (!o) continue;
        int32_t s = Channel(i).addAfter(failed, *o, after);
        if (i == 0) stopped = s;
    }
    return stopped;
}

void Sound::MixCycleAfterThis(bool& failed, const Sound& other, int32_t after) {
    for (int i = 0; i < MoSt && !failed; ++i) {
        WaveHandle o = OtherChannelAt(failed, other, i);
        if (o) Channel(i).mixCycleAfter(failed, *o, after);
    }
}

std::unique_ptr<Sound> Sound::Delete(bool& failed, int32_t begin, int32_t end) const {
    return PerChannel(failed, [&](bool& f, int, const Wave& w) {
        int32_t e = w.resolveEnd(end);
        if (begin == e) return Wave::copy(f, w);
        return w.remove(f, begin, e);
    });
}

std::unique_ptr<Sound> Sound::MakeEmpty() const {
    bool failed = false;
    return PerChannel(failed, [&](bool& f, int, const Wave&) { return Wave::create(f, 0); });
}

std::unique_ptr<Sound> Sound::Extract(bool& failed, int32_t begin, int32_t end) const {
    return PerChannel(failed, [&](bool& f, int, const Wave& w) {
        int32_t e = w.resolveEnd(end);
        if (begin == e) return Wave::create(f, 0);
        return w.extract(f, begin, e);
    });
}

std::unique_ptr<Sound> Sound::Replace(bool& failed, const Sound& other, int32_t begin, int32_t end) const {
    return PerChannel(failed, [&](bool& f, int i, const Wave& w) -> std::unique_ptr<Wave> {
        WaveHandle o = OtherChannelAt(f, other, i);
        if (!o) return nullptr;
        return w.replace(f, *o, begin, end);
    });
}

std::unique_ptr<Sound> Sound::InsertSilence(bool& failed, double seconds, int32_t& begin, int32_t& end) const {
    int32_t count = truncToInt32(Freq * seconds + 1);
    return PerChannel(failed, begin, end, [&](bool& f, int, const Wave& w, int32_t& b, int32_t& e) {
        return w.insertSilence(f, count, b, e);
    });
}

// ---- MonoSound ----

MonoSound::MonoSound(int32_t freq, int16_t bytesPSample)
    : Sound(1, freq, bytesPSample), WaveMiddle(std::make_unique<Wave>()) {}

MonoSound::MonoSound(std::unique_ptr<Wave> wave, int32_t freq, int16_t bytesPSample)
    : Sound(1, freq, bytesPSample), WaveMiddle(wave ? std::move(wave) : std::make_unique<Wave>()) {}

MonoSound::~MonoSound() {
    // A protected sound's waves belong to someone else now.
    if (ProtectWave) (void)WaveMiddle.release();
}

std::unique_ptr<MonoSound> MonoSound::From(bool& failed, const Sound& other) {
    if (failed) return nullptr;
    std::unique_ptr<Wave> middle;
    if (other.GetValues() > 0) {
        middle = other.CopyMiddle(failed, 0);
        if (!middle) return nullptr;
    }
    return makeOrFail<MonoSound>(failed, std::move(middle), other.Freq, other.BytesPSample);
}

void MonoSound::Dump(std::ostream& out) const {
    out << "Sound.this = " << static_cast<const void*>(this) << "\nSound.MoSt = " << MoSt << "\nSound.Freq = " << Freq
        << "\nSound.ProtectWave = " << ProtectWave << "\nMonoSound.WaveMiddle = "
        << static_cast<const void*>(WaveMiddle.get()) << "\n";
}

const Wave& MonoSound::Channel(int) const { return *WaveMiddle; }
Wave& MonoSound::Channel(int) { return *WaveMiddle; }

WaveHandle MonoSound::GetMiddle(bool&) const { return WaveHandle(WaveMiddle.get()); }

double MonoSound::GetValueAt(bool& failed, double position, double max, double min) const {
    WaveHandle middle = GetMiddle(failed);
    bool copy = middle.copy();
    KORVANE_ASSERT(copy == false);
    double v = middle->readAt((GetValues() - 1) * position);
    return min + (v + 32768) / 65535 * (max - min);
}

// ---- StereoSound ----

StereoSound::StereoSound(int32_t freq, int16_t bytesPSample)
    : Sound(2, freq, bytesPSample), WaveLeft(std::make_unique<Wave>()), WaveRight(std::make_unique<Wave>()) {}

StereoSound::StereoSound(std::unique_ptr<Wave> left, std::unique_ptr<Wave> right, int32_t freq, int16_t bytesPSample)
    : Sound(2, freq, bytesPSample),
      WaveLeft(left ? std::move(left) : std::make_unique<Wave>()),
      WaveRight(right ? std::move(right) : std::make_unique<Wave>()) {
    const Wave* waveLeft = WaveLeft.get();
    const Wave* waveRight = WaveRight.get();
    KORVANE_ASSERT(waveLeft->getValues() == waveRight->getValues());
}

StereoSound::~StereoSound() {
    if (ProtectWave) {
        (void)WaveLeft.release();
        (void)WaveRight.release();
    }
}

std::unique_ptr<StereoSound> StereoSound::From(bool& failed, const Sound& other) {
    if (failed) return nullptr;
    std::unique_ptr<Wave> left, right;
    if (other.GetValues() > 0) {
        left = other.CopyLeft(failed, 0);
        right = other.CopyRight(failed, 0);
        if (!left || !right) return nullptr;
    }
    return makeOrFail<StereoSound>(failed, std::move(left), std::move(right), other.Freq, other.BytesPSample);
}

void StereoSound::Dump(std::ostream& out) const {
    out << "Sound.this = " << static_cast<const void*>(this) << "\nSound.MoSt = " << MoSt << "\nSound.Freq = " << Freq
        << "\nSound.ProtectWave = " << ProtectWave << "\nStereoSound.WaveLeft = "
        << static_cast<const void*>(WaveLeft.get()) << "\nStereoSound.WaveRight = "
        << static_cast<const void*>(WaveRight.get()) << "\n";
}

const Wave& StereoSound::Channel(int index) const { return index == 0 ? *WaveLeft : *WaveRight; }
Wave& StereoSound::Channel(int index) { return index == 0 ? *WaveLeft : *WaveRight; }

WaveHandle StereoSound::GetMiddle(bool& failed) const {
    auto mean = WaveLeft->average(failed, *WaveRight);
    if (!mean) return WaveHandle();
    return WaveHandle(std::move(mean));
}

double StereoSound::GetValueAt(bool&, double position, double max, double min) const {
    double p = (GetValues() - 1) * position;
    double v = (WaveLeft->readAt(p) + WaveRight->readAt(p)) / 2;
    return min + (v + 32768) / 65535 * (max - min);
}

}  // namespace korvane
