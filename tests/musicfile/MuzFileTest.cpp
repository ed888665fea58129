#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "musicfile/MuzFile.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

std::string dataFile(const std::string& name) {
    std::ifstream in(std::filesystem::path(KORVANE_SOURCE_DIR) / "tests" / "musicfile" / "data" / name,
                     std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) lines.push_back(line);
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

class MuzFileTest : public CoreFixture {
protected:
    std::string message;

    std::string written(TUnitMuz& doc) { return XMLDocumentText(*MuzToXML(doc)); }

    // The message of reading `text`, or "" when it reads.
    std::string readError(const std::string& text) {
        TUnitMuz doc;
        message.clear();
        if (ReadMuzText(doc, text, message)) return "";
        EXPECT_FALSE(message.empty());
        return message;
    }

    // The small document (one part, one stave, one note) with lines replaced
    // or inserted; line numbers count from 1.
    std::string small(std::vector<std::pair<int, std::string>> replace,
                      std::vector<std::pair<int, std::string>> insertAfter = {}) {
        std::vector<std::string> lines = linesOf(dataFile("small.xml"));
        for (auto& [n, text] : replace) lines[n - 1] = text;
        for (auto it = insertAfter.rbegin(); it != insertAfter.rend(); ++it)
            lines.insert(lines.begin() + it->first, it->second);
        return joinLines(lines);
    }
};

}  // namespace

TEST_F(MuzFileTest, EveryElementSurvivesSavingAndOpening) {
    const std::string original = dataFile("every-element.xml");
    ASSERT_FALSE(original.empty());
    TUnitMuz doc;
    ASSERT_TRUE(ReadMuzText(doc, original, message)) << message;
    EXPECT_EQ(written(doc), original);

    TUnitMuz copy;
    ASSERT_TRUE(DuplicateMuz(doc, copy, message)) << message;
    EXPECT_EQ(written(copy), original);

    const std::string demo = dataFile("../../../examples/music-demo.korvanem");
    TUnitMuz example;
    ASSERT_TRUE(ReadMuzText(example, demo, message)) << message;
    EXPECT_EQ(written(example), demo);
}

// Notes equal in the stave's order (one position and line, other accidentals)
// read back in the order they were written: saving again gives the same file.
TEST_F(MuzFileTest, EqualNotesKeepTheirOrderAcrossSaves) {
    const std::string text = small({}, {{40, "        <Note>\n          <Position>0</Position>\n          <Length>4</Length>\n"
                                             "          <Height>5</Height>\n          <ShiftCross />\n        </Note>"}});
    TUnitMuz doc;
    ASSERT_TRUE(ReadMuzText(doc, text, message)) << message;
    EXPECT_EQ(written(doc), text);
    TUnitMuz again;
    ASSERT_TRUE(ReadMuzText(again, written(doc), message)) << message;
    EXPECT_EQ(written(again), text);
}

TEST_F(MuzFileTest, ReadingBuildsTheTreeAndTheSymbols) {
    TUnitMuz doc;
    ASSERT_TRUE(ReadMuzText(doc, dataFile("every-element.xml"), message)) << message;
    auto* top = static_cast<TConcatPartMuz*>(doc.GetStartPart()->GetPartMuz());
    ASSERT_EQ(top->GetPartMuzKind(), partMuzConcat);
    auto* loop = static_cast<TLoopPartMuz*>(top->GetFirstPart());
    ASSERT_EQ(loop->GetPartMuzKind(), partMuzLoop);
    EXPECT_EQ(loop->GetShownName(), "chorus 100%");
    EXPECT_TRUE(loop->Expanded);
    auto* select = static_cast<TSelectPartMuz*>(top->GetSecondPart());
    EXPECT_FALSE(select->Expanded);
    ASSERT_EQ(select->GetTurns().size(), 2u);
    EXPECT_EQ(select->GetTurns()[1]->Pitch.GetValue(), -3);
    EXPECT_EQ(select->GetTurns()[1]->GetShownName(), "higher");
    EXPECT_EQ(doc.SelectedTreeItem, doc.FirstSinglePart());
    EXPECT_EQ(doc.FirstSinglePart()->GetMuzBar()->GetExtraCount(), 1);
    EXPECT_EQ(doc.SelectedSymbol, doc.FirstSinglePart()->GetFirstSymbol());
    EXPECT_EQ(doc.Tempo.GetValue(), 1.5);

    TNoteStave* stave = doc.GetFirstStave();
    EXPECT_TRUE(stave->Mute);
    EXPECT_TRUE(stave->ExtraLines);
    EXPECT_EQ(stave->ForegroundColor, 0xFF);
    TNoteGroup* group = stave->GetStartNoteGroup();
    EXPECT_EQ(group->NoteColor, 0xC0FFEE);
    EXPECT_EQ(group->GetCompoundPlayer()->CountOnePlayers(), 5);
    EXPECT_EQ(group->GetCompoundPlayer()->GetStartOnePlayer()->OnePlayerProps.FreqUp.GetValue(), 3);
    EXPECT_EQ(static_cast<TNoteStave*>(stave->Next)->GetStartNoteGroup()->StickDirection, noteStickGroup);
}

