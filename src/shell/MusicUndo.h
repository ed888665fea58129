#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "music/TUnitMuz.h"
#include "processing/TWorkspace.h"

namespace korvane {

// What a music document selects, by position rather than by pointer, so it
// survives the document being read back from its text (the reader would
// select the first symbol and the first stave). Counted in the orders the
// document walks: single parts first to last, symbols of a part first to
// last, staves top to bottom, note groups of a stave first to last.
struct TMuzPlace {
    enum : uint8_t { none, staveSymbol, bar, loopMark };
    uint8_t Kind = none;
    int Part = -1;    // the single part of the symbol or bar; of a loop, its first single part
    int Index = -1;   // a stave symbol's place in its part's list
    int Depth = -1;   // a loop mark: how many loops up from that single part
    uint8_t Side = 0;
    int InStave = -1;
    int CurrentStave = -1;
    std::vector<std::pair<int, int>> Groups;  // per stave: selected group, dialog group

    bool operator==(const TMuzPlace&) const = default;
};

TMuzPlace PlaceOf(const TUnitMuz& doc);
// Selects what `place` names where the document has it; what it no longer
// has keeps what the reader chose.
void ApplyPlace(TUnitMuz& doc, const TMuzPlace& place);

// The undo step of a music edit: the document's file text of before the edit
// (everything the 7.1 file holds), its selection and the properties the file
// does not hold. Restoring reads the text back into the same document object
// (window, journal and name keep referring to it) and keeps the state it
// replaces, so a second restore is a redo.
class TMuzUndoUnit : public TUndoUnit {
public:
    TMuzUndoUnit(TUnitMuz& doc, std::shared_ptr<const std::string> text, TMuzPlace place, WaveFileProps props);
    TUnitMuz& Doc() const { return static_cast<TUnitMuz&>(*Unit); }
    // False, with the document unchanged and a message shown, when the text
    // could not be made or read.
    bool RestoreChecked();
    void Restore() override { RestoreChecked(); }

    // Shared with the history, which keeps the same states.
    std::shared_ptr<const std::string> Text;
    TMuzPlace Place;
    WaveFileProps Props;
};

// Music edits happen in many places (the window's clicks and keys, both
// music dialogs, the tree dialog, Properties), and every one of them ends in
// the document's revision moving. So the state before an edit is kept from
// before: each open music document's state as of the last time the window
// went idle. When the revision has moved since, that kept state becomes the
// undo step and the new state is kept. The text is made only when the
// revision moved, the selection only when it moved.
class TMusicUndoWatch {
public:
    // `busy`: a document in the middle of a gesture that is one edit (a
    // stave border drag); it is caught up when the gesture ends.
    // A large score costs the window milliseconds to put in text, so, as the
    // recovery journal does, a score whose text took more than 2 ms is put
    // in text again at most every ten times that long: edits in between are
    // one undo step and one history state. `force` catches up at once
    // (before an Undo or a step, which need the state as it is now).
    void Idle(TWorkspace& space, const TUnitMuz* busy, bool force = false);
    // The last Idle left a change for later.
    bool Deferred() const { return deferred_; }
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void SetClock(Clock clock) { clock_ = clock ? std::move(clock) : Clock(std::chrono::steady_clock::now); }
    // The document's state now is the kept one (after an Undo swapped it).
    void Reset(TUnitMuz& doc);

    // A document's state as last kept.
    struct TKept {
        uint64_t Serial = 0;
        uint64_t Revision = 0;
        std::shared_ptr<const std::string> Text;
        TMuzPlace Place;
        WaveFileProps Props;
        const void* Selected = nullptr;
        const void* Stave = nullptr;
        std::chrono::steady_clock::time_point Next{};  // no text before this, unless forced
    };
    // The state kept of the document as it is now; null when the watch has
    // not caught up with its last change (or could not put it in text).
    const TKept* Kept(const TUnit& doc) const;

private:
    using TSeen = TKept;
    bool take(TUnitMuz& doc, TSeen& seen);
    std::vector<TSeen> seen_;
    bool deferred_ = false;
    Clock clock_ = std::chrono::steady_clock::now;
};

}  // namespace korvane
