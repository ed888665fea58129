#include "musicfile/MuzFile.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <new>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/Allocation.h"
#include "core/Assert.h"
#include "music/MusicTree.h"
#include "platform/Messages.h"
#include "values/ValueWriters.h"

namespace korvane {

namespace {

// ---------------------------------------------------------------------------
// Content models.

TDTDRef tuplet() {
    return DTDOpt(DTDAlt({DTDEmptyElement("Duool"), DTDEmptyElement("Triool"), DTDEmptyElement("Kwartool"),
                          DTDEmptyElement("Kwintool")}));
}

TDTDRef stick() { return DTDOpt(DTDAlt({DTDEmptyElement("NoteStickUp"), DTDEmptyElement("NoteStickDown")})); }

TDTDRef noteShift() {
    return DTDOpt(
        DTDAlt({DTDEmptyElement("ShiftDoubleMol"), DTDEmptyElement("ShiftMol"), DTDEmptyElement("ShiftNormal"),
                DTDEmptyElement("ShiftCross"), DTDEmptyElement("ShiftDoubleCross")}));
}

TDTDRef key() {
    TDTDRef keyNoteShift =
        DTDElement("KeyNoteShift",
                   DTDSeq({DTDAlt({DTDEmptyElement("ShiftCross"), DTDEmptyElement("ShiftMol")}), DTDText("Height")}));
    return DTDElement(
        "Key", DTDSeq({DTDText("Position"), DTDText("KeyKind"), DTDOpt(DTDText("OctavesUp")), DTDStar(keyNoteShift)}));
}

TDTDRef compoundPlayer() {
    TDTDRef tail = DTDSeq({DTDOpt(DTDText("FreqUp")), DTDText("VolumeFactor")});
    TDTDRef sampler = DTDSeq({DTDText("BasicFreq"), DTDText("SampleWave"), tail});
    TDTDRef waveForm = DTDSeq({DTDText("SampleWave"), tail});
    return DTDElement(
        "CompoundPlayer",
        DTDPlus(DTDAlt({DTDElement("SimpleOneSampler", sampler), DTDElement("RollOutSampler", sampler),
                        DTDElement("ResonantSampler", DTDSeq({DTDText("ResFactor"), DTDText("SampleWave"), tail})),
                        DTDElement("RepeatWaveForm", waveForm), DTDElement("RollOutWaveForm", waveForm)})));
}

TDTDRef staveHead(bool v71) {
    std::vector<TDTDRef> items = {DTDText("RoomUp"), DTDText("RoomDown"), DTDOpt(DTDEmptyElement("AllowJoinFlags"))};
    if (!v71) items.push_back(DTDOpt(DTDEmptyElement("AutoStick")));
    items.push_back(DTDOpt(DTDEmptyElement("Mute")));
    if (v71) items.push_back(DTDOpt(DTDEmptyElement("ExtraLines")));
    items.push_back(DTDText("ForegroundColor"));
    items.push_back(DTDText("BackgroundColor"));
    return DTDSeq(items);
}

TDTDRef groupHead() {
    return DTDSeq({DTDText("NoteColor"),
                   DTDAlt({DTDEmptyElement("NoteShapeNormal"), DTDEmptyElement("NoteShapeRectangle")}), stick(),
                   compoundPlayer()});
}

TDTDRef buildModel71() {
    TDTDRef partNode = DTDElement("PartNode", DTDSeq({DTDOpt(DTDText("PartLabel")), DTDOpt(DTDEmptyElement("Expanded")),
                                                      DTDOpt(DTDEmptyElement("Selected"))}));
    TDTDRef bar = DTDElement("Bar", DTDSeq({DTDText("Count"), DTDText("Length"), DTDOpt(DTDText("CountFirstBar"))}));
    TDTDRef turn = DTDElement("SelectMuzPartTurn", DTDSeq({DTDText("Count"), DTDOpt(DTDText("Pitch")), partNode}));
    TDTDRef parts =
        DTDPlus(DTDAlt({DTDElement("SingleMuzPart", DTDSeq({bar, partNode})), DTDEmptyElement("ConcatMuzPart"),
                        DTDElement("LoopMuzPart", DTDSeq({DTDText("Count"), partNode})),
                        DTDElement("SelectMuzPart", DTDSeq({DTDStar(turn), partNode}))}));
    TDTDRef silence = DTDElement("Silence", DTDSeq({DTDText("Position"), DTDText("Length"), DTDOpt(DTDText("Points")),
                                                    tuplet(), DTDOpt(DTDText("PosInOol"))}));
    TDTDRef keyPart = DTDElement("KeyPart", DTDSeq({key(), DTDStar(DTDAlt({key(), silence}))}));
    TDTDRef articulation =
        DTDOpt(DTDAlt({DTDEmptyElement("ArtStaccatissimo"), DTDEmptyElement("ArtStaccato"),
                       DTDEmptyElement("ArtNormal"), DTDEmptyElement("ArtPortato"), DTDEmptyElement("ArtLegato")}));
    TDTDRef note =
        DTDElement("Note", DTDSeq({DTDText("Position"), DTDText("Length"), DTDOpt(DTDText("Points")), DTDText("Height"),
                                   noteShift(), tuplet(), DTDOpt(DTDText("PosInOol")), articulation, stick()}));
    TDTDRef noteGroup = DTDElement("NoteGroup", DTDSeq({groupHead(), DTDPlus(DTDElement("NotePart", DTDStar(note)))}));
    TDTDRef stave = DTDElement("Stave", DTDSeq({staveHead(true), DTDPlus(keyPart), DTDPlus(noteGroup)}));
    return DTDElement("UnitMuz", DTDSeq({DTDText("Version"), DTDText("Tempo"), parts, DTDPlus(stave)}));
}

TDTDRef buildModel70() {
    TDTDRef bar = DTDElement("Bar", DTDSeq({DTDText("Count"), DTDText("Length")}));
    TDTDRef silence =
        DTDElement("Silence", DTDSeq({DTDText("Position"), DTDText("Length"), DTDOpt(DTDText("Points"))}));
    TDTDRef note = DTDElement("Note", DTDSeq({DTDText("Position"), DTDText("Length"), DTDOpt(DTDText("Points")),
                                              DTDText("Height"), noteShift()}));
    TDTDRef noteGroup = DTDElement("NoteGroup", DTDSeq({groupHead(), DTDStar(note)}));
    TDTDRef stave =
        DTDElement("Stave", DTDSeq({staveHead(false), key(), DTDStar(DTDAlt({key(), silence})), DTDPlus(noteGroup)}));
    return DTDElement("UnitMuz", DTDSeq({DTDText("Version"), DTDText("Tempo"), bar, DTDPlus(stave)}));
}

// ---------------------------------------------------------------------------
// Names of the empty elements.

const char* tupletElement(uint8_t multiOol) {
    switch (multiOol) {
        case duool:
            return "Duool";
        case triool:
            return "Triool";
        case kwartool:
            return "Kwartool";
        case kwintool:
            return "Kwintool";
        default:
            return nullptr;
    }
}

const char* shiftElement(uint8_t shift) {
    switch (shift) {
        case noteShiftDoubleKruis:
            return "ShiftDoubleCross";
        case noteShiftKruis:
            return "ShiftCross";
        case noteShiftMol:
            return "ShiftMol";
        case noteShiftDoubleMol:
            return "ShiftDoubleMol";
        default:
            return nullptr;
    }
}

const char* articulationElement(uint8_t art) {
    switch (art) {
        case noteArtStaccato:
            return "ArtStaccato";
        case noteArtStaccatissimo:
            return "ArtStaccatissimo";
        case noteArtPortato:
            return "ArtPortato";
        case noteArtLegato:
            return "ArtLegato";
        default:
            return nullptr;
    }
}

const char* stickElement(uint8_t stick) {
    if (stick == noteStickUp) return "NoteStickUp";
    if (stick == noteStickDown) return "NoteStickDown";
    return nullptr;
}

std::string colourText(int colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(colour));
    return text;
}

std::string positionText(double position) { return WritePrecision(position, 7, true); }

double positionFromText(const std::string& text) {
    unitFactorPos field;
    std::string message;
    if (!field.FromText(text, "Position", message)) return -1;
    return field.GetValue();
}

// ---------------------------------------------------------------------------
// Writing.

class MuzWriter {
public:
    explicit MuzWriter(TUnitMuz& unitMuz) : doc_(unitMuz) {}

