#include "music/MusicDialogModel.h"

#include <algorithm>
#include <vector>

#include "core/Assert.h"
#include "music/MusicTree.h"
#include "values/InputErrors.h"

namespace korvane {

const std::array<TMusicLevelInfo, musicLevelCount>& MusicLevels() {
    static const std::array<TMusicLevelInfo, musicLevelCount> levels{{
        {musicLevelStave, "Stave", "stave"},
        {musicLevelGroup, "Group", "group"},
        {musicLevelPlayer, "Play", "player"},
    }};
    return levels;
}

const std::array<TMusicButtonInfo, musicButtonCount>& MusicButtons() {
    static const std::array<TMusicButtonInfo, musicButtonCount> buttons{{
        {musicFirst, "First", "first"},
        {musicPrevious, "Previous", "previous"},
        {musicNext, "Next", "next"},
        {musicLast, "Last", "last"},
        {musicInsert, "Insert", "insert"},
        {musicAppend, "Append", "append"},
        {musicDelete, "Delete", "delete"},
        {musicMovePrev, "MovePrev", "move-prev"},
        {musicMoveNext, "MoveNext", "move-next"},
    }};
    return buttons;
}

std::unique_ptr<TOnePlayer> MakeNewOnePlayer() {
    auto onePlayer = std::make_unique<TOnePlayer>(TOnePlayerProps(unitFreq(0), unitVolumeFactor(0.5, ucPercent)));
    onePlayer->OnePlayerProps.NotePlayerKind = notePlayerSimpleSampler;
    onePlayer->OnePlayerProps.SimpleSampler.BasicFreq = unitTimePosMore(0.001, ucKiloHertz);
    return onePlayer;
}

std::unique_ptr<TNoteGroup> MakeNewNoteGroup(TUnitMuz& doc, TNoteStave* stave) {
    auto player = std::make_unique<TCompoundPlayer>(&doc);
    player->AppendOnePlayer(MakeNewOnePlayer());
    return std::make_unique<TNoteGroup>(stave, 0, std::move(player), noteShapeNormal, noteStickUp);
}

std::unique_ptr<TNoteStave> MakeNewStave(TUnitMuz& doc) {
    auto stave = std::make_unique<TNoteStave>(&doc, 0, 0xFFFFFF, 80, 80, AllowJoinFlags, false, false);
    stave->AppendNoteGroup(MakeNewNoteGroup(doc, stave.get()));
    stave->SelectedNoteGroup = stave->DialogNoteGroup = stave->GetStartNoteGroup();
    return stave;
}

// ---------------------------------------------------------------------------

namespace {

std::vector<TNoteStave*> stavesOf(const TUnitMuz& doc) {
    std::vector<TNoteStave*> list;
    for (TStave* s = doc.GetFirstStave(); s; s = s->Next) list.push_back(static_cast<TNoteStave*>(s));
    return list;
}

std::vector<TNoteGroup*> groupsOf(const TNoteStave* stave) {
    std::vector<TNoteGroup*> list;
    if (stave)
        for (TNoteGroup* g = stave->GetStartNoteGroup(); g; g = g->GetNext()) list.push_back(g);
    return list;
}

std::vector<TOnePlayer*> onePlayersOf(const TNoteGroup* group) {
    std::vector<TOnePlayer*> list;
    if (group)
        for (TOnePlayer* p = group->GetCompoundPlayer()->GetStartOnePlayer(); p; p = p->GetNext()) list.push_back(p);
    return list;
}

// The cursor when it is in the list, else the first item (and the cursor
// follows).
template <class T>
T* keepInList(const std::vector<T*>& list, T*& cursor) {
    if (std::find(list.begin(), list.end(), cursor) == list.end()) cursor = list.empty() ? nullptr : list.front();
    return cursor;
}

template <class T>
int positionIn(const std::vector<T*>& list, const T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    return found == list.end() ? 0 : static_cast<int>(found - list.begin()) + 1;
}

// The item a browse button goes to.
template <class T>
T* browsed(const std::vector<T*>& list, const T* current, TMusicButton button) {
    const int at = positionIn(list, current) - 1;
    switch (button) {
        case musicFirst:
            return list.front();
        case musicPrevious:
            return list[at - 1];
        case musicNext:
            return list[at + 1];
        default:
            return list.back();
    }
}

// An edit box's commit: the field is read from the text into a copy, which
// replaces the field only when the text is good.
template <class Field>
bool commitField(Field& field, const std::string& text, const std::string& caption, std::string& message) {
    Field read = field;
    if (!read.FromText(text, caption, message)) return false;
    field = read;
    return true;
}

}  // namespace

TNoteStave* TMusicDialogModel::Stave() { return keepInList(stavesOf(doc_), doc_.CurrentStave); }

TNoteGroup* TMusicDialogModel::Group() {
    TNoteStave* stave = Stave();
    return stave ? keepInList(groupsOf(stave), stave->DialogNoteGroup) : nullptr;
}

TOnePlayer* TMusicDialogModel::OnePlayer() {
    TNoteGroup* group = Group();
    return group ? keepInList(onePlayersOf(group), group->GetCompoundPlayer()->CurrentOnePlayer) : nullptr;
}

int TMusicDialogModel::Count(TMusicLevel level) {
    switch (level) {
        case musicLevelStave:
            return static_cast<int>(stavesOf(doc_).size());
        case musicLevelGroup:
            return static_cast<int>(groupsOf(Stave()).size());
        default:
            return static_cast<int>(onePlayersOf(Group()).size());
    }
}

int TMusicDialogModel::Position(TMusicLevel level) {
    switch (level) {
        case musicLevelStave:
            return positionIn(stavesOf(doc_), Stave());
        case musicLevelGroup:
            return positionIn(groupsOf(Stave()), Group());
        default:
            return positionIn(onePlayersOf(Group()), OnePlayer());
    }
}

bool TMusicDialogModel::Enabled(TMusicLevel level, TMusicButton button) {
    const int position = Position(level);
    const int count = Count(level);
    if (position == 0) return false;  // nothing to browse at this level
    switch (button) {
        case musicFirst:
        case musicPrevious:
        case musicMovePrev:
            return position > 1;
        case musicNext:
        case musicLast:
        case musicMoveNext:
            return position < count;
        case musicInsert:
        case musicAppend:
            return true;
        case musicDelete:
            return count > 1;
        default:
            return false;
    }
}

bool TMusicDialogModel::Press(TMusicLevel level, TMusicButton button) {
    if (!Enabled(level, button)) return false;
    switch (button) {
        case musicFirst:
        case musicPrevious:
        case musicNext:
        case musicLast:
            browse(level, button);
            return true;  // moving a cursor changes nothing in the music
        case musicInsert:
        case musicAppend:
            if (level == musicLevelStave) insertStave(button == musicAppend);
            if (level == musicLevelGroup) insertGroup(button == musicAppend);
            if (level == musicLevelPlayer) insertOnePlayer(button == musicAppend);
            break;
        case musicDelete:
            if (level == musicLevelStave) deleteStave();
            if (level == musicLevelGroup) deleteGroup();
            if (level == musicLevelPlayer) deleteOnePlayer();
            break;
        case musicMovePrev:
        case musicMoveNext:
            if (level == musicLevelStave) moveStave(button == musicMoveNext);
            if (level == musicLevelGroup) moveGroup(button == musicMoveNext);
            if (level == musicLevelPlayer) moveOnePlayer(button == musicMoveNext);
            break;
        default:
            return false;
    }
    doc_.MarkChanged();
    return true;
}

void TMusicDialogModel::browse(TMusicLevel level, TMusicButton button) {
    switch (level) {
        case musicLevelStave:
            doc_.CurrentStave = browsed(stavesOf(doc_), Stave(), button);
            break;
        case musicLevelGroup:
            Stave()->DialogNoteGroup = browsed(groupsOf(Stave()), Group(), button);
            break;
        default:
            Group()->GetCompoundPlayer()->CurrentOnePlayer = browsed(onePlayersOf(Group()), OnePlayer(), button);
            break;
    }
}

// --- staves -----------------------------------------------------------------

void TMusicDialogModel::insertStave(bool append) {
    TNoteStave* current = Stave();
    TNoteStave* after = append ? current : static_cast<TNoteStave*>(current->Prev);
    doc_.CurrentStave = doc_.InsertStave(after, MakeNewStave(doc_));
}

void TMusicDialogModel::deleteStave() {
    TNoteStave* current = Stave();
    TNoteStave* newNoteStave = static_cast<TNoteStave*>(current->Next ? current->Next : current->Prev);
    KORVANE_ASSERT(newNoteStave != NULL);
    // The parts may not keep symbols of a stave that is gone; a selected one
    // goes with them and leaves nothing selected.
    doc_.GetStartPart()->RemoveStaveSymbols(current);
    doc_.CurrentStave = newNoteStave;
    doc_.RemoveStave(current);
}

void TMusicDialogModel::moveStave(bool next) {
    TNoteStave* current = Stave();
    if (next) {
        TStave* nextNoteStave = current->Next;
        KORVANE_ASSERT(nextNoteStave != NULL);
        doc_.ExchangeStaveWithNext(current);
    } else {
        TStave* prevNoteStave = current->Prev;
        KORVANE_ASSERT(prevNoteStave != NULL);
        doc_.ExchangeStaveWithNext(static_cast<TNoteStave*>(prevNoteStave));
    }
}

// --- note groups ------------------------------------------------------------

void TMusicDialogModel::insertGroup(bool append) {
    TNoteStave* stave = Stave();
    TNoteGroup* current = Group();
    TNoteGroup* after = append ? current : stave->PrevNoteGroup(current);
    std::unique_ptr<TNoteGroup> group = MakeNewNoteGroup(doc_, stave);
    TNoteGroup* made = group.get();
    stave->InsertNoteGroup(after, std::move(group));
    stave->DialogNoteGroup = made;
}

void TMusicDialogModel::deleteGroup() {
    TNoteStave* stave = Stave();
    TNoteGroup* current = Group();
    TNoteGroup* newNoteGroup = current->GetNext() ? current->GetNext() : stave->PrevNoteGroup(current);
    KORVANE_ASSERT(newNoteGroup != NULL);
    // Its notes go first; the gaps they leave become silences.
    doc_.GetStartPart()->RemoveNoteGroupNotes(current);
    doc_.GetStartPart()->FillStaveWithSilences(stave);
    if (stave->SelectedNoteGroup == current) stave->SelectedNoteGroup = newNoteGroup;
    stave->DialogNoteGroup = newNoteGroup;
    stave->RemoveNoteGroup(current);
}

void TMusicDialogModel::moveGroup(bool next) {
    TNoteStave* stave = Stave();
    TNoteGroup* current = Group();
    TNoteGroup* after = nullptr;
    if (next) {
        TNoteGroup* nextNoteGroup = current->GetNext();
        KORVANE_ASSERT(nextNoteGroup != NULL);
        after = nextNoteGroup;
    } else {
        TNoteGroup* prevNoteGroup = stave->PrevNoteGroup(current);
        KORVANE_ASSERT(prevNoteGroup != NULL);
        after = stave->PrevNoteGroup(prevNoteGroup);
    }
    stave->InsertNoteGroup(after, stave->RemoveNoteGroup(current));
    stave->DialogNoteGroup = current;
}

// --- one-players ------------------------------------------------------------

void TMusicDialogModel::insertOnePlayer(bool append) {
    TCompoundPlayer* compound = Group()->GetCompoundPlayer();
    TOnePlayer* current = OnePlayer();
    TOnePlayer* after = append ? current : compound->PrevOnePlayer(current);
    std::unique_ptr<TOnePlayer> onePlayer = MakeNewOnePlayer();
    TOnePlayer* made = onePlayer.get();
    compound->InsertOnePlayer(after, std::move(onePlayer));
    compound->CurrentOnePlayer = made;
}

void TMusicDialogModel::deleteOnePlayer() {
    TCompoundPlayer* compound = Group()->GetCompoundPlayer();
    TOnePlayer* current = OnePlayer();
    TOnePlayer* newOnePlayer = current->GetNext() ? current->GetNext() : compound->PrevOnePlayer(current);
    KORVANE_ASSERT(newOnePlayer != NULL);
    compound->DeleteOnePlayer(current);  // freed here
    compound->CurrentOnePlayer = newOnePlayer;
}

void TMusicDialogModel::moveOnePlayer(bool next) {
    TCompoundPlayer* compound = Group()->GetCompoundPlayer();
    TOnePlayer* current = OnePlayer();
    TOnePlayer* after = nullptr;
    if (next) {
        TOnePlayer* nextPlayer = current->GetNext();
        KORVANE_ASSERT(nextPlayer != NULL);
        after = nextPlayer;
    } else {
        TOnePlayer* prevPlayer = compound->PrevOnePlayer(current);
        KORVANE_ASSERT(prevPlayer != NULL);
        after = compound->PrevOnePlayer(prevPlayer);
    }
    compound->InsertOnePlayer(after, compound->DeleteOnePlayer(current));
    compound->CurrentOnePlayer = current;
}

// --- fields -----------------------------------------------------------------

bool TMusicDialogModel::SetTempo(const std::string& text, std::string& message) {
    if (!commitField(doc_.Tempo, text, "Tempo", message)) return false;
    doc_.MarkChanged();
    return true;
}

namespace {
// The rooms are plain integers in the stave; their field gives the text and
// the lower bound that the music file also holds them to.
unitIntegerMoreUser roomField(int value) { return unitIntegerMoreUser(value, ucNone, 30); }
}  // namespace

bool TMusicDialogModel::SetRoomUp(const std::string& text, std::string& message) {
    TNoteStave* stave = Stave();
    if (!stave) return false;
    unitIntegerMoreUser room = roomField(stave->RoomUp);
    if (!room.FromText(text, "Room Up", message)) return false;
    stave->RoomUp = room.GetValue();
    doc_.MarkChanged();
    return true;
}

bool TMusicDialogModel::SetRoomDown(const std::string& text, std::string& message) {
    TNoteStave* stave = Stave();
    if (!stave) return false;
    unitIntegerMoreUser room = roomField(stave->RoomDown);
    if (!room.FromText(text, "Room Down", message)) return false;
    stave->RoomDown = room.GetValue();
    doc_.MarkChanged();
    return true;
}

std::string TMusicDialogModel::RoomUpText() { return Stave() ? roomField(Stave()->RoomUp).ToText() : ""; }
std::string TMusicDialogModel::RoomDownText() { return Stave() ? roomField(Stave()->RoomDown).ToText() : ""; }

bool TMusicDialogModel::SetVolumeFactor(const std::string& text, std::string& message) {
    TOnePlayer* onePlayer = OnePlayer();
    if (!onePlayer || !commitField(onePlayer->OnePlayerProps.VolumeFactor, text, "Volume Factor", message))
        return false;
    doc_.MarkChanged();
    return true;
}

bool TMusicDialogModel::SetFreqUp(const std::string& text, std::string& message) {
    TOnePlayer* onePlayer = OnePlayer();
    if (!onePlayer || !commitField(onePlayer->OnePlayerProps.FreqUp, text, "Freq Up", message)) return false;
    doc_.MarkChanged();
    return true;
}

std::string TMusicDialogModel::VolumeFactorText() {
    return OnePlayer() ? OnePlayer()->OnePlayerProps.VolumeFactor.ToText() : "";
}
std::string TMusicDialogModel::FreqUpText() { return OnePlayer() ? OnePlayer()->OnePlayerProps.FreqUp.ToText() : ""; }

void TMusicDialogModel::SetStaveForeground(int colour) {
    if (TNoteStave* stave = Stave()) {
        stave->ForegroundColor = colour;
        doc_.MarkChanged();
    }
}

void TMusicDialogModel::SetStaveBackground(int colour) {
    if (TNoteStave* stave = Stave()) {
        stave->BackgroundColor = colour;
        doc_.MarkChanged();
    }
}

void TMusicDialogModel::SetAllowJoinFlags(bool on) {
    if (TNoteStave* stave = Stave()) {
        stave->drawFlagKind = on ? AllowJoinFlags : drawFlagSeparate;
        doc_.MarkChanged();
    }
}

void TMusicDialogModel::SetEnableSound(bool on) {
    if (TNoteStave* stave = Stave()) {
        stave->Mute = !on;
        doc_.MarkChanged();
    }
}

void TMusicDialogModel::SetExtraLines(bool on) {
    if (TNoteStave* stave = Stave()) {
        stave->ExtraLines = on;
        doc_.MarkChanged();
    }
}

void TMusicDialogModel::SetNoteColor(int colour) {
    if (TNoteGroup* group = Group()) {
        group->NoteColor = colour;
        doc_.MarkChanged();
    }
}

void TMusicDialogModel::SetNoteShape(uint8_t shape) {
    if (TNoteGroup* group = Group()) {
        group->NoteShape = shape;
        doc_.MarkChanged();
    }
}

bool TMusicDialogModel::SticksUp() { return Group() && Group()->StickDirection == noteStickUp; }
bool TMusicDialogModel::SticksDown() { return Group() && Group()->StickDirection == noteStickDown; }

void TMusicDialogModel::SetSticksUp(bool on) {
    TNoteGroup* group = Group();
    if (!group) return;
    // Checking one box unchecks the other; unchecking leaves the other as it is.
    const bool down = SticksDown() && !on;
    group->StickDirection = down ? noteStickDown : on ? noteStickUp : noteStickGroup;
    doc_.MarkChanged();
}

void TMusicDialogModel::SetSticksDown(bool on) {
    TNoteGroup* group = Group();
    if (!group) return;
    const bool up = SticksUp() && !on;
    group->StickDirection = on ? noteStickDown : up ? noteStickUp : noteStickGroup;
    doc_.MarkChanged();
}

// --- the pages of the player kinds -------------------------------------------

int TMusicDialogModel::ShownPage() {
    TOnePlayer* onePlayer = OnePlayer();
    if (!onePlayer || NotePlayerElement(onePlayer->OnePlayerProps.NotePlayerKind) == nullptr) return -1;
    return onePlayer->OnePlayerProps.NotePlayerKind;
}

void TMusicDialogModel::ChoosePage(uint8_t kind) {
    TOnePlayer* onePlayer = OnePlayer();
    KORVANE_ASSERT(NotePlayerElement(kind) != nullptr);
    if (!onePlayer || onePlayer->OnePlayerProps.NotePlayerKind == kind) return;
    onePlayer->OnePlayerProps.NotePlayerKind = kind;
    doc_.MarkChanged();
}

bool TMusicDialogModel::PageHasBasicFreq(int page) {
    return page == notePlayerSimpleSampler || page == notePlayerRollOutSampler;
}

bool TMusicDialogModel::PageHasResonantFactor(int page) { return page == notePlayerResonantSampler; }

unitUnitWave* TMusicDialogModel::pageSampleWave() {
    TOnePlayer* onePlayer = OnePlayer();
    switch (ShownPage()) {
        case notePlayerSimpleSampler:
            return &onePlayer->GetSimpleSamplerProps().SampleWave;
        case notePlayerResonantSampler:
            return &onePlayer->GetResonantSamplerProps().SampleWave;
        case notePlayerRepeatWaveForm:
            return &onePlayer->GetRepeatWaveFormProps().SampleWave;
        case notePlayerRollOutSampler:
            return &onePlayer->GetRollOutSamplerProps().SampleWave;
        case notePlayerRollOutWaveForm:
            return &onePlayer->GetRollOutWaveFormProps().SampleWave;
        default:
            return nullptr;
    }
}

unitTimePosMore* TMusicDialogModel::pageBasicFreq() {
    switch (ShownPage()) {
        case notePlayerSimpleSampler:
            return &OnePlayer()->GetSimpleSamplerProps().BasicFreq;
        case notePlayerRollOutSampler:
            return &OnePlayer()->GetRollOutSamplerProps().BasicFreq;
        default:
            return nullptr;
    }
}

bool TMusicDialogModel::SetSampleWave(const std::string& text, std::string& message) {
    unitUnitWave* sampleWave = pageSampleWave();
    if (!sampleWave) return false;
    // The name is not looked up here: a missing window shows when the music
    // is rendered. It must fit the music file, though, and is kept as the
    // file gives it back.
    const std::string name = MusicFileText(text);
    if (name.empty()) {
        message = InputErrorText("Sample Wave", "Field should not be empty.");
        return false;
    }
    if (!CheckMusicFileText(name, "Sample Wave", message)) return false;
    sampleWave->SetName(name);
    doc_.MarkChanged();
    return true;
}

bool TMusicDialogModel::SetBasicFreq(const std::string& text, std::string& message) {
    unitTimePosMore* basicFreq = pageBasicFreq();
    if (!basicFreq || !commitField(*basicFreq, text, "Basic Frequency", message)) return false;
    doc_.MarkChanged();
    return true;
}

bool TMusicDialogModel::SetResonantFactor(const std::string& text, std::string& message) {
    if (!PageHasResonantFactor(ShownPage())) return false;
    if (!commitField(OnePlayer()->GetResonantSamplerProps().ResFactor, text, "Resonant Factor", message)) return false;
    doc_.MarkChanged();
    return true;
}

std::string TMusicDialogModel::SampleWaveText() {
    unitUnitWave* sampleWave = pageSampleWave();
    return sampleWave ? sampleWave->ToText() : "";
}

std::string TMusicDialogModel::BasicFreqText() {
    unitTimePosMore* basicFreq = pageBasicFreq();
    return basicFreq ? basicFreq->ToText() : "";
}

std::string TMusicDialogModel::ResonantFactorText() {
    return PageHasResonantFactor(ShownPage()) ? OnePlayer()->GetResonantSamplerProps().ResFactor.ToText() : "";
}

}  // namespace korvane
