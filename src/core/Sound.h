#pragma once

#include <cstdint>
#include <memory>
#include <ostream>

#include "core/Assert.h"
#include "core/Wave.h"

namespace korvane {

// A channel handed out by a getter: either one of the sound's own waves
// (copy() false) or a new wave made for the caller (copy() true), which is
// freed with the handle.
class WaveHandle {
public:
    WaveHandle() = default;
    explicit WaveHandle(const Wave* borrowed) : wave_(borrowed) {}
    explicit WaveHandle(std::unique_ptr<Wave> made) : owned_(std::move(made)), wave_(owned_.get()) {}

    const Wave* get() const { return wave_; }
    const Wave& operator*() const { return *wave_; }
    const Wave* operator->() const { return wave_; }
    explicit operator bool() const { return wave_ != nullptr; }
    bool copy() const { return owned_ != nullptr; }
    std::unique_ptr<Wave> release() { wave_ = nullptr; return std::move(owned_); }

private:
    std::unique_ptr<Wave> owned_;
    const Wave* wave_ = nullptr;
};

// ---- generators ----
// One partial of a frequency mixture as the user gives it: the amplitude is
// multiplied by `volumeFactor` every `seconds` seconds.
struct MultiFreqSoundRow {
    double volume = 1;
    double periodSeconds = 1;
    double startAngle = 0;
    double volumeFactor = 1;
    double seconds = 1;
};
// ---- end generators ----

// One or two 16-bit channels with the sample frequency and the sample width
// used when written to a file. Editing, generating and effect operations
// return a new sound of the same class and leave this one unchanged, so a
// document can keep the old one for undo; the few in-place ones say so.
//
// Operations return null when the failure flag is set (on entry or during the
// work); the caller tests the flag.
class Sound {
public:
    int16_t MoSt;
    int32_t Freq;
    int16_t BytesPSample;
    bool ProtectWave = false;

    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
    virtual ~Sound() = default;

    virtual void Dump(std::ostream& out) const = 0;
    int32_t GetValues() const { return Channel(0).values; }
    double GetSeconds() const { return static_cast<double>(GetValues()) / Freq; }
    void Protect(bool protect = true) { ProtectWave = protect; }
    int16_t GetBytesPSample() const { return BytesPSample; }

    // Channel access.
    int Channels() const { return MoSt; }
    virtual const Wave& Channel(int index) const = 0;
    virtual Wave& Channel(int index) = 0;
    virtual WaveHandle GetMiddle(bool& failed) const = 0;
    const Wave& GetLeft() const { return Channel(0); }
    const Wave& GetRight() const { return Channel(MoSt - 1); }
    WaveHandle GetMiddleAt(bool& failed, double freq) const;
    WaveHandle GetLeftAt(bool& failed, double freq) const;
    WaveHandle GetRightAt(bool& failed, double freq) const;
    WaveHandle GetMiddleAtFreq(bool& failed, double freq) const { return GetMiddleAt(failed, freq); }
    std::unique_ptr<Wave> CopyMiddle(bool& failed, double freq) const;
    std::unique_ptr<Wave> CopyLeft(bool& failed, double freq) const;
    std::unique_ptr<Wave> CopyRight(bool& failed, double freq) const;
    // The channel of `other` that mixes into channel `index` of this sound,
    // at this sound's frequency: a mono sound takes the other's middle, a
    // stereo sound its left and right.
    WaveHandle OtherChannelAt(bool& failed, const Sound& other, int index) const;

    // The value at a relative position 0..1, mapped so that -32768 gives min
    // and 32767 gives max (a stereo sound takes the mean of both channels).
    virtual double GetValueAt(bool& failed, double position, double max, double min) const = 0;

    std::unique_ptr<Sound> ChangeFreq(bool& failed, double newFreq) const;
    std::unique_ptr<Sound> MakeSilence(bool& failed, int32_t count) const;
    void DrawLine(bool& failed, int32_t begin, double beginValue, int32_t end, double endValue);  // in place
    std::unique_ptr<Sound> Stretch(bool& failed, double factor) const;
    std::unique_ptr<Sound> MixEndingAt(bool& failed, const Sound& other, int64_t position, int32_t count,
                                       bool fromEnd) const;
    std::unique_ptr<Sound> MixAt(bool& failed, const Sound& other, int64_t position, int32_t count,
                                 bool fromEnd) const;
    std::unique_ptr<Sound> MixStretched(bool& failed, const Sound& other, int32_t begin, int32_t end) const;
    void AddScaledAtSeconds(bool& failed, const Sound& other, double seconds, double factor);  // in place
    void AddScaledAfter(bool& failed, const Sound& other, int32_t after, double factor);       // in place
    int32_t AddAfter(bool& failed, const Sound& other, int32_t after);                         // in place
    void MixCycleAfterThis(bool& failed, const Sound& other, int32_t after);                   // in place
    std::unique_ptr<Sound> Delete(bool& failed, int32_t begin, int32_t end) const;
    std::unique_ptr<Sound> MakeEmpty() const;
    std::unique_ptr<Sound> Extract(bool& failed, int32_t begin, int32_t end) const;
    std::unique_ptr<Sound> Replace(bool& failed, const Sound& other, int32_t begin, int32_t end) const;

    // The generators (Sound slots that insert new material).
    std::unique_ptr<Sound> InsertSilence(bool& failed, double seconds, int32_t& begin, int32_t& end) const;