TEST_F(MuzFileTest, FreqUpOfZeroIsNotWritten) {
    TUnitMuz doc;
    ASSERT_TRUE(ReadMuzText(doc, dataFile("every-element.xml"), message));
    TOnePlayer* first = doc.GetFirstStave()->GetStartNoteGroup()->GetCompoundPlayer()->GetStartOnePlayer();
    first->OnePlayerProps.FreqUp = unitFreq(0);
    const std::string text = written(doc);
    EXPECT_EQ(text.find("<FreqUp>3 Hz</FreqUp>"), std::string::npos);
    EXPECT_NE(text.find("<FreqUp>-2 Hz</FreqUp>"), std::string::npos);
}

TEST_F(MuzFileTest, ReadErrorsNameTheElementWithLineAndColumn) {
    EXPECT_EQ(readError(small({{15, "    <RoomUp>20</RoomUp>"}})),
              "In Room Up: Value must be more or equal of 30. At line 15, column 13.");
    EXPECT_EQ(readError(small({{22, "        <KeyKind>D</KeyKind>"}})),
              "Key Kind \"D\" is not a valid Key Kind. At line 22, column 18.");
    EXPECT_EQ(readError(small({{17, "    <ForegroundColor>00GG00</ForegroundColor>"}})),
              "In ForegroundColor: Invalid Hexdecimal value: \"00GG00\". At line 17, column 22.");
    EXPECT_EQ(readError(small({{26, "      <NoteColor>0x12</NoteColor>"}})),
              "In NoteColor: Invalid Hexdecimal value: \"0x12\". At line 26, column 18.");
    EXPECT_EQ(readError(small({}, {{39, "          <Triool />"}, {39, "          <PosInOol>3</PosInOol>"}})),
              "In PosInNote: Value to High for Triool. At line 41, column 21.");
    EXPECT_EQ(readError(small({}, {{39, "          <PosInOol>1</PosInOol>"}})),
              "In PosInNote: Value to High for Normal Note. At line 40, column 21.");
    EXPECT_EQ(readError(small({{6, "  <Tempo>0 s</Tempo>"}})),
              "In Tempo: Value must be positive and more than 0. At line 6, column 10.");
    EXPECT_EQ(readError(small({{12, "    <PartNode><Expanded /></PartNode>"}})),
              "Only a Loop or Select Music Part can be expanded. At line 12, column 26.");
}

TEST_F(MuzFileTest, TreeStackMessages) {
    const std::string single =
        "  <SingleMuzPart><Bar><Count>4</Count><Length>4</Length></Bar><PartNode /></SingleMuzPart>";
    const std::string wrong = " while building the tree of Music Parts; The combination of Music Parts is wrong.";
    EXPECT_EQ(readError(small({}, {{13, single}})),
              "There are existing Music Parts falling outside the tree of Music Parts; The combination of Music Parts "
              "is wrong. At line 15, column 10.");
    EXPECT_EQ(readError(small({{7, "  <ConcatMuzPart />"}, {8, ""}, {9, ""}, {10, ""}, {11, ""}, {12, ""}, {13, ""}})),
              "Cannot built a Concat Music Part, there are no more Music Parts in the stack for the second child" +
                  wrong + " At line 7, column 20.");
    EXPECT_EQ(readError(small({}, {{13, "  <ConcatMuzPart />"}})),
              "Cannot built a Concat Music Part, there are no more Music Parts in the stack for the first child" +
                  wrong + " At line 14, column 20.");
    EXPECT_EQ(readError(small({{7, "  <LoopMuzPart><Count>2</Count><PartNode /></LoopMuzPart>"},
                               {8, ""},
                               {9, ""},
                               {10, ""},
                               {11, ""},
                               {12, ""},
                               {13, ""}})),
              "Cannot built a Loop Music Part, there are no more Music Parts in the stack for the child" + wrong +
                  " At line 7, column 16.");
    EXPECT_EQ(readError(small({{12, "    <PartNode><Selected /></PartNode>"}},
                              {{13, "  <SelectMuzPart><PartNode><Selected /></PartNode></SelectMuzPart>"}})),
              "At most one Music Part can be selected. At line 14, column 38.");
    EXPECT_EQ(readError(small({}, {{13, "  <LoopMuzPart><Count>0</Count><PartNode /></LoopMuzPart>"}})),
              "In Loop MuzPart Count: Value must be positive and more than 0. At line 14, column 22.");
}

