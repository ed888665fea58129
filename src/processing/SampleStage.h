#pragma once

#include <cstdint>

namespace korvane {

// An effect that goes through a sound once, from its first sample to its
// last, each result depending on the samples up to it alone: it can run over
// the sound block after block while the sound is read, carrying from one block
// to the next what it must. Every way of cutting the sound into blocks gives
// the bytes the effect gives on the whole sound.
class TSampleStage {
public:
    virtual ~TSampleStage() = default;
    // The next `count` samples of each channel, changed in place; `right` is
    // null for a mono sound.
    virtual void Run(int16_t* left, int16_t* right, int64_t count) = 0;
    // Each sample is changed by itself, the same way in every channel: the
    // stage may be run over both channels' samples as one channel.
    virtual bool EverySampleAlone() const { return false; }
};

}  // namespace korvane