    std::unique_ptr<TXMLCompound> Write() {
        auto root = std::make_unique<TXMLCompound>("UnitMuz");
        root->AppendText("Version", "7.1");
        root->AppendText("Tempo", doc_.Tempo.ToText());
        TPartMuz* top = doc_.GetStartPart()->GetPartMuz();
        KORVANE_ASSERT(top != NULL);
        writePart(*root, *top);
        for (TSinglePartMuz* p = doc_.FirstSinglePart(); p; p = p->NextSinglePart()) parts_.push_back(p);
        sortSymbols();
        for (TStave* s = doc_.GetFirstStave(); s; s = s->Next) writeStave(*root, static_cast<TNoteStave&>(*s));
        return root;
    }

private:
    TUnitMuz& doc_;
    std::vector<TSinglePartMuz*> parts_;
    // Each part's symbols in list order, keys and silences by stave, notes by
    // note group: one walk over every part, however many staves there are.
    std::unordered_map<const void*, std::vector<std::vector<TStaveSymbol*>>> symbolsOf_;

    void sortSymbols() {
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            for (TStaveSymbol* s = parts_[i]->GetFirstSymbol(); s; s = s->Next) {
                const void* owner = s->GetStaveSymbolKind() == staveSymbolNote
                                        ? static_cast<const void*>(static_cast<TMuzNote*>(s)->GetNoteGroup())
                                        : static_cast<const void*>(s->GetNoteStave());
                auto& lists = symbolsOf_[owner];
                if (lists.empty()) lists.resize(parts_.size());
                lists[i].push_back(s);
            }
        }
    }

    const std::vector<TStaveSymbol*>& symbolsOf(const void* owner, std::size_t part) const {
        static const std::vector<TStaveSymbol*> none;
        auto it = symbolsOf_.find(owner);
        return it == symbolsOf_.end() ? none : it->second[part];
    }

    void writePartNode(TXMLCompound& parent, const TMusTreeItem& item, bool expanded) {
        TXMLCompound* node = parent.AppendCompound("PartNode");
        if (!item.Label.empty()) node->AppendText("PartLabel", Utf8ToLatin1(item.Label));
        if (expanded) node->AppendCompound("Expanded");
        if (doc_.SelectedTreeItem == &item) node->AppendCompound("Selected");
    }

    void writePart(TXMLCompound& root, TPartMuz& part) {
        switch (part.GetPartMuzKind()) {
            case partMuzSingle: {
                auto& single = static_cast<TSinglePartMuz&>(part);
                TXMLCompound* element = root.AppendCompound("SingleMuzPart");
                TXMLCompound* bar = element->AppendCompound("Bar");
                const TMuzBar* muzBar = single.GetMuzBar();
                KORVANE_ASSERT(muzBar != NULL);
                bar->AppendText("Count", std::to_string(muzBar->GetCountNotes()));
                bar->AppendText("Length", std::to_string(muzBar->GetNoteLength()));
                if (muzBar->GetExtraCount() != 0)
                    bar->AppendText("CountFirstBar", std::to_string(muzBar->GetExtraCount()));
                writePartNode(*element, part, false);
                break;
            }
            case partMuzConcat: {
                auto& concat = static_cast<TConcatPartMuz&>(part);
                writePart(root, *concat.GetFirstPart());
                writePart(root, *concat.GetSecondPart());
                root.AppendCompound("ConcatMuzPart");
                break;
            }
            case partMuzLoop: {
                auto& loop = static_cast<TLoopPartMuz&>(part);
                writePart(root, *loop.GetLoopPart());
                TXMLCompound* element = root.AppendCompound("LoopMuzPart");
                element->AppendText("Count", loop.Count.ToText());
                writePartNode(*element, part, loop.Expanded);
                break;
            }
            case partMuzSelect: {
                auto& select = static_cast<TSelectPartMuz&>(part);
                writePart(root, *select.GetSelectPart());
                TXMLCompound* element = root.AppendCompound("SelectMuzPart");
                for (const auto& turn : select.GetTurns()) {
                    TXMLCompound* t = element->AppendCompound("SelectMuzPartTurn");
                    t->AppendText("Count", turn->Count.ToText());
                    if (turn->Pitch.GetValue() != 0) t->AppendText("Pitch", turn->Pitch.ToText());
                    writePartNode(*t, *turn, false);
                }
                writePartNode(*element, part, select.Expanded);
                break;
            }
            default:
                KORVANE_ASSERT(false);
        }
    }

