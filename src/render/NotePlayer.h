#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Sound.h"
#include "music/NotePlayers.h"
#include "platform/WaveRegistry.h"

namespace korvane {

// What a one-player reads of its sample window: the sound, its sample
// frequency F and sample count N, and the selection [Begin, End) (the whole
// sound when nothing is selected).
struct TSampleWindow {
    const Sound* TheSound = nullptr;
    double F = 0;
    int32_t N = 0;
    int32_t Begin = 0;
    int32_t End = 0;
};

// "Cannot find window "NAME"."
std::string MissingWindowText(const std::string& name);

// Finds the open wave named `name`. When there is none, ok is cleared and
// error names the window.
bool LookupSampleWindow(const WaveRegistry& registry, const std::string& name, TSampleWindow& window, bool& ok,
                        std::string& error);

// The period a one-player plays: 1 / (1 / period + FreqUp).
double EffectivePeriod(const TOnePlayerProps& props, double period);

// The note players' three answers for one note. `period` is the note's
// period in seconds (already transposed), `length` its sounding length in
// whole notes and `tempo` seconds per whole note.
//
// A note the player cannot make (an empty sample, a resonant note above the
// sample frequency, a period not above 0, an unset kind) is silence: no sound
// and offsets of 0, ok untouched. A missing sample window clears ok and sets
// error. Sounds belong to the caller. The failure flag `stop` is handed to
// every sound operation; a set flag gives no sound.
class TNotePlayers {
public:
    explicit TNotePlayers(const WaveRegistry& registry) : Registry(registry) {}

    std::unique_ptr<Sound> GetSound(const TOnePlayer& player, bool& stop, double period, double length,
                                    double tempo, double& volume, bool& ok, std::string& error) const;
    double GetStartOffset(const TOnePlayer& player, double period, double length, double tempo, bool& ok,
                          std::string& error) const;
    double GetEndOffset(const TOnePlayer& player, double period, double length, double tempo, bool& ok,
                        std::string& error) const;

    // The one-players lined up on the note's onset, each mixed with its own
    // volume factor into a stereo sound of the music document's format (one
    // one-player's sound is passed through with its volume).
    std::unique_ptr<Sound> GetSound(const TCompoundPlayer& player, bool& stop, double period, double length,
                                    double tempo, double& volume, bool& ok, std::string& error) const;
    double GetStartOffset(const TCompoundPlayer& player, double period, double length, double tempo, bool& ok,
                          std::string& error) const;
    double GetEndOffset(const TCompoundPlayer& player, double period, double length, double tempo, bool& ok,
                        std::string& error) const;

private:
    const WaveRegistry& Registry;
};

}  // namespace korvane
