#include "music/MusicEdit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Assert.h"
#include "music/NotePlayers.h"

namespace korvane {

namespace {

// ---- what is selected ----

bool selectMode(const TUnitMuz& doc) { return doc.UnitMuzMode == unitMuzSel; }

TStaveSymbol* selectedStaveSymbol(const TUnitMuz& doc) {
    if (doc.GetSelMuzSymbolKind() != muzSymbolStave) return nullptr;
    return static_cast<TStaveSymbol*>(doc.SelectedSymbol);
}

TStaveTimeSymbol* selectedTimeSymbol(const TUnitMuz& doc) {
    TStaveSymbol* s = selectedStaveSymbol(doc);
    return s && s->GetStaveSymbolKind() != staveSymbolKey ? static_cast<TStaveTimeSymbol*>(s) : nullptr;
}

TMuzNote* selectedNote(const TUnitMuz& doc) {
    TStaveSymbol* s = selectedStaveSymbol(doc);
    return s && s->GetStaveSymbolKind() == staveSymbolNote ? static_cast<TMuzNote*>(s) : nullptr;
}

TKey* selectedKey(const TUnitMuz& doc) {
    TStaveSymbol* s = selectedStaveSymbol(doc);
    return s && s->GetStaveSymbolKind() == staveSymbolKey ? static_cast<TKey*>(s) : nullptr;
}

TMuzBar* selectedBar(const TUnitMuz& doc) {
    return doc.GetSelMuzSymbolKind() == muzSymbolBar ? static_cast<TMuzBar*>(doc.SelectedSymbol) : nullptr;
}

bool isKey(const TStaveSymbol* s) { return s->GetStaveSymbolKind() == staveSymbolKey; }
bool isNote(const TStaveSymbol* s) { return s->GetStaveSymbolKind() == staveSymbolNote; }
TStaveTimeSymbol* asTime(TStaveSymbol* s) { return isKey(s) ? nullptr : static_cast<TStaveTimeSymbol*>(s); }

void changed(TUnitMuz& doc) { doc.MarkChanged(); }

// ---- walking one stave inside one part ----

TStaveSymbol* nextInPart(const TStaveSymbol* s) {
    for (TStaveSymbol* n = s->Next; n; n = n->Next)
        if (n->GetNoteStave() == s->GetNoteStave()) return n;
    return nullptr;
}

TStaveSymbol* prevInPart(const TStaveSymbol* s) {
    for (TStaveSymbol* p = s->Prev; p; p = p->Prev)
        if (p->GetNoteStave() == s->GetNoteStave()) return p;
    return nullptr;
}

TStaveSymbol* firstInPart(const TSinglePartMuz& part, const TNoteStave* stave) { return part.FirstSymbolOfStave(stave); }

TStaveSymbol* lastInPart(const TSinglePartMuz& part, const TNoteStave* stave) {
    TStaveSymbol* last = nullptr;
    for (TStaveSymbol* s = part.GetFirstSymbol(); s; s = s->Next)
        if (s->GetNoteStave() == stave) last = s;
    return last;
}

// The notes and silences of one stave at the symbol's position (its time
// group), or only those that also share its place in a tuplet (its chord),
// in list order. Symbols at one position stand together in the list.
std::vector<TStaveTimeSymbol*> group(TStaveTimeSymbol* symbol, bool chordOnly, bool notesOnly = false) {
    std::vector<TStaveTimeSymbol*> members;
    TStaveSymbol* first = symbol;
    while (first->Prev && first->Prev->GetSymbolPosition() == symbol->GetSymbolPosition()) first = first->Prev;
    for (TStaveSymbol* s = first; s && s->GetSymbolPosition() == symbol->GetSymbolPosition(); s = s->Next) {
        if (s->GetNoteStave() != symbol->GetNoteStave() || isKey(s)) continue;
        auto* t = static_cast<TStaveTimeSymbol*>(s);
        if (chordOnly && t->GetPosInOol() != symbol->GetPosInOol()) continue;
        if (notesOnly && !isNote(t)) continue;
        members.push_back(t);
    }
    return members;
}

std::vector<TMuzNote*> chordNotes(TMuzNote* note) {
    std::vector<TMuzNote*> notes;
    for (TStaveTimeSymbol* t : group(note, true, true)) notes.push_back(static_cast<TMuzNote*>(t));
    return notes;
}

bool chordHoldsPitch(TMuzNote* note, int pitch) {
    for (TMuzNote* n : chordNotes(note))
        if (n != note && n->GetPitch() == pitch) return true;
    return false;
}

// Moves symbols of one stave by `difference` and puts each back in its place
// in the part's list: from the last backwards when they move later, from the
// first forwards when they move earlier, so that each passes only symbols of
// other staves.
void shiftSymbols(TSinglePartMuz& part, std::vector<TStaveSymbol*>& symbols, double difference) {
    if (difference == 0) return;
    auto move = [&](TStaveSymbol* s) {
        s->SetSymbolPosition(s->GetSymbolPosition() + difference);
        part.ReplaceSymbol(s);
    };
    if (difference > 0)
        for (auto it = symbols.rbegin(); it != symbols.rend(); ++it) move(*it);
    else
        for (TStaveSymbol* s : symbols) move(s);
}

// The symbols of the stave after `last` in the list (the rest of the stave).
std::vector<TStaveSymbol*> restOfStave(const TStaveSymbol* last) {
    std::vector<TStaveSymbol*> rest;
    for (TStaveSymbol* s = nextInPart(last); s; s = nextInPart(s)) rest.push_back(s);
    return rest;
}

void shiftRest(const TStaveSymbol* last, double difference) {
    std::vector<TStaveSymbol*> rest = restOfStave(last);
    shiftSymbols(*last->GetSinglePartMuz(), rest, difference);
}

// The key in force at a place in the list: the nearest key before it in the
// stave (every stave starts a part with one).
TKey* keyBefore(const TStaveSymbol* s) {
    for (const TStaveSymbol* p = s; p; p = prevInPart(p))
        if (isKey(p)) return static_cast<TKey*>(const_cast<TStaveSymbol*>(p));
    return nullptr;
}

int maxInsertPoints(int lengthKind) {
    switch (lengthKind) {
        case 16: return 2;
        case 32: return 1;
        case 64: return 0;
        default: return 3;
    }
}

// Whether a length kind, points and tuplet make a symbol that keeps the
// rules every note and silence obeys.
bool validLength(int lengthKind, int points, int multiOol) {
    if (!IsNoteLengthKind(lengthKind) || points < 0 || points > 3) return false;
    if (points == 0 && multiOol != sool && multiOol != triool && multiOol != kwintool) return false;
    if (multiOol == kwintool && lengthKind > 16) return false;
    if (multiOol != sool && lengthKind > 32) return false;
    return true;
}

// The length of a plain note or silence, summed as the symbols sum it.
double plainLength(int lengthKind, int points) {
    double add = 1.0 / lengthKind, total = add;
    for (int i = 0; i < points; ++i) {
        add /= 2;
        total += add;
    }
    return total;
}

// Moves the numbers of the keys at `position`, from `from` on, by `step`.
void renumberKeysAt(TStaveSymbol* from, double position, int step) {
    TStaveSymbol* s = from;
    while (s && s->GetSymbolPosition() < position) s = nextInPart(s);
    for (; s && s->GetSymbolPosition() == position; s = nextInPart(s)) {
        if (!isKey(s)) continue;
        auto* key = static_cast<TKey*>(s);
        key->SetKeyNumber(key->GetKeyNumber() + step);
    }
}

TMuzNote* makeNote(TUnitMuz& doc, TNoteStave* stave, TSinglePartMuz* part, double position, int lengthKind,
                   int points, uint8_t multiOol, int posInOol, int pitch, uint8_t art) {
    KORVANE_ASSERT(stave->SelectedNoteGroup != NULL);
    auto note = std::make_unique<TMuzNote>(stave->SelectedNoteGroup, &doc, stave, position, part,
                                           static_cast<int8_t>(lengthKind), points, multiOol, posInOol, pitch,
                                           AccidentalInEffect(*part, stave, position, pitch), art, doc.InsertStickKind);
    TMuzNote* raw = note.get();
    part->InsertSorted(std::move(note));
    return raw;
}

TSilence* makeSilence(TNoteStave* stave, TSinglePartMuz* part, double position, int lengthKind, int points,
                      uint8_t multiOol, int posInOol) {
    auto silence = std::make_unique<TSilence>(stave, position, part, static_cast<int8_t>(lengthKind), points,
                                              multiOol, posInOol);
    TSilence* raw = silence.get();
    part->InsertSorted(std::move(silence));
    return raw;
}

void removeSymbol(TStaveSymbol* s) { s->GetSinglePartMuz()->DeleteSymbol(s); }

// ---- the drawn single parts ----

TSinglePartMuz* nextDrawnPart(const TSinglePartMuz* part) {
    for (TSinglePartMuz* p = const_cast<TSinglePartMuz*>(part)->NextSinglePart(); p; p = p->NextSinglePart())
        if (IsDrawnPart(*p)) return p;
    return nullptr;
}

TSinglePartMuz* prevDrawnPart(const TSinglePartMuz* part) {
    for (TSinglePartMuz* p = const_cast<TSinglePartMuz*>(part)->PrevSinglePart(); p; p = p->PrevSinglePart())
        if (IsDrawnPart(*p)) return p;
    return nullptr;
}

TSinglePartMuz* firstDrawnPart(const TUnitMuz& doc) {
    TSinglePartMuz* p = doc.FirstSinglePart();
    return p && IsDrawnPart(*p) ? p : p ? nextDrawnPart(p) : nullptr;
}

TSinglePartMuz* lastDrawnPart(const TUnitMuz& doc) {
    TSinglePartMuz* p = doc.LastSinglePart();
    return p && IsDrawnPart(*p) ? p : p ? prevDrawnPart(p) : nullptr;
}

// The loop marks of the drawn tree in the order the score shows them.
void collectLoopMarks(TPartMuz* part, std::vector<TLoopPartSymbol*>& marks) {
    if (!part || !part->PlayAndDraw) return;
    switch (part->GetPartMuzKind()) {
        case partMuzConcat: {
            auto* c = static_cast<TConcatPartMuz*>(part);
            collectLoopMarks(c->GetFirstPart(), marks);
            collectLoopMarks(c->GetSecondPart(), marks);
            break;
        }
        case partMuzLoop: {
            auto* l = static_cast<TLoopPartMuz*>(part);
            marks.push_back(l->GetLeftLoopSymbol());
            collectLoopMarks(l->GetLoopPart(), marks);
            marks.push_back(l->GetRightLoopSymbol());
            break;
        }
        case partMuzSelect: collectLoopMarks(static_cast<TSelectPartMuz*>(part)->GetSelectPart(), marks); break;
        case partMuzStart: collectLoopMarks(static_cast<TStartPartMuz*>(part)->GetPartMuz(), marks); break;
        default: break;
    }
}

// The previous or next bar or loop mark of the same kind, or none.
TXTouchMuzSymbol* neighbourMark(const TUnitMuz& doc, bool left) {
    if (TMuzBar* bar = selectedBar(doc)) {
        TSinglePartMuz* part = left ? prevDrawnPart(bar->GetSinglePartMuz()) : nextDrawnPart(bar->GetSinglePartMuz());
        return part ? part->GetMuzBar() : nullptr;
    }
    if (doc.GetSelMuzSymbolKind() != muzSymbolLoop) return nullptr;
    std::vector<TLoopPartSymbol*> marks;
    collectLoopMarks(doc.GetStartPart(), marks);
    auto it = std::find(marks.begin(), marks.end(), doc.SelectedSymbol);
    if (it == marks.end()) return nullptr;
    if (left) return it == marks.begin() ? nullptr : *(it - 1);
    return it + 1 == marks.end() ? nullptr : *(it + 1);
}

// ---- exchanging neighbours (move left and right) ----

struct TSwitch {
    std::vector<TStaveSymbol*> earlier;
    std::vector<TStaveSymbol*> later;
};

std::vector<TStaveSymbol*> widen(TStaveSymbol* s) {
    if (isKey(s)) return {s};
    std::vector<TStaveSymbol*> members;
    for (TStaveTimeSymbol* t : group(static_cast<TStaveTimeSymbol*>(s), false)) members.push_back(t);
    return members;
}

double groupLength(const std::vector<TStaveSymbol*>& g) {
    return isKey(g.front()) ? 0 : static_cast<TStaveTimeSymbol*>(g.front())->GetTotalLength();
}

bool isFirstKey(const TStaveSymbol* s) {
    return isKey(s) && s->GetSymbolPosition() == 0 && static_cast<const TKey*>(s)->GetKeyNumber() == 1;
}

// The selected group and the neighbouring group it changes places with.
bool SearchForSwitch(const TStaveSymbol* selected, bool toLeft, TSwitch& found) {
    std::vector<TStaveSymbol*> mine = widen(const_cast<TStaveSymbol*>(selected));
    TStaveSymbol* neighbour = nullptr;
    if (isKey(selected)) {
        neighbour = toLeft ? prevInPart(selected) : nextInPart(selected);
    } else {
        const double position = selected->GetSymbolPosition();
        TStaveSymbol* s = toLeft ? prevInPart(mine.front()) : nextInPart(mine.back());
        for (; s; s = toLeft ? prevInPart(s) : nextInPart(s))
            if (isKey(s) || s->GetSymbolPosition() != position) break;
        neighbour = s;
    }
    if (!neighbour) return false;
    std::vector<TStaveSymbol*> other = widen(neighbour);
    // The stave's first key stays first: nothing passes it to the left, and
    // it passes no note or silence to the right.
    if (toLeft && isFirstKey(neighbour)) return false;
    if (!toLeft && isFirstKey(selected) && !isKey(neighbour)) return false;
    found.earlier = toLeft ? other : mine;
    found.later = toLeft ? mine : other;
    return true;
}

void placeKeyAfter(TKey* key, double position, TStaveSymbol* before) {
    // Keys at one time are ordered by their numbers: one after a note or
    // silence is 1, one after a key takes that key's number + 1, and the keys
    // that follow at that time move up.
    int number = 1;
    if (before && isKey(before) && before->GetSymbolPosition() == position)
        number = static_cast<TKey*>(before)->GetKeyNumber() + 1;
    TStaveSymbol* after = before ? nextInPart(before) : nullptr;
    while (after == key) after = nextInPart(after);
    renumberKeysAt(after, position, 1);
    key->SetKeyNumber(number);
    key->SetSymbolPosition(position);
}

void exchange(TSwitch& sw) {
    TSinglePartMuz& part = *sw.earlier.front()->GetSinglePartMuz();
    const double t = sw.earlier.front()->GetSymbolPosition();
    const double v = groupLength(sw.later);
    if (isKey(sw.earlier.front()) && isKey(sw.later.front())) {
        auto* a = static_cast<TKey*>(sw.earlier.front());
        auto* b = static_cast<TKey*>(sw.later.front());
        if (a->GetSymbolPosition() == b->GetSymbolPosition()) {
            const int number = a->GetKeyNumber();
            a->SetKeyNumber(b->GetKeyNumber());
            b->SetKeyNumber(number);
        } else {
            // Two keys with a gap between them: the later one takes the
            // earlier one's time and goes before it.
            b->SetSymbolPosition(t);
            b->SetKeyNumber(a->GetKeyNumber());
            renumberKeysAt(a, t, 1);
        }
        part.ReplaceSymbol(a);
        part.ReplaceSymbol(b);
        return;
    }
    if (isKey(sw.earlier.front())) {
        // A key moves right past a time group to the end of it.
        auto* key = static_cast<TKey*>(sw.earlier.front());
        renumberKeysAt(nextInPart(key), key->GetSymbolPosition(), -1);
        for (TStaveSymbol* s : sw.later) s->SetSymbolPosition(t);
        placeKeyAfter(key, t + v, sw.later.back());
        for (TStaveSymbol* s : sw.later) part.ReplaceSymbol(s);
        part.ReplaceSymbol(key);
        return;
    }
    if (isKey(sw.later.front())) {
        // A key moves left past a time group to its start.
        auto* key = static_cast<TKey*>(sw.later.front());
        renumberKeysAt(nextInPart(key), key->GetSymbolPosition(), -1);
        TStaveSymbol* before = prevInPart(sw.earlier.front());
        placeKeyAfter(key, t, before);
        part.ReplaceSymbol(key);
        return;
    }
    for (TStaveSymbol* s : sw.later) s->SetSymbolPosition(t);
    for (TStaveSymbol* s : sw.earlier) s->SetSymbolPosition(t + v);
    // The later group now stands first: re-place it from its first member,
    // then the earlier group from its last.
    for (TStaveSymbol* s : sw.later) part.ReplaceSymbol(s);
    for (auto it = sw.earlier.rbegin(); it != sw.earlier.rend(); ++it) part.ReplaceSymbol(*it);
}

// ---- deleting ----

// The symbol to select after `gone` leaves its stave.
TStaveSymbol* neighbourAfterDelete(const std::vector<TStaveSymbol*>& gone) {
    TStaveSymbol* next = nextInPart(gone.back());
    while (next && std::find(gone.begin(), gone.end(), next) != gone.end()) next = nextInPart(next);
    if (next) return next;
    TStaveSymbol* prev = prevInPart(gone.front());
    while (prev && std::find(gone.begin(), gone.end(), prev) != gone.end()) prev = prevInPart(prev);
    return prev;
}

// Removes a time group whose time goes with it: the rest of the stave moves back.
void removeWithTime(const std::vector<TStaveTimeSymbol*>& members) {
    const double length = members.front()->GetTotalLength();
    TStaveSymbol* last = members.back();
    std::vector<TStaveSymbol*> rest = restOfStave(last);
    TSinglePartMuz& part = *last->GetSinglePartMuz();
    for (TStaveTimeSymbol* m : members) removeSymbol(m);
    shiftSymbols(part, rest, -length);
}

bool onlySilences(const std::vector<TStaveTimeSymbol*>& members) {
    for (TStaveTimeSymbol* m : members)
        if (isNote(m)) return false;
    return true;
}

// A note's chord went silent: a tuplet of silences only goes as a whole.
// Returns true when it went.
bool dropSilentTuplet(TUnitMuz& doc, TStaveTimeSymbol* member) {
    if (member->GetMultiOol() == sool) return false;
    std::vector<TStaveTimeSymbol*> tuplet = group(member, false);
    if (!onlySilences(tuplet)) return false;
    std::vector<TStaveSymbol*> gone(tuplet.begin(), tuplet.end());
    TStaveSymbol* select = neighbourAfterDelete(gone);
    removeWithTime(tuplet);
    doc.SetSelectedSymbol(select);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------

bool IsDrawnPart(const TSinglePartMuz& part) {
    for (const TPartMuz* p = &part; p; p = p->GetParent())
        if (!p->PlayAndDraw) return false;
    return true;
}

TStaveSymbol* FirstStaveSymbol(const TUnitMuz& doc, const TNoteStave* stave) {
    for (TSinglePartMuz* p = firstDrawnPart(doc); p; p = nextDrawnPart(p))
        if (TStaveSymbol* s = firstInPart(*p, stave)) return s;
    return nullptr;
}

TStaveSymbol* NextStaveSymbol(const TStaveSymbol* symbol) {
    if (TStaveSymbol* n = nextInPart(symbol)) return n;
    for (TSinglePartMuz* p = nextDrawnPart(symbol->GetSinglePartMuz()); p; p = nextDrawnPart(p))
        if (TStaveSymbol* s = firstInPart(*p, symbol->GetNoteStave())) return s;
    return nullptr;
}

TStaveSymbol* PrevStaveSymbol(const TStaveSymbol* symbol) {
    if (TStaveSymbol* p = prevInPart(symbol)) return p;
    for (TSinglePartMuz* part = prevDrawnPart(symbol->GetSinglePartMuz()); part; part = prevDrawnPart(part))
        if (TStaveSymbol* s = lastInPart(*part, symbol->GetNoteStave())) return s;
    return nullptr;
}

bool CurrentLength(const TUnitMuz& doc, int& lengthKind, bool& silence) {
    if (doc.UnitMuzMode == unitMuzAdd) {
        lengthKind = doc.InsertLengthKind;
        silence = doc.InsertModeKind == insertModeSilence;
        return true;
    }
    TStaveTimeSymbol* t = selectMode(doc) ? selectedTimeSymbol(doc) : nullptr;
    if (!t) return false;
    lengthKind = t->GetFlagLength();
    silence = !isNote(t);
    return true;
}

bool CurrentArticulation(const TUnitMuz& doc, uint8_t& art) {
    if (doc.UnitMuzMode == unitMuzAdd) {
        art = doc.InsertArtKind;
        return true;
    }
    TMuzNote* note = selectMode(doc) ? selectedNote(doc) : nullptr;
    if (!note) return false;
    art = note->GetNoteArtKind();
    return true;
}

bool ShowsSetting(const TUnitMuz& doc, TMusicSetting setting, int value) {
    const bool add = doc.UnitMuzMode == unitMuzAdd;
    if (!add && !selectMode(doc)) return false;
    int length = 0;
    bool silence = false;
    uint8_t art = 0;
    switch (setting) {
        case TMusicSetting::NoteLength:
        case TMusicSetting::SilenceLength:
            return CurrentLength(doc, length, silence) && length == value &&
                   silence == (setting == TMusicSetting::SilenceLength);
        case TMusicSetting::Key:
            if (add) return doc.InsertModeKind == insertModeKey && doc.InsertKeyKind == value;
            return selectedKey(doc) && selectedKey(doc)->GetKeyKind() == value;
        case TMusicSetting::Shift:
            if (add) return doc.InsertModeKind == insertModeNoteShift && doc.InsertNoteShift == value;
            return selectedNote(doc) && selectedNote(doc)->GetNoteShiftKind() == value;
        case TMusicSetting::Articulation: return CurrentArticulation(doc, art) && art == value;
        case TMusicSetting::Stick:
            if (add) return doc.InsertStickKind == value;
            return selectedNote(doc) && selectedNote(doc)->GetDrawStickKind() == value;
    }
    return false;
}

void SetMode(TUnitMuz& doc, uint8_t mode) {
    doc.UnitMuzMode = mode;
    if (mode == unitMuzDel) doc.SetSelectedSymbol(nullptr);
}

// ---- length ----

bool CanSetLength(const TUnitMuz& doc, int lengthKind, bool silence) {
    if (!IsNoteLengthKind(lengthKind)) return false;
    if (doc.UnitMuzMode == unitMuzAdd) return doc.InsertPoints <= maxInsertPoints(lengthKind);
    if (!selectMode(doc)) return false;
    if (selectedBar(doc)) return true;
    TStaveTimeSymbol* t = selectedTimeSymbol(doc);
    if (!t) return false;
    int8_t total = 0;
    if (!t->FlagLength2TotalLength(lengthKind, total)) return false;
    if (!validLength(total, t->GetPoints(), t->GetMultiOol())) return false;
    // A silence becomes a note on the middle line, which its key must allow.
    if (!silence && !isNote(t)) {
        TKey* key = keyBefore(t);
        if (!key || !key->HeightAllowed(0) || !t->GetNoteStave()->SelectedNoteGroup) return false;
    }
    return true;
}

void SetLength(TUnitMuz& doc, int lengthKind, bool silence) {
    KORVANE_ASSERT(CanSetLength(doc, lengthKind, silence));
    if (doc.UnitMuzMode == unitMuzAdd) {
        doc.InsertLengthKind = static_cast<int8_t>(lengthKind);
        doc.InsertModeKind = silence ? insertModeSilence : insertModeNote;
        return;
    }
    if (TMuzBar* bar = selectedBar(doc)) {
        const int count = static_cast<int>(std::trunc(bar->GetCountNotes() * static_cast<double>(lengthKind) /
                                                          bar->GetNoteLength() +
                                                      0.5));
        bar->SetBar(static_cast<int8_t>(lengthKind), std::clamp(count, 1, 99), bar->GetExtraCount());
        changed(doc);
        return;
    }
    TStaveTimeSymbol* t = selectedTimeSymbol(doc);
    int8_t total = 0;
    t->FlagLength2TotalLength(lengthKind, total);
    std::vector<TStaveTimeSymbol*> members = group(t, false);
    const double before = t->GetTotalLength();
    for (TStaveTimeSymbol* m : members) m->SetLength(total, m->GetPoints(), m->GetMultiOol(), m->GetPosInOol());
    shiftRest(members.back(), t->GetTotalLength() - before);
    TSinglePartMuz* part = t->GetSinglePartMuz();
    TNoteStave* stave = t->GetNoteStave();
    if (!silence && !isNote(t)) {
        // The silence becomes a note on the middle line.
        const int pitch = keyBefore(t)->HeightToPitch(0);
        const double position = t->GetSymbolPosition();
        const int points = t->GetPoints(), posInOol = t->GetPosInOol();
        const uint8_t multiOol = t->GetMultiOol();
        removeSymbol(t);
        TMuzNote* note =
            makeNote(doc, stave, part, position, total, points, multiOol, posInOol, pitch, noteArtNormal);
        doc.SetSelectedSymbol(note);
        doc.AutoPlayNote(*note);
    } else if (silence && isNote(t)) {
        // The chord goes; one silence takes its place.
        std::vector<TMuzNote*> notes = chordNotes(static_cast<TMuzNote*>(t));
        const double position = t->GetSymbolPosition();
        const int points = t->GetPoints(), posInOol = t->GetPosInOol();
        const uint8_t multiOol = t->GetMultiOol();
        for (TMuzNote* n : notes) removeSymbol(n);
        TSilence* rest = makeSilence(stave, part, position, total, points, multiOol, posInOol);
        doc.SetSelectedSymbol(rest);
        dropSilentTuplet(doc, rest);
    } else if (isNote(t)) {
        doc.AutoPlayNote(*static_cast<TMuzNote*>(t));
    }
    changed(doc);
}

// ---- key kind and note shift ----

bool CanSetKeyKind(const TUnitMuz& doc, int8_t keyKind) {
    if (keyKind != TKey::keyKindC && keyKind != TKey::keyKindF && keyKind != TKey::keyKindG) return false;
    if (doc.UnitMuzMode == unitMuzAdd) return true;
    return selectMode(doc) && selectedKey(doc);
}

void SetKeyKind(TUnitMuz& doc, int8_t keyKind) {
    KORVANE_ASSERT(CanSetKeyKind(doc, keyKind));
    if (doc.UnitMuzMode == unitMuzAdd) {
        doc.InsertKeyKind = keyKind;
        doc.InsertModeKind = insertModeKey;
        return;
    }
    selectedKey(doc)->SetKeyKind(keyKind);
    changed(doc);
}

namespace {
// The scale index a sharp or flat command changes on a key, or -1.
int signatureChange(const TKey& key, uint8_t noteShift, uint8_t& newEntry) {
    int c = 0;
    if (!key.ToonLadder(c)) return -1;
    if (noteShift == noteShiftKruis) {
        if (c >= 7) return -1;
        newEntry = c >= 0 ? noteShiftKruis : noteShiftNormal;
        return c >= 0 ? key.SignatureIndex(c, noteShiftKruis) : key.SignatureIndex(-c - 1, noteShiftMol);
    }
    if (noteShift == noteShiftMol) {
        if (c <= -7) return -1;
        newEntry = c > 0 ? noteShiftNormal : noteShiftMol;
        return c > 0 ? key.SignatureIndex(c - 1, noteShiftKruis) : key.SignatureIndex(-c, noteShiftMol);
    }
    return -1;
}
}  // namespace

bool CanSetNoteShift(const TUnitMuz& doc, uint8_t noteShift) {
    if (noteShift > noteShiftDoubleMol) return false;
    if (doc.UnitMuzMode == unitMuzAdd) return true;
    if (!selectMode(doc)) return false;
    if (selectedNote(doc)) return true;
    uint8_t entry;
    TKey* key = selectedKey(doc);
    return key && signatureChange(*key, noteShift, entry) >= 0;
}

void SetNoteShift(TUnitMuz& doc, uint8_t noteShift) {
    KORVANE_ASSERT(CanSetNoteShift(doc, noteShift));
    if (doc.UnitMuzMode == unitMuzAdd) {
        doc.InsertNoteShift = noteShift;
        doc.InsertModeKind = insertModeNoteShift;
        return;
    }
    if (TMuzNote* note = selectedNote(doc)) {
        note->SetNoteShiftKind(noteShift);
        doc.AutoPlayNote(*note);
    } else {
        TKey* key = selectedKey(doc);
        uint8_t entry = noteShiftNormal;
        const int index = signatureChange(*key, noteShift, entry);
        key->SetNoteShift(index, entry);
    }
    changed(doc);
}

// ---- points ----

bool CanChangePoints(const TUnitMuz& doc, int delta) {
    if (delta != 1 && delta != -1) return false;
    if (doc.UnitMuzMode == unitMuzAdd) {
        const int points = doc.InsertPoints + delta;
        return points >= 0 && points <= maxInsertPoints(doc.InsertLengthKind);
    }
    if (!selectMode(doc)) return false;
    if (TMuzBar* bar = selectedBar(doc)) return delta > 0 ? bar->GetCountNotes() < 99 : bar->GetCountNotes() > 1;
    TStaveTimeSymbol* t = selectedTimeSymbol(doc);
    return t && t->MayTotalPoints(t->GetPoints() + delta) &&
           validLength(t->GetNoteLengthKind(), t->GetPoints() + delta, t->GetMultiOol());
}

void ChangePoints(TUnitMuz& doc, int delta) {
    KORVANE_ASSERT(CanChangePoints(doc, delta));
    if (doc.UnitMuzMode == unitMuzAdd) {
        doc.InsertPoints += delta;
        return;
    }
    if (TMuzBar* bar = selectedBar(doc)) {
        bar->SetBar(bar->GetNoteLength(), bar->GetCountNotes() + delta, bar->GetExtraCount());
    } else {
        TStaveTimeSymbol* t = selectedTimeSymbol(doc);
        std::vector<TStaveTimeSymbol*> members = group(t, false);
        const double before = t->GetTotalLength();
        for (TStaveTimeSymbol* m : members)
            m->SetLength(m->GetNoteLengthKind(), m->GetPoints() + delta, m->GetMultiOol(), m->GetPosInOol());
        shiftRest(members.back(), t->GetTotalLength() - before);
        if (isNote(t)) doc.AutoPlayNote(*static_cast<TMuzNote*>(t));
    }
    changed(doc);
}

// ---- tuplets ----

bool CanMakeTuplet(const TUnitMuz& doc, int n) {
    if (n < duool || n > kwintool || !selectMode(doc)) return false;
    TMuzNote* note = selectedNote(doc);
    return note && note->GetMultiOol() == sool && validLength(note->GetNoteLengthKind(), note->GetPoints(), n);
}

void MakeTuplet(TUnitMuz& doc, int n) {
    KORVANE_ASSERT(CanMakeTuplet(doc, n));
    TMuzNote* selected = selectedNote(doc);
    TSinglePartMuz* part = selected->GetSinglePartMuz();
    for (TStaveTimeSymbol* m : group(selected, true)) {
        m->SetLength(m->GetNoteLengthKind(), m->GetPoints(), static_cast<uint8_t>(n), 0);
        for (int k = 1; k < n; ++k) {
            if (isNote(m)) {
                auto* note = static_cast<TMuzNote*>(m);
                part->InsertSorted(std::make_unique<TMuzNote>(
                    note->GetNoteGroup(), &doc, note->GetNoteStave(), note->GetSymbolPosition(), part,
                    note->GetNoteLengthKind(), note->GetPoints(), static_cast<uint8_t>(n), k, note->GetPitch(),
                    note->GetNoteShiftKind(), note->GetNoteArtKind(), note->GetDrawStickKind()));
            } else {
                part->InsertSorted(std::make_unique<TSilence>(m->GetNoteStave(), m->GetSymbolPosition(), part,
                                                              m->GetNoteLengthKind(), m->GetPoints(),
                                                              static_cast<uint8_t>(n), k));
            }
        }
    }
    changed(doc);
}

// ---- articulation and stick ----

bool CanSetArticulation(const TUnitMuz& doc, uint8_t art) {
    if (art > noteArtLegato) return false;
    if (doc.UnitMuzMode == unitMuzAdd) return true;
    return selectMode(doc) && selectedNote(doc);
}

void SetArticulation(TUnitMuz& doc, uint8_t art) {
    KORVANE_ASSERT(CanSetArticulation(doc, art));
    if (doc.UnitMuzMode == unitMuzAdd) {
        doc.InsertArtKind = art;
        return;
    }
    TMuzNote* note = selectedNote(doc);
    for (TMuzNote* n : chordNotes(note)) n->SetNoteArtKind(art);
    doc.AutoPlayNote(*note);
    changed(doc);
}

bool CanToggleStick(const TUnitMuz& doc, uint8_t stick) {
    if (stick != noteStickUp && stick != noteStickDown) return false;
    if (doc.UnitMuzMode == unitMuzAdd) return doc.InsertModeKind == insertModeNote;
    return selectMode(doc) && selectedNote(doc);
}

void ToggleStick(TUnitMuz& doc, uint8_t stick) {
    KORVANE_ASSERT(CanToggleStick(doc, stick));
    if (doc.UnitMuzMode == unitMuzAdd) {
        doc.InsertStickKind = doc.InsertStickKind == stick ? uint8_t{noteStickGroup} : stick;
        return;
    }
    TMuzNote* note = selectedNote(doc);
    note->SetDrawStickKind(note->GetDrawStickKind() == stick ? uint8_t{noteStickGroup} : stick);
    doc.AutoPlayNote(*note);
    changed(doc);
}

// ---- pitch ----

namespace {
int freePitch(TMuzNote* note, int direction, int step) {
    for (int p = note->GetPitch() + direction * step; p >= -43 && p <= 43; p += direction) {
        if (!chordHoldsPitch(note, p)) return p;
        if (step != 1) break;  // an octave move takes that one pitch or none
    }
    return 100;
}
}  // namespace

bool CanMovePitch(const TUnitMuz& doc, int direction) {
    if ((direction != 1 && direction != -1) || !selectMode(doc)) return false;
    TMuzNote* note = selectedNote(doc);
    return note && freePitch(note, direction, 1) != 100;
}

void MovePitch(TUnitMuz& doc, int direction) {
    KORVANE_ASSERT(CanMovePitch(doc, direction));
    TMuzNote* note = selectedNote(doc);
    note->SetPitch(freePitch(note, direction, 1));
    note->GetSinglePartMuz()->ReplaceSymbol(note);
    doc.AutoPlayNote(*note);
    changed(doc);
}

bool CanMoveOctave(const TUnitMuz& doc, int direction) {
    if ((direction != 1 && direction != -1) || !selectMode(doc)) return false;
    if (TMuzNote* note = selectedNote(doc)) return freePitch(note, direction, 7) != 100;
    if (TKey* key = selectedKey(doc)) return direction > 0 ? key->GetAddOctaves() < 2 : key->GetAddOctaves() > -2;
    return false;
}

void MoveOctave(TUnitMuz& doc, int direction) {
    KORVANE_ASSERT(CanMoveOctave(doc, direction));
    if (TMuzNote* note = selectedNote(doc)) {
        note->SetPitch(note->GetPitch() + 7 * direction);
        note->GetSinglePartMuz()->ReplaceSymbol(note);
        doc.AutoPlayNote(*note);
    } else {
        TKey* key = selectedKey(doc);
        key->SetAddOctaves(key->GetAddOctaves() + direction);
    }
    changed(doc);
}

// ---- move left and right ----

bool CanMoveSide(const TUnitMuz& doc, bool left) {
    if (!selectMode(doc)) return false;
    if (selectedBar(doc)) return true;
    TStaveSymbol* s = selectedStaveSymbol(doc);
    TSwitch sw;
    return s && SearchForSwitch(s, left, sw);
}

void MoveSide(TUnitMuz& doc, bool left) {
    KORVANE_ASSERT(CanMoveSide(doc, left));
    if (TMuzBar* bar = selectedBar(doc)) {
        if (left) bar->StepExtraCountDown();
        else bar->StepExtraCountUp();
        changed(doc);
        return;
    }
    TStaveSymbol* s = selectedStaveSymbol(doc);
    TSwitch sw;
    SearchForSwitch(s, left, sw);
    exchange(sw);
    if (isNote(s)) doc.AutoPlayNote(*static_cast<TMuzNote*>(s));
    changed(doc);
}

// ---- selection ----

void SelectSymbol(TUnitMuz& doc, TXTouchMuzSymbol* symbol) {
    doc.SetSelectedSymbol(symbol);
    if (symbol && symbol->GetSelMuzSymbolKind() == muzSymbolStave &&
        static_cast<TStaveSymbol*>(symbol)->GetStaveSymbolKind() == staveSymbolNote)
        doc.AutoPlayNote(*static_cast<TMuzNote*>(static_cast<TStaveSymbol*>(symbol)));
}

namespace {
TXTouchMuzSymbol* sideNeighbour(const TUnitMuz& doc, bool left) {
    if (doc.UnitMuzMode == unitMuzDel || !doc.SelectedSymbol) return nullptr;
    if (TStaveSymbol* s = selectedStaveSymbol(doc)) return left ? PrevStaveSymbol(s) : NextStaveSymbol(s);
    return neighbourMark(doc, left);
}

TMuzNote* chordNeighbour(const TUnitMuz& doc, bool up) {
    if (doc.UnitMuzMode == unitMuzDel) return nullptr;
    TMuzNote* note = selectedNote(doc);
    if (!note) return nullptr;
    std::vector<TMuzNote*> notes = chordNotes(note);
    auto it = std::find(notes.begin(), notes.end(), note);
    if (up) return it == notes.begin() ? nullptr : *(it - 1);
    return it + 1 == notes.end() ? nullptr : *(it + 1);
}

const TNoteStave* keyStave(const TUnitMuz& doc) {
    if (TStaveSymbol* s = selectedStaveSymbol(doc)) return s->GetNoteStave();
    if (doc.SelectedSymbol) return doc.SelectedInStave;
    return nullptr;
}

const TNoteStave* targetStave(const TUnitMuz& doc, int which) {
    TStaveSymbol* s = selectedStaveSymbol(doc);
    if (!s) return nullptr;
    const TStave* stave = s->GetNoteStave();
    switch (which) {
        case -1: return static_cast<const TNoteStave*>(stave->Prev);
        case 1: return static_cast<const TNoteStave*>(stave->Next);
        case -2: return stave == doc.GetFirstStave() ? nullptr : doc.GetFirstStave();
        case 2: {
            const TStave* last = stave;
            while (last->Next) last = last->Next;
            return last == stave ? nullptr : static_cast<const TNoteStave*>(last);
        }
        default: return nullptr;
    }
}

// In another stave of the same part: the symbol of the same sort at the same
// time, else the one sounding at that time (the last that starts before it).
TStaveSymbol* symbolAtSameTime(const TStaveSymbol* selected, const TNoteStave* stave) {
    const double position = selected->GetSymbolPosition();
    TStaveSymbol* sounding = nullptr;
    for (TStaveSymbol* s = firstInPart(*selected->GetSinglePartMuz(), stave); s; s = nextInPart(s)) {
        if (s->GetSymbolPosition() > position) break;
        if (s->GetSymbolPosition() == position && isKey(s) == isKey(selected)) return s;
        sounding = s;
    }
    return sounding;
}
}  // namespace

bool CanSelectSide(const TUnitMuz& doc, bool left) { return sideNeighbour(doc, left) != nullptr; }

void SelectSide(TUnitMuz& doc, bool left) {
    KORVANE_ASSERT(CanSelectSide(doc, left));
    SelectSymbol(doc, sideNeighbour(doc, left));
}

bool CanSelectInChord(const TUnitMuz& doc, bool up) { return chordNeighbour(doc, up) != nullptr; }

void SelectInChord(TUnitMuz& doc, bool up) {
    KORVANE_ASSERT(CanSelectInChord(doc, up));
    SelectSymbol(doc, chordNeighbour(doc, up));
}

bool CanSelectEnd(const TUnitMuz& doc, bool) {
    return doc.UnitMuzMode != unitMuzDel && keyStave(doc) && FirstStaveSymbol(doc, keyStave(doc));
}

void SelectEnd(TUnitMuz& doc, bool last) {
    KORVANE_ASSERT(CanSelectEnd(doc, last));
    const TNoteStave* stave = keyStave(doc);
    TStaveSymbol* s = nullptr;
    if (!last) {
        s = FirstStaveSymbol(doc, stave);
    } else {
        for (TSinglePartMuz* p = lastDrawnPart(doc); p && !s; p = prevDrawnPart(p)) s = lastInPart(*p, stave);
    }
    SelectSymbol(doc, s);
}

bool CanSelectStave(const TUnitMuz& doc, int which) {
    if (doc.UnitMuzMode == unitMuzDel) return false;
    const TNoteStave* stave = targetStave(doc, which);
    return stave && symbolAtSameTime(selectedStaveSymbol(doc), stave);
}

void SelectStave(TUnitMuz& doc, int which) {
    KORVANE_ASSERT(CanSelectStave(doc, which));
    SelectSymbol(doc, symbolAtSameTime(selectedStaveSymbol(doc), targetStave(doc, which)));
}

// ---- note groups ----

namespace {
TNoteGroup* neighbourGroup(const TUnitMuz& doc, bool next) {
    TMuzNote* note = selectMode(doc) ? selectedNote(doc) : nullptr;
    if (!note) return nullptr;
    return next ? note->GetNoteGroup()->GetNext() : note->GetNoteStave()->PrevNoteGroup(note->GetNoteGroup());
}
}  // namespace

bool CanChangeNoteGroup(const TUnitMuz& doc, bool next) { return neighbourGroup(doc, next) != nullptr; }

void ChangeNoteGroup(TUnitMuz& doc, bool next) {
    KORVANE_ASSERT(CanChangeNoteGroup(doc, next));
    TNoteGroup* target = neighbourGroup(doc, next);
    TMuzNote* note = selectedNote(doc);
    note->SetNoteGroup(target);
    note->GetNoteStave()->SelectedNoteGroup = target;
    doc.AutoPlayNote(*note);
    changed(doc);
}

// ---- delete ----

bool CanDeleteSymbol(const TStaveSymbol& symbol) {
    if (isKey(&symbol)) {
        if (symbol.GetSymbolPosition() != 0) return true;
        // The only key at time 0 of its stave stays: every stave starts with a key.
        for (TStaveSymbol* s = firstInPart(*symbol.GetSinglePartMuz(), symbol.GetNoteStave());
             s && s->GetSymbolPosition() == 0; s = nextInPart(s))
            if (s != &symbol && isKey(s)) return true;
        return false;
    }
    auto& t = static_cast<const TStaveTimeSymbol&>(symbol);
    return isNote(&t) || t.GetMultiOol() == sool;
}

void DeleteSymbol(TUnitMuz& doc, TStaveSymbol& symbol) {
    KORVANE_ASSERT(CanDeleteSymbol(symbol));
    TSinglePartMuz* part = symbol.GetSinglePartMuz();
    KORVANE_ASSERT(part != NULL);
    TStaveSymbol* select = neighbourAfterDelete({&symbol});
    if (isKey(&symbol)) {
        renumberKeysAt(nextInPart(&symbol), symbol.GetSymbolPosition(), -1);
        removeSymbol(&symbol);
    } else if (isNote(&symbol)) {
        auto* note = static_cast<TMuzNote*>(&symbol);
        doc.AutoPlayNote(*note);
        std::vector<TStaveTimeSymbol*> members = group(note, false);
        if (chordNotes(note).size() > 1) {
            removeSymbol(note);
        } else if (note->GetMultiOol() != sool) {
            // A tuplet member leaves a silence in its place; a tuplet of
            // silences only goes with its time.
            TNoteStave* stave = note->GetNoteStave();
            const double position = note->GetSymbolPosition();
            const int lengthKind = note->GetNoteLengthKind(), points = note->GetPoints();
            const int posInOol = note->GetPosInOol();
            const uint8_t multiOol = note->GetMultiOol();
            removeSymbol(note);
            TSilence* rest = makeSilence(stave, part, position, lengthKind, points, multiOol, posInOol);
            doc.SetSelectedSymbol(rest);
            dropSilentTuplet(doc, rest);
            changed(doc);
            return;
        } else if (members.size() == 1) {
            removeWithTime(members);
        } else {
            removeSymbol(note);
        }
    } else {
        std::vector<TStaveTimeSymbol*> members = group(static_cast<TStaveTimeSymbol*>(&symbol), false);
        if (members.size() == 1) removeWithTime(members);
        else removeSymbol(&symbol);
    }
    doc.SetSelectedSymbol(select);
    changed(doc);
}

bool CanDeleteSelected(const TUnitMuz& doc) {
    TStaveSymbol* s = selectMode(doc) ? selectedStaveSymbol(doc) : nullptr;
    return s && CanDeleteSymbol(*s);
}

void DeleteSelected(TUnitMuz& doc) {
    KORVANE_ASSERT(CanDeleteSelected(doc));
    DeleteSymbol(doc, *selectedStaveSymbol(doc));
}

// ---- play ----

bool CanPlayNote(const TUnitMuz& doc) { return selectedNote(doc) != nullptr; }

void PlayNote(TUnitMuz& doc) {
    KORVANE_ASSERT(CanPlayNote(doc));
    if (doc.Sounder) doc.Sounder->SoundNote(*selectedNote(doc));
}

void ToggleAutoPlay(TUnitMuz& doc) { doc.AutoPlay = !doc.AutoPlay; }

// ---- clicks ----

namespace {

// Where a new symbol goes: the part, its time, the symbol it follows (none:
// the start of the part), and the symbols of the stave it pushes on.
struct TInsertPoint {
    TSinglePartMuz* Part = nullptr;
    double Position = 0;
    TStaveSymbol* After = nullptr;
    std::vector<TStaveSymbol*> Later;
};

bool insertPoint(const TScoreClick& click, TInsertPoint& at) {
    TStaveSymbol* after = click.After;
    if (after) {
        if (after->GetNoteStave() != click.Stave) return false;
        at.Part = after->GetSinglePartMuz();
        if (TStaveTimeSymbol* t = asTime(after)) {
            // Inside a tuplet only its last member has a place after it.
            if (t->GetPosInOol() != t->GetMultiOol() - 1) return false;
            at.Position = t->GetSymbolPosition() + t->GetTotalLength();
        } else {
            at.Position = after->GetSymbolPosition();
        }
        at.After = after;
        // What stands after it from that time on moves on: not its chord, which
        // starts before that time.
        for (TStaveSymbol* s = nextInPart(after); s; s = nextInPart(s))
            if (s->GetSymbolPosition() >= at.Position) at.Later.push_back(s);
        return true;
    }
    // Before everything: time 0 of the part, after its keys at 0.
    if (!click.Part) return false;
    at.Part = click.Part;
    at.Position = 0;
    for (TStaveSymbol* s = firstInPart(*click.Part, click.Stave); s; s = nextInPart(s)) {
        if (isKey(s) && s->GetSymbolPosition() == 0) at.After = s;
        else at.Later.push_back(s);
    }
    return true;
}

TKey* keyAt(const TInsertPoint& at, const TNoteStave* stave) {
    return at.After ? keyBefore(at.After) : static_cast<TKey*>(firstInPart(*at.Part, stave));
}

bool insertKey(TUnitMuz& doc, const TScoreClick& click, TStaveSymbol*& made) {
    TInsertPoint at;
    if (!insertPoint(click, at) || at.Position == 0) return false;
    auto key = std::make_unique<TKey>(&doc, doc.InsertKeyKind, 0, at.Position, click.Stave, 1, at.Part);
    TKey* raw = key.get();
    placeKeyAfter(raw, at.Position, at.After);
    at.Part->InsertSorted(std::move(key));
    made = raw;
    return true;
}

bool insertNote(TUnitMuz& doc, const TScoreClick& click, TStaveSymbol*& made) {
    TInsertPoint at;
    if (!insertPoint(click, at)) return false;
    TKey* key = keyAt(at, click.Stave);
    if (!key || !key->HeightAllowed(click.Height) || !validLength(doc.InsertLengthKind, doc.InsertPoints, sool))
        return false;
    shiftSymbols(*at.Part, at.Later, plainLength(doc.InsertLengthKind, doc.InsertPoints));
    TMuzNote* note = makeNote(doc, click.Stave, at.Part, at.Position, doc.InsertLengthKind, doc.InsertPoints, sool,
                              0, key->HeightToPitch(click.Height), doc.InsertArtKind);
    made = note;
    doc.AutoPlayNote(*note);
    return true;
}

bool insertSilence(TUnitMuz& doc, const TScoreClick& click, TStaveSymbol*& made) {
    TInsertPoint at;
    if (!insertPoint(click, at) || !validLength(doc.InsertLengthKind, doc.InsertPoints, sool)) return false;
    shiftSymbols(*at.Part, at.Later, plainLength(doc.InsertLengthKind, doc.InsertPoints));
    made = makeSilence(click.Stave, at.Part, at.Position, doc.InsertLengthKind, doc.InsertPoints, sool, 0);
    return true;
}

bool addChordNote(TUnitMuz& doc, const TScoreClick& click, TStaveSymbol*& made) {
    TMuzNote* hit = click.NoteHit;
    if (hit->GetNoteStave() != click.Stave) return false;
    TKey* key = keyBefore(hit);
    if (!key || !key->HeightAllowed(click.Height)) return false;
    const int pitch = key->HeightToPitch(click.Height);
    for (TMuzNote* n : chordNotes(hit))
        if (n->GetPitch() == pitch) return false;
    TMuzNote* note = makeNote(doc, click.Stave, hit->GetSinglePartMuz(), hit->GetSymbolPosition(),
                              hit->GetNoteLengthKind(), hit->GetPoints(), hit->GetMultiOol(), hit->GetPosInOol(), pitch,
                              hit->GetNoteArtKind());
    made = note;
    doc.AutoPlayNote(*note);
    return true;
}

bool replaceSilence(TUnitMuz& doc, const TScoreClick& click, TStaveSymbol*& made) {
    TSilence* hit = click.SilenceHit;
    if (hit->GetNoteStave() != click.Stave) return false;
    TKey* key = keyBefore(hit);
    if (!key || !key->HeightAllowed(click.Height)) return false;
    TSinglePartMuz* part = hit->GetSinglePartMuz();
    const double position = hit->GetSymbolPosition();
    const int lengthKind = hit->GetNoteLengthKind(), points = hit->GetPoints(), posInOol = hit->GetPosInOol();
    const uint8_t multiOol = hit->GetMultiOol();
    removeSymbol(hit);
    TMuzNote* note = makeNote(doc, click.Stave, part, position, lengthKind, points, multiOol, posInOol,
                              key->HeightToPitch(click.Height), noteArtNormal);
    doc.SetSelectedSymbol(note);
    made = note;
    doc.AutoPlayNote(*note);
    return true;
}

bool shiftByClick(TUnitMuz& doc, const TScoreClick& click) {
    if (!click.Nearest || click.Nearest->GetSelMuzSymbolKind() != muzSymbolStave) return false;
    auto* s = static_cast<TStaveSymbol*>(click.Nearest);
    if (isNote(s)) {
        auto* note = static_cast<TMuzNote*>(s);
        note->SetNoteShiftKind(doc.InsertNoteShift);
        doc.AutoPlayNote(*note);
        return true;
    }
    if (isKey(s) && doc.InsertNoteShift != noteShiftDoubleKruis && doc.InsertNoteShift != noteShiftDoubleMol) {
        static_cast<TKey*>(s)->SetNoteShift(click.Height, doc.InsertNoteShift);
        return true;
    }
    return false;
}

}  // namespace

bool ClickScore(TUnitMuz& doc, const TScoreClick& click, TStaveSymbol** inserted) {
    bool done = false;
    TStaveSymbol* made = nullptr;
    switch (doc.UnitMuzMode) {
        case unitMuzAdd:
            if (doc.InsertModeKind == insertModeNoteShift) {
                done = shiftByClick(doc, click);
                break;
            }
            if (!click.Stave) return false;
            switch (doc.InsertModeKind) {
                case insertModeKey: done = insertKey(doc, click, made); break;
                case insertModeSilence: done = insertSilence(doc, click, made); break;
                default:
                    if (click.NoteHit) done = addChordNote(doc, click, made);
                    else if (click.SilenceHit) done = replaceSilence(doc, click, made);
                    else done = insertNote(doc, click, made);
                    break;
            }
            break;
        case unitMuzSel:
            if (!click.Nearest) return false;
            SelectSymbol(doc, click.Nearest == doc.SelectedSymbol ? nullptr : click.Nearest);
            return false;
        case unitMuzDel:
            if (click.Nearest && click.Nearest->GetSelMuzSymbolKind() == muzSymbolStave &&
                CanDeleteSymbol(*static_cast<TStaveSymbol*>(click.Nearest))) {
                DeleteSymbol(doc, *static_cast<TStaveSymbol*>(click.Nearest));
                return true;
            }
            return false;
    }
    if (done) changed(doc);
    if (inserted) *inserted = done ? made : nullptr;
    return done;
}

}  // namespace korvane