    void writeStave(TXMLCompound& root, TNoteStave& stave) {
        TXMLCompound* element = root.AppendCompound("Stave");
        element->AppendText("RoomUp", std::to_string(stave.RoomUp));
        element->AppendText("RoomDown", std::to_string(stave.RoomDown));
        if (stave.drawFlagKind == AllowJoinFlags) element->AppendCompound("AllowJoinFlags");
        if (stave.Mute) element->AppendCompound("Mute");
        if (stave.ExtraLines) element->AppendCompound("ExtraLines");
        element->AppendText("ForegroundColor", colourText(stave.ForegroundColor));
        element->AppendText("BackgroundColor", colourText(stave.BackgroundColor));
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            TXMLCompound* keyPart = element->AppendCompound("KeyPart");
            bool first = true;
            for (TStaveSymbol* s : symbolsOf(&stave, i)) {
                if (s->GetStaveSymbolKind() == staveSymbolKey)
                    writeKey(*keyPart, static_cast<TKey&>(*s));
                else if (s->GetStaveSymbolKind() == staveSymbolSilence)
                    writeSilence(*keyPart, static_cast<TSilence&>(*s));
                else
                    continue;
                first = false;
            }
            KORVANE_ASSERT(!first);
        }
        bool first = true;
        for (TNoteGroup* group = stave.GetStartNoteGroup(); group; group = group->GetNext()) {
            writeNoteGroup(*element, *group);
            first = false;
        }
        KORVANE_ASSERT(!first);
    }

    void writeKey(TXMLCompound& parent, const TKey& key) {
        TXMLCompound* element = parent.AppendCompound("Key");
        element->AppendText("Position", positionText(key.GetSymbolPosition()));
        const int8_t kind = key.GetKeyKind();
        element->AppendText("KeyKind", kind == TKey::keyKindC ? "C" : kind == TKey::keyKindF ? "F" : "G");
        if (key.GetAddOctaves() != 0) element->AppendText("OctavesUp", std::to_string(key.GetAddOctaves()));
        for (int index = 0; index < 7; ++index) {
            const uint8_t shift = key.GetScale()[index];
            if (shift == noteShiftNormal) continue;
            TXMLCompound* s = element->AppendCompound("KeyNoteShift");
            s->AppendCompound(shift == noteShiftMol ? "ShiftMol" : "ShiftCross");
            s->AppendText("Height", std::to_string(index));
        }
    }

    void writeLength(TXMLCompound& element, const TStaveTimeSymbol& symbol) {
        element.AppendText("Position", positionText(symbol.GetSymbolPosition()));
        element.AppendText("Length", std::to_string(symbol.GetNoteLengthKind()));
        if (symbol.GetPoints() > 0) element.AppendText("Points", std::to_string(symbol.GetPoints()));
    }

    void writeTuplet(TXMLCompound& element, const TStaveTimeSymbol& symbol) {
        if (const char* name = tupletElement(symbol.GetMultiOol())) element.AppendCompound(name);
        if (symbol.GetPosInOol() > 0) element.AppendText("PosInOol", std::to_string(symbol.GetPosInOol()));
    }

    void writeSilence(TXMLCompound& parent, const TSilence& silence) {
        TXMLCompound* element = parent.AppendCompound("Silence");
        writeLength(*element, silence);
        writeTuplet(*element, silence);
    }

    void writeNote(TXMLCompound& parent, const TMuzNote& note) {
        TXMLCompound* element = parent.AppendCompound("Note");
        writeLength(*element, note);
        element->AppendText("Height", std::to_string(note.GetPitch()));
        if (const char* name = shiftElement(note.GetNoteShiftKind())) element->AppendCompound(name);
        writeTuplet(*element, note);
        if (const char* name = articulationElement(note.GetNoteArtKind())) element->AppendCompound(name);
        if (const char* name = stickElement(note.GetDrawStickKind())) element->AppendCompound(name);
    }

    void writeOnePlayer(TXMLCompound& parent, TOnePlayer& player) {
        TOnePlayerProps& props = player.OnePlayerProps;
        const char* name = NotePlayerElement(props.NotePlayerKind);
        if (!name) KORVANE_ASSERT(false);
        TXMLCompound* element = parent.AppendCompound(name);
        switch (props.NotePlayerKind) {
            case notePlayerSimpleSampler:
                element->AppendText("BasicFreq", player.GetSimpleSamplerProps().BasicFreq.ToText());
                element->AppendText("SampleWave", Utf8ToLatin1(player.GetSimpleSamplerProps().SampleWave.ToText()));
                break;
            case notePlayerRollOutSampler:
                element->AppendText("BasicFreq", player.GetRollOutSamplerProps().BasicFreq.ToText());
                element->AppendText("SampleWave", Utf8ToLatin1(player.GetRollOutSamplerProps().SampleWave.ToText()));
                break;
            case notePlayerRepeatWaveForm:
                element->AppendText("SampleWave", Utf8ToLatin1(player.GetRepeatWaveFormProps().SampleWave.ToText()));
                break;
            case notePlayerRollOutWaveForm:
                element->AppendText("SampleWave", Utf8ToLatin1(player.GetRollOutWaveFormProps().SampleWave.ToText()));
                break;
            default:
                element->AppendText("ResFactor", player.GetResonantSamplerProps().ResFactor.ToText());
                element->AppendText("SampleWave", Utf8ToLatin1(player.GetResonantSamplerProps().SampleWave.ToText()));
                break;
        }
        if (props.FreqUp.GetValue() != 0) element->AppendText("FreqUp", props.FreqUp.ToText());
        element->AppendText("VolumeFactor", props.VolumeFactor.ToText());
    }

    void writeNoteGroup(TXMLCompound& parent, TNoteGroup& group) {
        TXMLCompound* element = parent.AppendCompound("NoteGroup");
        element->AppendText("NoteColor", colourText(group.NoteColor));
        if (group.NoteShape == noteShapeNormal)
            element->AppendCompound("NoteShapeNormal");
        else if (group.NoteShape == noteShapeRectangle)
            element->AppendCompound("NoteShapeRectangle");
        else
            KORVANE_ASSERT(false);
        if (const char* name = stickElement(group.StickDirection)) element->AppendCompound(name);
        TXMLCompound* player = element->AppendCompound("CompoundPlayer");
        bool first = true;
        for (TOnePlayer* p = group.GetCompoundPlayer()->GetStartOnePlayer(); p; p = p->GetNext()) {
            writeOnePlayer(*player, *p);
            first = false;
        }
        KORVANE_ASSERT(!first);
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            TXMLCompound* notePart = element->AppendCompound("NotePart");
            for (TStaveSymbol* s : symbolsOf(&group, i)) writeNote(*notePart, static_cast<TMuzNote&>(*s));
        }
    }
};