    // ---- generators ----
    // Each runs its Wave generator on every channel over the in/out range.
    // `firstValue` to `lastValue` over (Freq * seconds + 1) samples.
    std::unique_ptr<Sound> InsertLine(bool& failed, double firstValue, double lastValue, double seconds,
                                      bool exponential, int32_t& begin, int32_t& end) const;
    // The second height is the level at phase 0, the first the level at the
    // middle; (Freq * lengthSeconds) samples.
    std::unique_ptr<Sound> InsertBlockTriangle(bool& failed, double firstHeight, double secondHeight,
                                               double periodSeconds, double middle, double lengthSeconds, double start,
                                               bool triangle, int32_t& begin, int32_t& end) const;
    // The middle comes from `envelope`: its middle for a mono sound, its left
    // and right channel for the left and right of a stereo sound.
    std::unique_ptr<Sound> InsertBlockTriangleEnvelope(bool& failed, double firstHeight, double secondHeight,
                                                       double periodSeconds, const Sound& envelope,
                                                       double lengthSeconds, double start, bool triangle,
                                                       int32_t& begin, int32_t& end) const;
    std::unique_ptr<Sound> InsertSinus(bool& failed, double maximum, double minimum, double periodSeconds,
                                       double periods, double startAngle, int32_t& begin, int32_t& end) const;
    // (Freq * seconds) samples; the left channel takes the first random values.
    std::unique_ptr<Sound> InsertNoise(bool& failed, double amplitude, double seconds, int32_t& begin,
                                       int32_t& end) const;
    // Partials of the sine table, the same in both channels.
    std::unique_ptr<Sound> InsertMultiFreq(bool& failed, double lengthSeconds, std::span<const MultiFreqSoundRow> rows,
                                           int32_t& begin, int32_t& end) const;
    // Partials of `form`: its middle for a mono sound, its left and right
    // channel for a stereo sound.
    std::unique_ptr<Sound> InsertMultiFreqForm(bool& failed, double lengthSeconds, const Sound& form,
                                               std::span<const MultiFreqSoundRow> rows, int32_t& begin,
                                               int32_t& end) const;
    // ---- end generators ----

    // A new sound of this class, frequency and width from one wave per channel.
    std::unique_ptr<Sound> MakeLike(bool& failed, std::unique_ptr<Wave> first,
                                    std::unique_ptr<Wave> second = nullptr) const;

    // Runs a wave operation on every channel, left first, each with its own
    // copy of the in/out range, and builds a sound of this class from the
    // results. The channels must report the same range. Null when the flag is
    // set afterwards. op(failed, channelIndex, channel, begin, end) -> wave.
    template <class Op>
    std::unique_ptr<Sound> PerChannel(bool& failed, int32_t& begin, int32_t& end, Op&& op) const {
        if (failed) return nullptr;
        std::unique_ptr<Wave> out[2];
        int32_t b0 = begin, e0 = end;
        for (int i = 0; i < MoSt; ++i) {
            int32_t b = b0, e = e0;
            out[i] = op(failed, i, Channel(i), b, e);
            if (failed || !out[i]) {
                failed = true;
                return nullptr;
            }
            if (i == 0) {
                begin = b;
                end = e;
            } else {
                int32_t begin2 = b, end2 = e;
                KORVANE_ASSERT(begin == begin2);
                KORVANE_ASSERT(end == end2);
            }
        }
        return MakeLike(failed, std::move(out[0]), std::move(out[1]));
    }
    template <class Op>
    std::unique_ptr<Sound> PerChannel(bool& failed, Op&& op) const {
        int32_t b = 0, e = 0;
        return PerChannel(failed, b, e, [&](bool& f, int i, const Wave& w, int32_t&, int32_t&) { return op(f, i, w); });
    }

protected:
    Sound(int16_t moSt, int32_t freq, int16_t bytesPSample) : MoSt(moSt), Freq(freq), BytesPSample(bytesPSample) {}
};

class MonoSound : public Sound {
public:
    std::unique_ptr<Wave> WaveMiddle;

    MonoSound(int32_t freq, int16_t bytesPSample);
    MonoSound(std::unique_ptr<Wave> wave, int32_t freq, int16_t bytesPSample);
    ~MonoSound() override;
    // Conversion from any sound (a stereo sound is averaged). Null on failure.
    static std::unique_ptr<MonoSound> From(bool& failed, const Sound& other);

    void Dump(std::ostream& out) const override;
    const Wave& Channel(int index) const override;
    Wave& Channel(int index) override;
    WaveHandle GetMiddle(bool& failed) const override;
    double GetValueAt(bool& failed, double position, double max, double min) const override;
};

class StereoSound : public Sound {
public:
    std::unique_ptr<Wave> WaveLeft;
    std::unique_ptr<Wave> WaveRight;

    StereoSound(int32_t freq, int16_t bytesPSample);
    StereoSound(std::unique_ptr<Wave> left, std::unique_ptr<Wave> right, int32_t freq, int16_t bytesPSample);
    ~StereoSound() override;
    // Conversion from any sound (a mono sound goes to both channels). Null on failure.
    static std::unique_ptr<StereoSound> From(bool& failed, const Sound& other);

    void Dump(std::ostream& out) const override;
    const Wave& Channel(int index) const override;
    Wave& Channel(int index) override;
    WaveHandle GetMiddle(bool& failed) const override;
    double GetValueAt(bool& failed, double position, double max, double min) const override;
};

}  // namespace korvane