TEST_F(MuzFileTest, PartListsMustMatchTheParts) {
    const std::string loop = "  <LoopMuzPart><Count>2</Count><PartNode /></LoopMuzPart>";
    EXPECT_EQ(
        readError(small({}, {{24, "    <KeyPart><Key><Position>0</Position><KeyKind>G</KeyKind></Key></KeyPart>"}})),
        "There are more Key Parts than Music Parts At line 25, column 14.");
    EXPECT_EQ(readError(small({}, {{41, "      <NotePart />"}})),
              "There are more Note Parts than Music Parts At line 42, column 19.");
    const std::string twoParts =
        "  <SingleMuzPart><Bar><Count>4</Count><Length>4</Length></Bar><PartNode /></SingleMuzPart>\n"
        "  <ConcatMuzPart />";
    EXPECT_EQ(readError(small({}, {{13, twoParts}})),
              "There are more Music Parts than Key Parts At line 16, column 10.");
    (void)loop;
}

TEST_F(MuzFileTest, ValuesThatBreakSymbolRulesAreRefused) {
    EXPECT_EQ(readError(small({{39, "          <Height>44</Height>"}})),
              "In Note Height: The pitch must lie between -43 and 43. At line 39, column 19.");
    EXPECT_EQ(readError(small({{38, "          <Length>3</Length>"}})),
              "In Note Length: Value must be 1, 2, 4, 8, 16, 32 or 64. At line 38, column 19.");
    EXPECT_EQ(readError(small({}, {{39, "          <Duool />"}})),
              "A Duool needs a length with at least one point. At line 36, column 15.");
    EXPECT_EQ(readError(small({{38, "          <Length>32</Length>"}}, {{39, "          <Kwintool />"}})),
              "In Note Length: Value must be at most 16 for a Kwintool. At line 38, column 19.");
    EXPECT_EQ(readError(small({}, {{38, "          <Points>-1</Points>"}})),
              "In Note Points: Value must be 0, 1, 2 or 3. At line 39, column 19.");
    EXPECT_EQ(readError(small({{37, "          <Position>-1</Position>"}})).substr(0, 22), "In Note Position: Valu");
    EXPECT_EQ(readError(small({{21, "          <Position>1</Position>"}})),
              "A Note may not stand before the first Key of its Stave. At line 36, column 15.");
    EXPECT_EQ(
        readError(small(
            {},
            {{23,
              "      <Silence><Position>0</Position><Length>4</Length><Triool /><PosInOol>3</PosInOol></Silence>"}})),
        "In PosInSil: Value to High for Triool. At line 24, column 70.");
    EXPECT_EQ(readError(small({}, {{22, "        <OctavesUp>3</OctavesUp>"}})),
              "In Key OctavesUp: Value must be between -2 and 2. At line 23, column 20.");
    EXPECT_EQ(readError(small({{10, "      <Length>0</Length>"}})),
              "In Bar Length: Value must be between 1 and 64. At line 10, column 15.");
    // A chord whose notes share a stick shares one length.
    const std::string chordNote = "        <Note><Position>0</Position><Length>8</Length><Height>7</Height></Note>";
    EXPECT_EQ(readError(small({}, {{40, chordNote}})),
              "The Notes of one chord with the same stick must have the same Length, Points, tuplet and articulation. "
              "At line 41, column 15.");
    const std::string otherStick =
        "        <Note><Position>0</Position><Length>8</Length><Height>7</Height><NoteStickDown /></Note>";
    EXPECT_EQ(readError(small({}, {{40, otherStick}})), "");
}

TEST_F(MuzFileTest, VersionTokenizerAndGrammarFailures) {
    EXPECT_EQ(readError(small({{5, "  <Version>7.2</Version>"}})),
              "Version \"7.2\" is not a known Music file version; only 7.0 and 7.1 can be read.");
    EXPECT_EQ(readError(small({{36, "        <Note x=1>"}})), "unexpected 'x' found in line 36, column 15.");
    EXPECT_EQ(readError(small({{9, "      <Count></Count>"}})),
              "unexpected end of element \"Count\", expect text, at line 9, column 20.");
    EXPECT_EQ(readError(small({{12, "    <PartNode><Selected /><Expanded /></PartNode>"}})),
              "unexpected empty element \"Expanded\", expect end of element \"PartNode\", at line 12, column 36.");
    // Well-formed tokens after the document element are not examined.
    EXPECT_EQ(readError(small({}, {{44, "<Anything>else</Anything>"}})), "");
    TUnitMuz doc;
    EXPECT_FALSE(OpenMuz(doc, "/nonexistent/korvane/music.xml", message));
    EXPECT_EQ(message, "Operating System cannot open file for reading.");
}