// ---------------------------------------------------------------------------
// Reading.

// Trees deeper than this are refused: every walk over the tree recurses.
constexpr int kMaxTreeDepth = 1000;
// Heights beyond any key's reach; keeps the pitch arithmetic far from overflow.
constexpr int kMaxHeight = 1000;

class MuzReader {
public:
    MuzReader(TUnitMuz& unitMuz, bool v71, std::string& message) : doc_(unitMuz), v71_(v71), message_(message) {}

    bool Read(const TXMLCompound& unitMuz) {
        const auto& children = unitMuz.Children();
        std::size_t i = 0;
        for (; i < children.size() && children[i]->GetElement() != "Tempo"; ++i) {
        }
        KORVANE_ASSERT(i < children.size());
        if (!readField(doc_.Tempo, *children[i], "Tempo", ucSecond)) return false;
        ++i;
        if (v71_) {
            if (!readTree(children, i)) return false;
        } else {
            auto part = std::make_unique<TSinglePartMuz>(&doc_);
            const TXMLCompound& bar = children[i]->AsCompound();
            if (!readBar(*part, bar)) return false;
            doc_.GetStartPart()->SetPartMuz(std::move(part));
            ++i;
        }
        for (TSinglePartMuz* p = doc_.FirstSinglePart(); p; p = p->NextSinglePart()) parts_.push_back(p);
        {
            // The symbols of every stave go into the parts' lists in one
            // sorted insert at the end, so that each stave costs what it
            // holds, not a walk over the staves before it. Notes of old files
            // take their accidentals from the notes before them in the bar,
            // so those go into the list as they are read.
            BulkInsert bulk(v71_ ? parts_ : std::vector<TSinglePartMuz*>{});
            for (; i < children.size(); ++i)
                if (!readStave(children[i]->AsCompound())) return false;
        }
        TNoteStave* first = doc_.GetFirstStave();
        doc_.CurrentStave = first;
        doc_.SetSelectedSymbol(parts_.front()->GetFirstSymbol());
        return true;
    }

private:
    struct Stacked {
        std::unique_ptr<TPartMuz> Part;
        int Depth = 0;
    };

    TUnitMuz& doc_;
    bool v71_;
    std::string& message_;
    std::vector<TSinglePartMuz*> parts_;

    bool fail(const TXMLItem& element, const std::string& message) {
        message_ = message + " At line " + std::to_string(element.GetLine()) + ", column " +
                   std::to_string(element.GetColumn() + 1) + ".";
        return false;
    }

    // Reads a value field. A unit in which the field cannot show itself again
    // would be written as an empty text that no reader accepts, so the field
    // then keeps its own unit.
    bool readField(unitValue& field, const TXMLItem& element, const std::string& caption, TUnitCode fallback) {
        std::string message;
        if (!field.FromText(element.GetText(), caption, message)) return fail(element, message);
        if (field.ToText().empty()) field.SetUnit(fallback);
        return true;
    }

    bool readInteger(const TXMLItem& element, const std::string& caption, int& value) {
        unitInteger field;
        if (!readField(field, element, caption, ucNone)) return false;
        value = field.GetValue();
        return true;
    }

    bool readColour(const TXMLItem& element, const std::string& caption, int& colour) {
        const std::string& text = element.GetText();
        bool ok = !text.empty() && text.size() <= 8;
        unsigned value = 0;
        for (char c : text) {
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            if (digit < 0)
                ok = false;
            else
                value = value * 16 + static_cast<unsigned>(digit);
        }
        if (!ok) return fail(element, "In " + caption + ": Invalid Hexdecimal value: \"" + text + "\".");
        colour = static_cast<int>(value);
        return true;
    }

    // --- the part tree ----------------------------------------------------

    bool applyPartNode(const TXMLItem& node, TMusTreeItem& item, bool* expanded) {
        if (expanded) *expanded = false;
        for (const auto& child : node.AsCompound().Children()) {
            const std::string& name = child->GetElement();
            if (name == "PartLabel")
                item.Label = Latin1ToUtf8(child->GetText());
            else if (name == "Expanded") {
                if (!expanded) return fail(*child, "Only a Loop or Select Music Part can be expanded.");
                *expanded = true;
            } else if (name == "Selected") {
                if (doc_.SelectedTreeItem) return fail(*child, "At most one Music Part can be selected.");
                doc_.SelectedTreeItem = &item;
            }
        }
        return true;
    }

    bool readBar(TSinglePartMuz& part, const TXMLCompound& bar) {
        int count = 0, length = 0, first = 0;
        const TXMLItem* countElement = bar.Child("Count");
        const TXMLItem* lengthElement = bar.Child("Length");
        if (!readInteger(*countElement, "Bar Count", count)) return false;
        if (!readInteger(*lengthElement, "Bar Length", length)) return false;
        if (const TXMLItem* e = bar.Child("CountFirstBar")) {
            if (!readInteger(*e, "Bar CountFirstBar", first)) return false;
        }
        if (count < 1) return fail(*countElement, "In Bar Count: Value must be positive and more than 0.");
        if (length < 1 || length > 64) return fail(*lengthElement, "In Bar Length: Value must be between 1 and 64.");
        if (first < 0 || first >= count)
            return fail(*bar.Child("CountFirstBar"),
                        "In Bar CountFirstBar: Value must be between 0 and Bar Count - 1.");
        new TMuzBar(&part, static_cast<int8_t>(length), count, first);  // the part owns its bar
        return true;
    }

    bool pop(std::vector<Stacked>& stack, Stacked& out, const TXMLItem& element, const std::string& message) {
        if (stack.empty()) return fail(element, message);
        out = std::move(stack.back());
        stack.pop_back();
        return true;
    }

    bool push(std::vector<Stacked>& stack, std::unique_ptr<TPartMuz> part, int depth, const TXMLItem& element) {
        if (depth > kMaxTreeDepth) return fail(element, "The tree of Music Parts is too deep.");
        stack.push_back({std::move(part), depth});
        return true;
    }

