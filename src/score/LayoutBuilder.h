#pragma once

// The layout of one single part, bar by bar (PartLayout.cpp), with the bar
// plan on the time grid (LayoutSpacing.cpp). The drawing of each concern is
// in the files Engraving.h names.
#include <unordered_set>

#include "score/Engraving.h"
#include "score/TimeGrid.h"

namespace korvane::engraving {

struct TCarry {
    std::vector<TNoteEntry> Notes;
    TSilence* Silence = nullptr;
    uint8_t Stick = noteStickGroup;
    double Rest = 0;
};

struct TStaveState {
    TNoteStave* Stave = nullptr;
    int Index = 0;
    int X = 0;
    const TKey* Key = nullptr;
    bool Open = false;
    double Pos = 0;
    int PosInOol = 0;
    std::vector<TMuzNote*> SlotNotes;
    std::vector<TSilence*> SlotSilences;
    std::vector<TChord> Collect[3];
    std::vector<TCarry> Carries;
};

// What each stave's symbols need, read as they will be drawn: the key
// and the accidentals in effect change as the bar goes.
struct TPlan {
    const TKey* Key = nullptr;
    std::array<uint8_t, 7> Scale{};
    bool Open = false;
    double Pos = 0;
    int PosInOol = 0;
    std::vector<TMuzNote*> Notes;
    std::vector<TSilence*> Silences;
    bool KeyPending = false;
    double KeyTime = 0;
    int KeyW = 0;
    int Count = 0;
    TSilence* Only = nullptr;
};

// What a chord needs from its heads' x to the next column's room: the
// heads, the dots and a flag hanging right of the stem.
int ChordWidth(const TChord& c);

class TBuilder : private TLayoutSink {
public:
    TBuilder(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& m, Canvas& canvas,
             TPartLayout& out, const TPartContext& context);

    void Run();

private:
    TSinglePartMuz& part_;
    const TPartContext& context_;
    std::vector<TStaveState> states_;
    std::unordered_map<const TNoteStave*, int> index_;
    TTies ties_;
    TTupletMarks tuplets_;
    const TMuzBar* bar_ = nullptr;
    double barLength_ = 1;
    double barStart_ = 0;
    double barEnd_ = 1;
    double beat_ = 0.25;
    bool halves_ = true;  // a bar of two halves: tied notes show its middle
    int groupCounter_ = 0;
    // The bar being laid out: its symbols (stave index, symbol) in list
    // order, its grid and where it starts and ends.
    std::vector<std::pair<int, TStaveSymbol*>> barSymbols_;
    TTimeGrid grid_;
    double shortest_ = 1.0 / 8;
    int barStartX_ = 0, barEndX_ = 0;
    std::unordered_set<const TSilence*> wholeRests_;
    std::vector<TPlan> plans_;  // kept from bar to bar with their room
    std::vector<TNoteEntry> planEntries_;
    std::vector<int> planHeights_;

    int beatIndex(double t) const { return static_cast<int>(std::floor((t - barStart_) / beat_ + kEps)); }

    void startBars();
    void chooseShortest();
    double readSymbols();
    void advanceTo(double p);
    bool anyCarries() const;
    int closingLine(double lastEnd);
    void findTopY();
    void drawHeader();
    bool restates(const TStaveState& st, const TKey& key) const;
    void drawKey(TStaveState& st, const TKey& key, bool partStart = false);
    void planBar();
    void resetPlans();
    void planSymbol(TPlan& m, TStaveSymbol* sym);
    void closePlan(TPlan& m);
    void flushKey(TPlan& m);
    int chordNeed(const std::vector<int>& heights, int flagLength, int points) const;
    void needPieces(double onset, double length, bool silence, const std::vector<int>& heights);
    void layoutBar();
    void addToSlot(TStaveState& st, TStaveSymbol* s);
    void closeSlot(TStaveState& st);
    void closeAll() {
        for (auto& st : states_) closeSlot(st);
    }
    void flushCollector(TStaveState& st, int k);
    void flushStave(TStaveState& st) {
        for (int k = 0; k < 3; ++k) flushCollector(st, k);
    }
    void alignAll();
    void barLine();
    void addChord(TStaveState& st, TChord chord);
    void emitGroup(TStaveState& st, std::vector<TChord>& chords, bool beamed);
    int emitSilence(TStaveState& st, TSilence* s, int x, int lengthKind, int points, bool record, int anchorX);
    void emitPieces(TStaveState& st, TChord proto, double length, double onset, bool lastIsEnd);
    void emitSilencePieces(TStaveState& st, TSilence* s, double length, double onset);
    void emitCarries(TStaveState& st);
};

}  // namespace korvane::engraving