TEST_F(MuzFileTest, Version70HeightsGoThroughTheKeyAndTheBar) {
    const std::string old70 = dataFile("../../fuzz/corpus/music_reader/old-70.xml");
    TUnitMuz doc;
    ASSERT_TRUE(ReadMuzText(doc, old70, message)) << message;
    TSinglePartMuz* part = doc.FirstSinglePart();
    std::vector<std::pair<int, int>> notes;  // pitch, shift
    for (TStaveSymbol* s = part->GetFirstSymbol(); s; s = s->Next)
        if (s->GetStaveSymbolKind() == staveSymbolNote)
            notes.push_back({static_cast<TMuzNote*>(s)->GetPitch(), static_cast<TMuzNote*>(s)->GetNoteShiftKind()});
    // Height -3 under a G key is F, given natural; height 4 is the F above, and
    // the natural earlier in the bar holds for it over the signature's sharp.
    EXPECT_EQ(notes, (std::vector<std::pair<int, int>>{{3, noteShiftNormal}, {10, noteShiftNormal}}));
    EXPECT_EQ(doc.GetFirstStave()->GetStartNoteGroup()->StickDirection, noteStickDown);
    EXPECT_EQ(part->GetMuzBar()->GetCountNotes(), 3);

    // An F sharp earlier in the bar holds for F in another octave, until the bar ends.
    std::string text = old70;
    const std::string notesAt = "      <Note>\n        <Position>0</Position>";
    text.replace(text.find(notesAt), 0,
                 "      <Note><Position>0.125</Position><Length>8</Length><Height>-3</Height><ShiftCross /></Note>\n"
                 "      <Note><Position>0.5</Position><Length>4</Length><Height>4</Height></Note>\n"
                 "      <Note><Position>0.75</Position><Length>4</Length><Height>4</Height></Note>\n");
    const std::string key = "<KeyNoteShift>\n        <ShiftCross />\n        <Height>4</Height>\n      </KeyNoteShift>";
    text.erase(text.find(key), key.size());
    TUnitMuz second;
    ASSERT_TRUE(ReadMuzText(second, text, message)) << message;
    std::vector<int> shifts;
    for (TStaveSymbol* s = second.FirstSinglePart()->GetFirstSymbol(); s; s = s->Next)
        if (s->GetStaveSymbolKind() == staveSymbolNote && static_cast<TMuzNote*>(s)->GetPitch() % 7 == 3)
            shifts.push_back(static_cast<TMuzNote*>(s)->GetNoteShiftKind());
    // In list order: F natural at 0, F sharp at 0.125, then the F above at 0.25
    // and 0.5 take the sharp; at 0.75 a new bar starts with the key again.
    EXPECT_EQ(shifts,
              (std::vector<int>{noteShiftNormal, noteShiftKruis, noteShiftKruis, noteShiftKruis, noteShiftNormal}));
}

TEST_F(MuzFileTest, LoopReadWithoutExpandedIsCollapsed) {
    TUnitMuz doc;
    ASSERT_TRUE(
        ReadMuzText(doc, small({}, {{13, "  <LoopMuzPart><Count>2</Count><PartNode /></LoopMuzPart>"}}), message))
        << message;
    EXPECT_FALSE(static_cast<TLoopPartMuz*>(doc.GetStartPart()->GetPartMuz())->Expanded);
    EXPECT_TRUE(TLoopPartMuz(&doc, nullptr, 1).Expanded);
}

TEST_F(MuzFileTest, SaveShowsTheWritersMessage) {
    TUnitMuz doc;
    doc.InitNew();
    EXPECT_FALSE(SaveMuzShowing(doc, "/nonexistent/korvane/music.xml"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "FileError");
    EXPECT_EQ(boxes.shown[0].text,
              "Cannot save Music: Operating System cannot open file for writing, maybe the file is readonly.");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);

    const std::string path = (std::filesystem::temp_directory_path() / "korvane-new-music.xml").string();
    ASSERT_TRUE(SaveMuzShowing(doc, path));
    TUnitMuz back;
    ASSERT_TRUE(OpenMuz(back, path, message)) << message;
    EXPECT_EQ(written(back), written(doc));
    std::filesystem::remove(path);
}