    bool readTree(const std::vector<std::unique_ptr<TXMLItem>>& children, std::size_t& i) {
        static const std::string wrong =
            " while building the tree of Music Parts; The combination of Music Parts is wrong.";
        std::vector<Stacked> stack;
        for (; i < children.size() && children[i]->GetElement() != "Stave"; ++i) {
            const TXMLItem& element = *children[i];
            const std::string& name = element.GetElement();
            if (name == "SingleMuzPart") {
                auto part = std::make_unique<TSinglePartMuz>(&doc_);
                if (!readBar(*part, element.AsCompound().Child("Bar")->AsCompound())) return false;
                if (!applyPartNode(*element.AsCompound().Child("PartNode"), *part, nullptr)) return false;
                if (!push(stack, std::move(part), 1, element)) return false;
            } else if (name == "ConcatMuzPart") {
                Stacked second, first;
                if (!pop(stack, second, element,
                         "Cannot built a Concat Music Part, there are no more Music Parts in the stack for the second "
                         "child" +
                             wrong))
                    return false;
                if (!pop(stack, first, element,
                         "Cannot built a Concat Music Part, there are no more Music Parts in the stack for the first "
                         "child" +
                             wrong))
                    return false;
                const int depth = std::max(first.Depth, second.Depth) + 1;
                auto concat = std::make_unique<TConcatPartMuz>(&doc_, std::move(first.Part), std::move(second.Part));
                if (!push(stack, std::move(concat), depth, element)) return false;
            } else if (name == "LoopMuzPart") {
                const TXMLCompound& loop = element.AsCompound();
                unitIntegerPosMore count;
                if (!readField(count, *loop.Child("Count"), "Loop MuzPart Count", ucNone)) return false;
                Stacked child;
                if (!pop(stack, child, element,
                         "Cannot built a Loop Music Part, there are no more Music Parts in the stack for the child" +
                             wrong))
                    return false;
                auto part = std::make_unique<TLoopPartMuz>(&doc_, std::move(child.Part), count.GetValue());
                part->Count = count;
                if (!applyPartNode(*loop.Child("PartNode"), *part, &part->Expanded)) return false;
                if (!push(stack, std::move(part), child.Depth + 1, element)) return false;
            } else if (name == "SelectMuzPart") {
                Stacked child;
                if (!pop(stack, child, element,
                         "Cannot built a Select Music Part, there are no more Music Parts in the stack for the child" +
                             wrong))
                    return false;
                auto part = std::make_unique<TSelectPartMuz>(&doc_, std::move(child.Part));
                for (const auto& t : element.AsCompound().Children()) {
                    if (t->GetElement() != "SelectMuzPartTurn") continue;
                    const TXMLCompound& turnElement = t->AsCompound();
                    unitIntegerPosMore count;
                    unitInteger pitch;
                    if (!readField(count, *turnElement.Child("Count"), "Select MuzPart Count", ucNone)) return false;
                    if (const TXMLItem* p = turnElement.Child("Pitch")) {
                        if (!readField(pitch, *p, "Select MuzPart Pitch", ucNone)) return false;
                    }
                    TCountSelectPartItem* turn = part->AppendTurn(count.GetValue(), pitch.GetValue());
                    turn->Count = count;
                    turn->Pitch = pitch;
                    if (!applyPartNode(*turnElement.Child("PartNode"), *turn, nullptr)) return false;
                }
                if (!applyPartNode(*element.AsCompound().Child("PartNode"), *part, &part->Expanded)) return false;
                if (!push(stack, std::move(part), child.Depth + 1, element)) return false;
            }
        }
        KORVANE_ASSERT(i < children.size());
        if (stack.size() != 1)
            return fail(*children[i],
                        "There are existing Music Parts falling outside the tree of Music Parts; The combination of "
                        "Music Parts is wrong.");
        doc_.GetStartPart()->SetPartMuz(std::move(stack.back().Part));
        return true;
    }

    // --- staves -----------------------------------------------------------

    bool readStave(const TXMLCompound& element) {
        unitIntegerMoreUser roomUp(0, ucNone, 30), roomDown(0, ucNone, 30);
        if (!readField(roomUp, *element.Child("RoomUp"), "Room Up", ucNone)) return false;
        if (!readField(roomDown, *element.Child("RoomDown"), "Room Down", ucNone)) return false;
        int foreground = 0, background = 0;
        if (!readColour(*element.Child("ForegroundColor"), "ForegroundColor", foreground)) return false;
        if (!readColour(*element.Child("BackgroundColor"), "BackgroundColor", background)) return false;
        auto newStave =
            std::make_unique<TNoteStave>(&doc_, foreground, background, roomUp.GetValue(), roomDown.GetValue(),
                                         element.Child("AllowJoinFlags") ? AllowJoinFlags : drawFlagSeparate,
                                         element.Child("Mute") != nullptr, element.Child("ExtraLines") != nullptr);
        TNoteStave* stave = doc_.AppendStave(std::move(newStave), lastStave_);
        lastStave_ = stave;
        staveKeys_.clear();
        chordHeads_.clear();

        std::size_t partIndex = 0;
        std::vector<const TXMLItem*> keysAndSilences;
        for (const auto& child : element.Children()) {
            const std::string& name = child->GetElement();
            if (name == "KeyPart") {
                if (partIndex >= parts_.size()) return fail(*child, "There are more Key Parts than Music Parts");
                std::vector<const TXMLItem*> items;
                for (const auto& c : child->AsCompound().Children()) items.push_back(c.get());
                if (!readKeyPart(items, *stave, *parts_[partIndex++])) return false;
            } else if (!v71_ && (name == "Key" || name == "Silence")) {
                keysAndSilences.push_back(child.get());
            }
        }
        if (v71_ && partIndex < parts_.size()) return fail(element, "There are more Music Parts than Key Parts");
        if (!v71_ && !readKeyPart(keysAndSilences, *stave, *parts_.front())) return false;

        for (const auto& child : element.Children())
            if (child->GetElement() == "NoteGroup" && !readNoteGroup(child->AsCompound(), *stave)) return false;
        stave->SelectedNoteGroup = stave->DialogNoteGroup = stave->GetStartNoteGroup();
        return true;
    }

