#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

class Sound;
class TUnitWave;
class TWorkspace;

// The records of the split and merge dialogs, kept by the main window.

struct TSplitHorProps {
    int Result = 0;  // 0 "Three parts", 1 "... both inclusive ...", 2 "... both exclusive ..."
};

// The frequencies the merge dialogs offer, in list order.
inline constexpr int32_t kMergeFrequencies[6] = {5512, 11025, 22050, 44100, 88200, 176128};

struct TMergeHorProps {
    int16_t Channels = 2;
    int32_t Frequency = 44100;
    int16_t BytesPSample = 2;
    int Display = 0;  // 0 first, 1 last
};

struct TMergeVertProps {
    // 0 silence at the begin of the shortest wave, 1 at its end, 2 stretch
    // the shortest wave, 3 stretch the longest.
    int LengthRule = 0;
    int32_t Frequency = 44100;
    int16_t BytesPSample = 2;
    int Display = 0;  // 0 left, 1 right
};

// Split and merge make new wave documents: named like a new document,
// marked new, starting from the records the workspace keeps. The sources are
// left as they are (the window closes them). On a failure (the memory
// message was shown) the result is empty or null and nothing was added.

// The parts [b, e) of Split Horizontally: with an empty selection the cut at
// the cursor, else by the chosen result, in order first, middle, last.
std::vector<std::pair<int32_t, int32_t>> SplitHorParts(const TUnitWave& doc, const TSplitHorProps& props);
// Whether Split Horizontally may run: a selection (or cursor) strictly
// inside the wave.
bool CanSplitHorizontally(const TUnitWave& doc);
std::vector<TUnitWave*> SplitHorizontally(TWorkspace& space, const TUnitWave& doc, const TSplitHorProps& props);
// A stereo wave gives its left and right channel as two mono documents, each
// with the source's selection.
std::vector<TUnitWave*> SplitVertically(TWorkspace& space, const TUnitWave& doc);

// What the merge dialogs preselect: for a property in which the two waves
// differ, stereo, the higher frequency (the first list entry when that is
// not in the list) and 16 bits; otherwise the first wave's value.
TMergeHorProps MergeHorDefaults(const TUnitWave& first, const TUnitWave& last);
TMergeVertProps MergeVertDefaults(const TUnitWave& left, const TUnitWave& right);

// A sound brought to other channels, frequency and sample width, in the
// order of the Properties conversion: to mono, to the new frequency, to stereo.
std::unique_ptr<Sound> ConvertSound(bool& failed, const Sound& sound, int16_t channels, int32_t freq,
                                    int16_t bytesPSample);

TUnitWave* MergeHorizontally(TWorkspace& space, const TUnitWave& first, const TUnitWave& last,
                             const TMergeHorProps& props);
TUnitWave* MergeVertically(TWorkspace& space, const TUnitWave& left, const TUnitWave& right,
                           const TMergeVertProps& props);

}  // namespace korvane
