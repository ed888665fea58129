#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Sound.h"
#include "music/TUnitMuz.h"
#include "platform/WaveRegistry.h"
#include "render/NotePlayer.h"

namespace korvane {

class TWorkspace;
class TUnitWave;
class TNoteMixer;

// Which notes a render request plays. A given stave or note group also lets
// the notes of a muted stave sound (the play buttons of the music dialog).
struct TRenderFilter {
    const TNoteStave* Stave = nullptr;
    const TNoteGroup* Group = nullptr;

    bool Passes(const TMuzNote& note) const;
};

inline constexpr const char* kCannotCreateMusic = "Cannot create music: ";

// One note as a render plays it: when it starts and how long it sounds, in
// seconds from the music's start, and the transposition of the turns around
// it in semitones.
struct TPlayedNote {
    const TMuzNote* Note;
    double Start;
    double Length;
    double Transpose;
};

// Walks a music document's part tree twice: GetOffsets measures how much
// sound lies before the music's start (attacks) and after it, Render adds
// every note's sound into a silence of that length. Both passes visit the
// same notes in the same order with the same clock, so every note fits.
class TMusicRenderer {
public:
    TMusicRenderer(TUnitMuz& unitMuz, const WaveRegistry& registry)
        : UnitMuz(unitMuz), Players(registry), Tempo(unitMuz.Tempo.GetValue()) {}

    // Raises S and E (seconds before and after the music's start) and
    // advances the clock over the part; false with the error on failure.
    bool GetOffsets(TPartMuz& part, double& S, double& E, double& clock, std::string& error,
                    const TRenderFilter& filter, double transpose);
    // Adds the part's notes into `sound` (whose time 0 lies S seconds before
    // the music's start) and advances the clock; false on failure.
    bool Render(TPartMuz& part, bool& stop, Sound& sound, double& clock, std::string& error,
                const TRenderFilter& filter, double transpose);

    // Both passes over `part`. Null on failure; a player's error is shown as
    // "Cannot create music: " + text in an "Error" box and also returned in
    // `error`; a memory failure has shown its own message and sets `stop`.
    std::unique_ptr<Sound> RenderPart(TPartMuz& part, const TRenderFilter& filter, bool& stop, std::string& error);

    const TNotePlayers& GetPlayers() const { return Players; }

    // The notes the render of `part` plays, in the order it plays them (loops
    // pass by pass, turns transposed, filtered as the render filters). False
    // when they would be more than `maxNotes`, or the walk would visit more
    // than `maxParts` single parts (a loop of a billion passes).
    bool ListNotes(TPartMuz& part, const TRenderFilter& filter, std::vector<TPlayedNote>& notes, size_t maxNotes,
                   size_t maxParts);

private:
    TUnitMuz& UnitMuz;
    TNotePlayers Players;
    double Tempo;
    // The first pass ran past what any wave can hold.
    bool tooLong_ = false;
    // What the first pass has found so far (seconds before and after the start).
    double measureS_ = 0, measureE_ = 0;

    // The walk both passes share: loops pass by pass, a select part only in
    // the pass of one of its turns, transposed by it; each single part goes
    // to `single(part, clock, transpose)`. A child whose play-and-draw flag is
    // off is skipped. `stop`, when given, ends the walk as soon as it is set;
    // `measuring` measures loops with MeasureLoop.
    template <class Single>
    bool Walk(TPartMuz& part, double& clock, double transpose, const bool* stop, bool measuring,
              const Single& single);
    // Measures a loop without walking every one of a long run of passes that
    // sound alike, so that no Count makes the measure slow.
    template <class Single>
    bool MeasureLoop(TLoopPartMuz& loop, double& clock, double transpose, const Single& single);
    bool SingleOffsets(TSinglePartMuz& part, double& S, double& E, double& clock, std::string& error,
                       const TRenderFilter& filter, double transpose);
    bool SingleRender(TSinglePartMuz& part, bool& stop, TNoteMixer& mixer, int32_t freq, double& clock,
                      std::string& error, const TRenderFilter& filter, double transpose);
};

// An empty sound of the music document's kind: mono for one channel, stereo
// otherwise, with its sample frequency and width.
std::unique_ptr<Sound> MakeMusicSound(const TUnitMuz& unitMuz);

// The whole tree, optionally only the notes of one stave or one note group.
std::unique_ptr<Sound> RenderMusic(TUnitMuz& unitMuz, const WaveRegistry& registry, const TRenderFilter& filter,
                                   bool& stop, std::string& error);
std::unique_ptr<Sound> RenderMusic(TUnitMuz& unitMuz, const WaveRegistry& registry,
                                   const TRenderFilter& filter = {});
// One part and its subtree; every loop of the tree starts again at pass 1.
std::unique_ptr<Sound> RenderMusicPart(TUnitMuz& unitMuz, TPartMuz& part, const WaveRegistry& registry);

// "&Generate": renders the whole tree into a new wave document named
// "NONAME" followed by the next number, registered in the workspace. Null
// when the render failed (nothing is added then).
TUnitWave* MusicGenerate(TWorkspace& space, TUnitMuz& unitMuz);

// The sound of one note as "Play Note" plays it: its compound player at the
// note's own period and play length and the document's tempo, without
// transposition, volume factor or offsets. Null for silence or on failure
// (ok cleared and error set when a sample window is missing).
std::unique_ptr<Sound> PlayNoteSound(const TMuzNote& note, const WaveRegistry& registry, bool& ok,
                                     std::string& error);

}  // namespace korvane