    // Symbols are read into each part's list in one sorted insert when the
    // reading of the staves (of a key part, in an old file) ends or fails, so
    // that many symbols at one time cost no walk each.
    struct BulkInsert {
        std::vector<TSinglePartMuz*> parts;
        explicit BulkInsert(std::vector<TSinglePartMuz*> p) : parts(std::move(p)) {
            for (TSinglePartMuz* part : parts) part->BeginBulkInsert();
        }
        ~BulkInsert() {
            for (TSinglePartMuz* part : parts) part->EndBulkInsert();
        }
    };

    bool readKeyPart(const std::vector<const TXMLItem*>& items, TNoteStave& stave, TSinglePartMuz& part) {
        BulkInsert bulk(v71_ ? std::vector<TSinglePartMuz*>{} : std::vector<TSinglePartMuz*>{&part});
        std::vector<TKey*>& keys = keysRead_;
        keys.clear();
        int keyNumber = 0;
        double firstKey = 0;
        std::vector<std::pair<const TXMLItem*, double>> silences;
        for (const TXMLItem* item : items) {
            const TXMLCompound& element = item->AsCompound();
            if (element.GetElement() == "Key") {
                double position = 0;
                if (!readKey(element, stave, part, ++keyNumber, position)) return false;
                if (keyNumber == 1 || position < firstKey) firstKey = position;
            } else {
                double position = 0;
                if (!readSilence(element, stave, part, position)) return false;
                silences.push_back({item, position});
            }
        }
        // The first symbol of a stave in a part is its key; the writer relies on it.
        for (const auto& [item, position] : silences)
            if (position < firstKey) return fail(*item, "A Silence may not stand before the first Key of its Stave.");
        // The stave's keys in the order the sorted insert gives them (equal
        // ones as they came), for the notes to find theirs.
        std::stable_sort(keys.begin(), keys.end(), [](const TKey* a, const TKey* b) { return a->IsPrevOf(*b); });
        auto& found = staveKeys_[&part];
        found.clear();
        for (TKey* key : keys) found.push_back({key->GetSymbolPosition(), key});
        return true;
    }

    bool readPosition(const TXMLCompound& element, const std::string& caption, double& position) {
        unitFactorPos field;
        if (!readField(field, *element.Child("Position"), caption, ucNone)) return false;
        position = field.GetValue();
        return true;
    }

    bool readKey(const TXMLCompound& element, TNoteStave& stave, TSinglePartMuz& part, int keyNumber,
                 double& position) {
        if (!readPosition(element, "Key Position", position)) return false;
        const TXMLItem& kindElement = *element.Child("KeyKind");
        const std::string& kindText = kindElement.GetText();
        int8_t kind = 0;
        if (kindText == "C")
            kind = TKey::keyKindC;
        else if (kindText == "F")
            kind = TKey::keyKindF;
        else if (kindText == "G")
            kind = TKey::keyKindG;
        else
            return fail(kindElement, "Key Kind \"" + kindText + "\" is not a valid Key Kind.");
        int octaves = 0;
        if (const TXMLItem* e = element.Child("OctavesUp")) {
            if (!readInteger(*e, "Key OctavesUp", octaves)) return false;
            if (octaves < -2 || octaves > 2) return fail(*e, "In Key OctavesUp: Value must be between -2 and 2.");
        }
        auto key = std::make_unique<TKey>(&doc_, kind, octaves, position, &stave, keyNumber, &part);
        for (const auto& child : element.Children()) {
            if (child->GetElement() != "KeyNoteShift") continue;
            const TXMLCompound& shift = child->AsCompound();
            int height = 0;
            if (!readInteger(*shift.Child("Height"), "Key NoteShift Height", height)) return false;
            key->SetNoteShift(height, shift.Child("ShiftMol") ? noteShiftMol : noteShiftKruis);
        }
        keysRead_.push_back(key.get());
        part.InsertSorted(std::move(key));
        return true;
    }

    struct TimeValues {
        double Position = 0;
        int Length = 0;
        int Points = 0;
        uint8_t MultiOol = sool;
        int PosInOol = 0;
    };

    // Position, length, points, tuplet and place in the tuplet, with every
    // rule a new note or silence must keep.
    bool readTimeValues(const TXMLCompound& element, bool note, TimeValues& v) {
        const std::string what = note ? "Note" : "Silence";
        if (!readPosition(element, what + " Position", v.Position)) return false;
        const TXMLItem& lengthElement = *element.Child("Length");
        if (!readInteger(lengthElement, what + " Length", v.Length)) return false;
        if (!IsNoteLengthKind(v.Length))
            return fail(lengthElement, "In " + what + " Length: Value must be 1, 2, 4, 8, 16, 32 or 64.");
        if (const TXMLItem* e = element.Child("Points")) {
            if (!readInteger(*e, what + " Points", v.Points)) return false;
            if (v.Points < 0 || v.Points > 3) return fail(*e, "In " + what + " Points: Value must be 0, 1, 2 or 3.");
        }
        const char* tupletName = nullptr;
        for (uint8_t m = duool; m <= kwintool; ++m) {
            if (element.Child(tupletElement(m))) {
                v.MultiOol = m;
                tupletName = tupletElement(m);
            }
        }
        if (const TXMLItem* e = element.Child("PosInOol")) {
            if (!readInteger(*e, "Position in MultiOol", v.PosInOol)) return false;
            if (v.PosInOol < 0) return fail(*e, "In Position in MultiOol: Value must be positive.");
            if (v.PosInOol >= v.MultiOol) {
                const std::string normal = note ? "Normal Note" : "Normal Silence";
                return fail(*e, std::string(note ? "In PosInNote" : "In PosInSil") + ": Value to High for " +
                                    (tupletName ? std::string(tupletName) : normal) + ".");
            }
        }
        if ((v.MultiOol == duool || v.MultiOol == kwartool) && v.Points == 0)
            return fail(element, "A " + std::string(tupletName) + " needs a length with at least one point.");
        if (v.MultiOol == kwintool && v.Length > 16)
            return fail(lengthElement, "In " + what + " Length: Value must be at most 16 for a Kwintool.");
        if (v.MultiOol != sool && v.Length > 32)
            return fail(lengthElement,
                        "In " + what + " Length: Value must be at most 32 for a " + std::string(tupletName) + ".");
        return true;
    }

    bool readSilence(const TXMLCompound& element, TNoteStave& stave, TSinglePartMuz& part, double& position) {
        TimeValues v;
        if (!readTimeValues(element, false, v)) return false;
        position = v.Position;
        part.InsertSorted(std::make_unique<TSilence>(&stave, v.Position, &part, static_cast<int8_t>(v.Length), v.Points,
                                                     v.MultiOol, v.PosInOol));
        return true;
    }

    bool readOnePlayer(const TXMLCompound& element, std::unique_ptr<TOnePlayer>& player) {
        TOnePlayerProps props(unitFreq(0), unitVolumeFactor(1));
        const std::string& name = element.GetElement();
        for (uint8_t kind = notePlayerSimpleSampler; kind <= notePlayerRollOutWaveForm; ++kind)
            if (name == NotePlayerElement(kind)) props.NotePlayerKind = kind;
        KORVANE_ASSERT(props.NotePlayerKind != notePlayerNone);
        unitUnitWave* sampleWave = nullptr;
        unitTimePosMore* basicFreq = nullptr;
        switch (props.NotePlayerKind) {
            case notePlayerSimpleSampler:
                sampleWave = &props.SimpleSampler.SampleWave;
                basicFreq = &props.SimpleSampler.BasicFreq;
                break;
            case notePlayerRollOutSampler:
                sampleWave = &props.RollOutSampler.SampleWave;
                basicFreq = &props.RollOutSampler.BasicFreq;
                break;
            case notePlayerRepeatWaveForm:
                sampleWave = &props.RepeatWaveForm.SampleWave;
                break;
            case notePlayerRollOutWaveForm:
                sampleWave = &props.RollOutWaveForm.SampleWave;
                break;
            default:
                sampleWave = &props.ResonantSampler.SampleWave;
                break;
        }
        for (const auto& child : element.Children()) {
            const std::string& field = child->GetElement();
            if (field == "ResFactor") {
                if (!readField(props.ResonantSampler.ResFactor, *child, "ResFactor", ucNone)) return false;
            } else if (field == "BasicFreq") {
                if (!readField(*basicFreq, *child, "BasicFreq", ucHertz)) return false;
            } else if (field == "SampleWave") {
                sampleWave->SetName(Latin1ToUtf8(child->GetText()));
            } else if (field == "FreqUp") {
                if (!readField(props.FreqUp, *child, "FreqUp", ucHertz)) return false;
            } else if (field == "VolumeFactor") {
                if (!readField(props.VolumeFactor, *child, "VolumeFactor", ucNone)) return false;
            }
        }
        player = std::make_unique<TOnePlayer>(props);
        return true;
    }

    bool readNoteGroup(const TXMLCompound& element, TNoteStave& stave) {
        int colour = 0;
        if (!readColour(*element.Child("NoteColor"), "NoteColor", colour)) return false;
        const uint8_t shape = element.Child("NoteShapeRectangle") ? noteShapeRectangle : noteShapeNormal;
        uint8_t stick = noteStickGroup;
        if (element.Child("NoteStickUp"))
            stick = noteStickUp;
        else if (element.Child("NoteStickDown"))
            stick = noteStickDown;
        // The players are read first: a compound player is never left empty.
        std::vector<std::unique_ptr<TOnePlayer>> players;
        for (const auto& child : element.Child("CompoundPlayer")->AsCompound().Children()) {
            std::unique_ptr<TOnePlayer> player;
            if (!readOnePlayer(child->AsCompound(), player)) return false;
            players.push_back(std::move(player));
        }
        auto compound = std::make_unique<TCompoundPlayer>(&doc_);
        for (auto& p : players) compound->AppendOnePlayer(std::move(p));
        stave.AppendNoteGroup(std::make_unique<TNoteGroup>(&stave, colour, std::move(compound), shape, stick));
        TNoteGroup* group = stave.GetStartNoteGroup();
        while (group->GetNext()) group = group->GetNext();

        if (!v71_) {
            for (const auto& child : element.Children())
                if (child->GetElement() == "Note" && !readNote(child->AsCompound(), stave, *group, *parts_.front()))
                    return false;
            return true;
        }
        std::size_t partIndex = 0;
        for (const auto& child : element.Children()) {
            if (child->GetElement() != "NotePart") continue;
            if (partIndex >= parts_.size()) return fail(*child, "There are more Note Parts than Music Parts");
            TSinglePartMuz& part = *parts_[partIndex++];
            for (const auto& note : child->AsCompound().Children())
                if (!readNote(note->AsCompound(), stave, *group, part)) return false;
        }
        if (partIndex < parts_.size()) return fail(element, "There are more Music Parts than Note Parts");
        return true;
    }

    // The keys of the stave being read, per part, in list order, kept as its
    // key parts are read: the notes come after all keys of their stave, and
    // each finds its key without the part's list (still unsorted in a 7.1
    // file, and a walk over every stave).
    std::map<const TSinglePartMuz*, std::vector<std::pair<double, TKey*>>> staveKeys_;
    std::vector<TKey*> keysRead_;
    TStave* lastStave_ = nullptr;

    // The notes of one stave read so far, by part, time, place in the tuplet
    // and stick: what they share as one chord.
    using ChordKey = std::tuple<const TSinglePartMuz*, double, int, int>;
    struct ChordHead {
        int length, points, multiOol, art;
        bool operator==(const ChordHead&) const = default;
    };
    std::map<ChordKey, ChordHead> chordHeads_;

    // The last key of `stave` at or before `p`, as KeyInEffect finds it.
    TKey* keyInEffect(const TSinglePartMuz& part, double p) {
        auto it = staveKeys_.find(&part);
        if (it == staveKeys_.end()) return nullptr;
        const auto& keys = it->second;
        auto after = std::upper_bound(keys.begin(), keys.end(), p,
                                      [](double position, const auto& key) { return position < key.first; });
        return after == keys.begin() ? nullptr : std::prev(after)->second;
    }

    bool readNote(const TXMLCompound& element, TNoteStave& stave, TNoteGroup& group, TSinglePartMuz& part) {
        TimeValues v;
        const TXMLItem& heightElement = *element.Child("Height");
        if (!readTimeValues(element, true, v)) return false;
        int height = 0;
        if (!readInteger(heightElement, "Note Height", height)) return false;
        const TKey* key = keyInEffect(part, v.Position);
        if (!key) return fail(element, "A Note may not stand before the first Key of its Stave.");
        if (height < -kMaxHeight || height > kMaxHeight)
            return fail(heightElement, "In Note Height: The pitch must lie between -43 and 43.");
        const int pitch = v71_ ? height : key->HeightToPitch(height);
        if (pitch < -43 || pitch > 43)
            return fail(heightElement, "In Note Height: The pitch must lie between -43 and 43.");

        uint8_t shift = noteShiftNone;
        static const char* const shifts[] = {"ShiftDoubleCross", "ShiftCross", "ShiftNormal", "ShiftMol",
                                             "ShiftDoubleMol"};
        for (uint8_t s = noteShiftDoubleKruis; s <= noteShiftDoubleMol; ++s)
            if (element.Child(shifts[s])) shift = s;
        if (shift == noteShiftNone)
            shift = v71_ ? uint8_t{noteShiftNormal} : AccidentalInEffect(part, &stave, v.Position, pitch);

        uint8_t art = noteArtNormal;
        static const char* const arts[] = {"ArtNormal", "ArtStaccato", "ArtStaccatissimo", "ArtPortato", "ArtLegato"};
        for (uint8_t a = noteArtNormal; a <= noteArtLegato; ++a)
            if (element.Child(arts[a])) art = a;
        uint8_t stick = noteStickGroup;
        if (element.Child("NoteStickUp"))
            stick = noteStickUp;
        else if (element.Child("NoteStickDown"))
            stick = noteStickDown;

        auto note = std::make_unique<TMuzNote>(&group, &doc_, &stave, v.Position, &part, static_cast<int8_t>(v.Length),
                                               v.Points, v.MultiOol, v.PosInOol, pitch, shift, art, stick);
        // Notes of one chord drawn with one stick share one head length. The
        // part's list is sorted by position, so the symbols at this position
        // stand next to the new note once it is in.
        // Every earlier note of the chord agrees with the first one, so the
        // first one stands for them all.
        const ChordKey chord{&part, v.Position, v.PosInOol, note->GetEffectiveStick()};
        const ChordHead head{note->GetNoteLengthKind(), note->GetPoints(), note->GetMultiOol(), note->GetNoteArtKind()};
        const auto [first, fresh] = chordHeads_.try_emplace(chord, head);
        const bool agrees = fresh || first->second == ChordHead{v.Length, v.Points, v.MultiOol, art};
        if (agrees) part.InsertSorted(std::move(note));
        if (!agrees) {
            return fail(element,
                        "The Notes of one chord with the same stick must have the same Length, Points, tuplet and "
                        "articulation.");
        }
        return true;
    }
};

// The text of the last Version start tag that is followed by text.
std::string versionOf(const std::vector<TXMLToken>& tokens) {
    std::string version;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i)
        if (tokens[i].TokenKind == xmlTokenBegin && tokens[i].GetElement() == "Version" &&
            tokens[i + 1].TokenKind == xmlTokenAttr)
            version = tokens[i + 1].GetText();
    return version;
}

bool buildFromTree(TUnitMuz& unitMuz, const TXMLCompound& root, bool v71, std::string& message) {
    const TXMLItem* element = root.Child("UnitMuz");
    KORVANE_ASSERT(element != NULL);
    MuzReader reader(unitMuz, v71, message);
    return reader.Read(element->AsCompound());
}

}  // namespace

const TDTDItem& MuzModel71() {
    static const TDTDRef model = buildModel71();
    return *model;
}

const TDTDItem& MuzModel70() {
    static const TDTDRef model = buildModel70();
    return *model;
}

std::unique_ptr<TXMLCompound> MuzToXML(TUnitMuz& unitMuz) { return MuzWriter(unitMuz).Write(); }

namespace {
// A file too large for the memory left is refused as every operation is that
// runs out of it: with the memory message, once, and no document.
template <class Work>
bool withinMemory(std::string& message, Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
        message = kMemoryMessage;
        return false;
    }
}

// Takes the text over: each stage frees what it read before the next one
// builds, so that a large file is held about twice at most.
bool readMuzText(TUnitMuz& unitMuz, std::string&& fileText, std::string& message) {
    std::vector<TXMLToken> tokens;
    if (!TokenizeXMLText(std::move(fileText), tokens, message)) return false;
    const std::string version = versionOf(tokens);
    if (version != "7.0" && version != "7.1") {
        message = "Version \"" + version + "\" is not a known Music file version; only 7.0 and 7.1 can be read.";
        return false;
    }
    const bool v71 = version == "7.1";
    TXMLCompound root("Root");
    TMatchResult match = MatchXML(v71 ? MuzModel71() : MuzModel70(), tokens, root);
    if (!match.Ok) {
        message = match.Message;
        return false;
    }
    std::vector<TXMLToken>().swap(tokens);
    return buildFromTree(unitMuz, root, v71, message);
}
}  // namespace

bool SaveMuz(TUnitMuz& unitMuz, const std::string& path, std::string& message) {
    return withinMemory(message, [&] {
        std::unique_ptr<TXMLCompound> root = MuzToXML(unitMuz);
        return WriteXML(*root, path, message);
    });
}

double PositionAsStored(double position) {
    // Written and read back until it stands still: a place written in seven
    // digits may read back as a double just below it.
    for (int i = 0; i < 4; ++i) {
        const double back = positionFromText(positionText(position));
        if (back < 0 || back == position) break;
        position = back;
    }
    return position;
}

bool MuzText(TUnitMuz& unitMuz, std::string& text, std::string& message) {
    return withinMemory(message, [&] {
        std::unique_ptr<TXMLCompound> root = MuzToXML(unitMuz);
        text = XMLDocumentText(*root);
        return true;
    });
}

bool SaveMuzShowing(TUnitMuz& unitMuz, const std::string& path) {
    std::string message;
    if (SaveMuz(unitMuz, path, message)) return true;
    messages().show("FileError", "Cannot save Music: " + message, MessageIcon::Information);
    return false;
}


bool ReadMuzText(TUnitMuz& unitMuz, const std::string& fileText, std::string& message) {
    return withinMemory(message, [&] { return readMuzText(unitMuz, std::string(fileText), message); });
}

bool OpenMuz(TUnitMuz& unitMuz, const std::string& path, std::string& message) {
    return withinMemory(message, [&] {
        std::string text;
        if (!ReadXMLFile(path, text, message)) return false;
        return readMuzText(unitMuz, std::move(text), message);
    });
}

bool DuplicateMuz(TUnitMuz& source, TUnitMuz& target, std::string& message) {
    return withinMemory(message, [&] {
        TXMLCompound root("Root");
        root.Append(MuzToXML(source));
        return buildFromTree(target, root, true, message);
    });
}

}  // namespace korvane
