#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <tuple>

#include "interchange/Interchange.h"
#include "interchange/MidiWrite.h"
#include "interchange/MusicXmlRead.h"
#include "interchange/MusicXmlWrite.h"
#include "interchange/Mxl.h"
#include "interchange/ScoreData.h"
#include "musicfile/MuzFile.h"
#include "render/MusicRender.h"
#include "values/ValueWriters.h"

using namespace korvane;

namespace {

const std::string kSource = KORVANE_SOURCE_DIR;

void openExample(TUnitMuz& doc, const std::string& name) {
    std::string message;
    ASSERT_TRUE(OpenMuz(doc, kSource + "/examples/" + name, message)) << message;
}

std::string text71(TUnitMuz& doc) {
    std::string text, message;
    EXPECT_TRUE(MuzText(doc, text, message)) << message;
    return text;
}

// What MusicXML does not carry, set as an import leaves it: labels, the
// stave settings, the players.
void clearTree(TPartMuz* part) {
    if (!part) return;
    part->Label.clear();
    switch (part->GetPartMuzKind()) {
        case partMuzConcat:
            clearTree(static_cast<TConcatPartMuz*>(part)->GetFirstPart());
            clearTree(static_cast<TConcatPartMuz*>(part)->GetSecondPart());
            break;
        case partMuzLoop: clearTree(static_cast<TLoopPartMuz*>(part)->GetLoopPart()); break;
        case partMuzSelect: {
            auto* select = static_cast<TSelectPartMuz*>(part);
            for (const auto& turn : select->GetTurns()) turn->Label.clear();
            clearTree(select->GetSelectPart());
            break;
        }
        default: break;
    }
}

void dropWhatTheReportNames(TUnitMuz& doc) {
    clearTree(doc.GetStartPart()->GetPartMuz());
    for (TStave* s = doc.GetFirstStave(); s; s = s->Next) {
        auto* stave = static_cast<TNoteStave*>(s);
        stave->RoomUp = stave->RoomDown = 80;
        stave->ForegroundColor = 0;
        stave->BackgroundColor = 0xFFFFFF;
        stave->drawFlagKind = AllowJoinFlags;
        stave->Mute = stave->ExtraLines = false;
        for (TNoteGroup* g = stave->GetStartNoteGroup(); g; g = g->GetNext()) {
            TCompoundPlayer* player = g->GetCompoundPlayer();
            TOnePlayerProps props(unitFreq(0), unitVolumeFactor(1));
            props.NotePlayerKind = notePlayerSimpleSampler;
            player->InsertOnePlayer(nullptr, std::make_unique<TOnePlayer>(props));
            while (player->GetStartOnePlayer()->GetNext())
                player->DeleteOnePlayer(player->GetStartOnePlayer()->GetNext());
            player->CurrentOnePlayer = player->GetStartOnePlayer();
        }
    }
}

std::string withoutConcats(std::string text) {
    const std::string line = "  <ConcatMuzPart />\n";
    for (size_t at; (at = text.find(line)) != std::string::npos;) text.erase(at, line.size());
    return text;
}

bool importBytes(const std::string& bytes, TMusicFormat format, TUnitMuz& doc, TInterchangeReport& report,
                 std::string& error, int grid = 64) {
    TMidiImportOptions options;
    options.Grid = grid;
    return ImportMusicBytes(bytes, format, doc, options, report, error);
}

}  // namespace

// The examples through MusicXML (plain and compressed) and back give the same
// file but for what the export report names.
TEST(MusicXmlRoundTrip, ExamplesComeBackButForWhatTheReportNames) {
    struct Case {
        const char* file;
        std::vector<std::string> report;
        bool grouping;  // the tree's concatenations are reported as regrouped
    } cases[] = {
        {"music-demo.korvanem",
         {"dropped: 2 note players", "dropped: 2 stave settings (room, colours, beams, sound, extra lines)",
          "dropped: 5 part labels"},
         false},
        {"score-dense.korvanem",
         {"approximated: 1 sequence of parts grouped otherwise than from the right", "dropped: 3 note players",
          "dropped: 3 stave settings (room, colours, beams, sound, extra lines)", "dropped: 3 part labels"},
         true},
    };
    for (const Case& c : cases) {
        for (bool compressed : {false, true}) {
            TUnitMuz doc;
            openExample(doc, c.file);
            TInterchangeReport exportReport;
            std::string bytes = WriteMusicXml(doc, exportReport), error;
            EXPECT_EQ(exportReport.Lines(), c.report) << c.file;
            if (compressed) {
                std::string archive;
                ASSERT_TRUE(PackMxl(bytes, archive, error)) << error;
                bytes = archive;
            }
            TUnitMuz back;
            TInterchangeReport importReport;
            ASSERT_TRUE(importBytes(bytes, compressed ? TMusicFormat::mxl : TMusicFormat::musicXml, back, importReport,
                                    error))
                << error;
            EXPECT_TRUE(importReport.Empty()) << c.file << " " << importReport.Lines().front();
            dropWhatTheReportNames(doc);
            const std::string expected = text71(doc), got = text71(back);
            if (c.grouping) {
                EXPECT_NE(expected, got);
                EXPECT_EQ(withoutConcats(expected), withoutConcats(got)) << c.file;
            } else {
                EXPECT_EQ(expected, got) << c.file;
            }
        }
    }
}

namespace {

// A score of one part per row of notes, made through the importers' builder.
TXNote note(double position, int length, int pitch, int points = 0, int multi = sool, int posInOol = 0) {
    TXNote n;
    n.Position = position;
    n.Length = length;
    n.Pitch = pitch;
    n.Points = points;
    n.MultiOol = multi;
    n.PosInOol = posInOol;
    return n;
}

void buildScore(TUnitMuz& doc, const TXScore& score) {
    TInterchangeReport report;
    std::string error;
    ASSERT_TRUE(BuildMuz(score, doc, report, error)) << error;
    ASSERT_TRUE(report.Empty());
}

std::string musicXmlOf(const std::vector<TXNote>& notes, int count = 4, int length = 4, TXKey key = {}) {
    TXScore score;
    score.Staves.push_back({{TXGroup{}}});
    TXPart part;
    part.CountNotes = count;
    part.NoteLength = length;
    part.Staves.resize(1);
    part.Staves[0].Notes = notes;
    part.Staves[0].Keys.push_back(key);
    score.Parts.push_back(part);
    TUnitMuz doc;
    buildScore(doc, score);
    TInterchangeReport report;
    return WriteMusicXml(doc, report);
}

std::string select(const std::string& xml, const char* xpath) {
    pugi::xml_document d;
    d.load_string(xml.c_str());
    std::string found;
    for (const auto& n : d.select_nodes(xpath)) {
        if (!found.empty()) found += "|";
        found += n.node() ? n.node().text().get() : n.attribute().value();
    }
    return found;
}

}  // namespace

// The notation of single features, as a notation program reads them.
TEST(MusicXmlExport, WritesKeysClefsTupletsTiesAndArticulations) {
    // Two sharps on a G key; a C key with one octave up and a flat on E only.
    TXKey d;
    d.Scale = ScaleOfFifths(TKey::keyKindG, 2);
    EXPECT_EQ(select(musicXmlOf({note(0, 4, 0)}, 4, 4, d), "//key/fifths"), "2");
    TXKey odd;
    odd.Kind = TKey::keyKindC;
    odd.Octaves = 1;
    odd.Scale[2] = noteShiftMol;  // height 2 of a C key is E
    const std::string oddXml = musicXmlOf({note(0, 4, 0)}, 4, 4, odd);
    EXPECT_EQ(select(oddXml, "//key/key-step"), "E");
    EXPECT_EQ(select(oddXml, "//key/key-alter"), "-1");
    EXPECT_EQ(select(oddXml, "//clef/sign") + select(oddXml, "//clef/line") +
                  select(oddXml, "//clef/clef-octave-change"),
              "C31");
    // A triplet of eighths in a quarter; a kwintool of sixteenths.
    const std::string tuplets = musicXmlOf({note(0, 4, 0, 0, triool, 0), note(0, 4, 1, 0, triool, 1),
                                            note(0, 4, 2, 0, triool, 2), note(0.25, 4, 3, 0, kwintool, 0)});
    EXPECT_EQ(select(tuplets, "//note/type"), "eighth|eighth|eighth|16th");
    EXPECT_EQ(select(tuplets, "//time-modification/actual-notes"), "3|3|3|5");
    EXPECT_EQ(select(tuplets, "//time-modification/normal-notes"), "2|2|2|4");
    EXPECT_EQ(select(tuplets, "//note/duration"), "1280|1280|1280|768");
    EXPECT_EQ(select(tuplets, "//tuplet/@type"), "start|stop|start");
    // A half note at 3/4 of a 4/4 bar crosses the bar line: a tied quarter
    // on each side.
    const std::string tie = musicXmlOf({note(0.75, 2, 4)});
    EXPECT_EQ(select(tie, "//note[pitch]/duration"), "3840|3840");
    EXPECT_EQ(select(tie, "//note[pitch]/tie/@type"), "start|stop");
    EXPECT_EQ(select(tie, "//measure/@number"), "1|2");
    // Articulations and an absolute accidental.
    TXNote staccato = note(0, 4, 3), legato = note(0.25, 4, 3), portato = note(0.5, 4, 3);
    staccato.Art = noteArtStaccato;
    staccato.Shift = noteShiftKruis;
    legato.Art = noteArtLegato;
    portato.Art = noteArtPortato;
    const std::string arts = musicXmlOf({staccato, legato, portato});
    pugi::xml_document doc;
    doc.load_string(arts.c_str());
    std::string names;
    for (const auto& n : doc.select_nodes("//articulations/*")) names += std::string(n.node().name()) + " ";
    EXPECT_EQ(names, "staccato tenuto detached-legato ");
    EXPECT_EQ(select(arts, "//pitch/alter"), "1");
}

// Notes through MIDI and back at the finest grid: the same played notes.
TEST(MidiRoundTrip, PlayedNotesComeBackAtGrid64) {
    TXScore score;
    score.Tempo = 1.5;
    score.Staves.push_back({{TXGroup{}, TXGroup{}}});
    TXPart part;
    part.Staves.resize(1);
    auto& notes = part.Staves[0].Notes;
    notes = {note(0, 4, 0), note(0, 4, 2), note(0.25, 8, 4, 1), note(0.4375, 16, 5), note(0.5, 4, 1, 0, triool, 0),
             note(0.5, 4, 3, 0, triool, 1), note(0.5, 4, -3, 0, triool, 2), note(0.75, 2, 7), note(1.25, 32, 6, 1)};
    TXNote group2 = note(0, 1, -10);
    group2.Group = 1;
    group2.Stick = noteStickDown;
    group2.Shift = noteShiftMol;
    notes.push_back(group2);
    TXNote staccato = note(1.5, 4, 8);
    staccato.Art = noteArtStaccato;
    notes.push_back(staccato);
    part.Staves[0].Keys.push_back({});
    score.Parts.push_back(part);
    TUnitMuz doc;
    buildScore(doc, score);
    TInterchangeReport report;
    std::string bytes, error;
    ASSERT_TRUE(WriteMidi(doc, 0, bytes, report, error)) << error;
    TUnitMuz back;
    ASSERT_TRUE(importBytes(bytes, TMusicFormat::midi, back, report, error)) << error;
    EXPECT_TRUE(report.Empty()) << report.Lines().front();
    report = {};
    EXPECT_DOUBLE_EQ(back.Tempo.GetValue(), 1.5);
    auto played = [](TUnitMuz& d) {
        int division = 0;
        std::vector<TMidiNote> list;
        TInterchangeReport r;
        std::string e;
        EXPECT_TRUE(MidiNotesOf(d, division, list, r, e));
        std::vector<std::tuple<double, double, int>> out;
        for (const TMidiNote& n : list)
            out.push_back({static_cast<double>(n.Start) / division, static_cast<double>(n.End) / division, n.Key});
        std::sort(out.begin(), out.end());
        return out;
    };
    const auto expected = played(doc);
    EXPECT_EQ(expected.size(), 11u);
    EXPECT_EQ(played(back), expected);
}

// The first stave's signature travels as MIDI's key signature, so the notes
// come back spelled with its sharps or flats; a scale that is no signature
// writes none.
TEST(MidiRoundTrip, TheKeySignatureComesBack) {
    for (const int fifths : {1, -3, 0, 99}) {
        SCOPED_TRACE(fifths);
        TXScore score;
        score.Staves.push_back({{TXGroup{}}});
        TXPart part;
        part.Staves.resize(1);
        TXKey key;
        key.Scale = ScaleOfFifths(TKey::keyKindG, fifths == 99 ? 0 : fifths);
        if (fifths == 99) key.Scale[2] = noteShiftKruis;  // a lone sharp on A
        part.Staves[0].Keys.push_back(key);
        part.Staves[0].Notes = {note(0, 4, 1, 0)};
        score.Parts.push_back(part);
        TUnitMuz doc;
        buildScore(doc, score);
        TInterchangeReport report;
        std::string bytes, error;
        ASSERT_TRUE(WriteMidi(doc, 0, bytes, report, error)) << error;
        const std::string meta = std::string("\xFF\x59\x02", 3) + static_cast<char>(fifths) + '\0';
        EXPECT_EQ(bytes.find(meta) != std::string::npos, fifths != 99);
        TUnitMuz back;
        ASSERT_TRUE(importBytes(bytes, TMusicFormat::midi, back, report, error)) << error;
        const TStaveSymbol* first = back.FirstSinglePart()->GetFirstSymbol();
        ASSERT_EQ(first->GetStaveSymbolKind(), staveSymbolKey);
        int backFifths = 0;
        EXPECT_TRUE(StandardFifths(*static_cast<const TKey*>(first), backFifths));
        EXPECT_EQ(backFifths, fifths == 99 ? 0 : fifths);
    }
}

namespace {

// The render's list as MIDI ticks: what the export must hold.
std::vector<std::tuple<long long, long long, int, int>> renderList(TUnitMuz& doc, int division) {
    struct None : WaveRegistry {
        TUnitWave* FindWave(const std::string&) const override { return nullptr; }
    } none;
    TMusicRenderer renderer(doc, none);
    std::vector<TPlayedNote> played;
    EXPECT_TRUE(renderer.ListNotes(*doc.GetStartPart(), {}, played, 1000000, 1000000));
    std::vector<std::tuple<long long, long long, int, int>> out;
    const double T = doc.Tempo.GetValue();
    for (const TPlayedNote& p : played) {
        const double semis = 12 * std::log2(1 / 440.0 / p.Note->GetPeriod()) + 69 + p.Transpose;
        out.push_back({std::llround(p.Start / T * 4 * division), std::llround((p.Start + p.Length) / T * 4 * division),
                       static_cast<int>(std::lround(semis)), 0});
    }
    return out;
}

}  // namespace

// The export plays as the renderer: loops unfolded, turns transposed,
// articulations' lengths, muted staves and hidden parts left out.
TEST(MidiExport, NotesAreTheRenderersNotes) {
    TUnitMuz doc;
    openExample(doc, "music-demo.korvanem");
    int division = 0;
    std::vector<TMidiNote> notes;
    TInterchangeReport report;
    std::string error;
    ASSERT_TRUE(MidiNotesOf(doc, division, notes, report, error)) << error;
    std::vector<std::tuple<long long, long long, int, int>> got;
    for (const TMidiNote& n : notes) got.push_back({n.Start, n.End, n.Key, 0});
    EXPECT_EQ(got, renderList(doc, division));

    // By hand: a loop of 2 passes over a quarter C (legato) and a turn for
    // pass 2 one octave up holding a staccato E; a muted second stave.
    TXScore score;
    score.Tempo = 2;
    score.Staves = {{{TXGroup{}}}, {{TXGroup{}}}};
    TXPart a, b;
    a.Staves.resize(2);
    b.Staves.resize(2);
    TXNote c = note(0, 4, 0);
    c.Art = noteArtLegato;
    a.Staves[0].Notes = {c};
    a.Staves[1].Notes = {note(0, 4, 4)};
    TXNote e = note(0, 4, 2);
    e.Art = noteArtStaccato;
    b.Staves[0].Notes = {e};
    score.Parts = {a, b};
    score.Root.Children.resize(1);
    TXNode& loop = score.Root.Children[0];
    loop.NodeKind = TXNode::loop;
    loop.Count = 2;
    TXNode single;
    single.NodeKind = TXNode::single;
    single.Part = 0;
    TXNode turn;
    turn.NodeKind = TXNode::select;
    turn.Turns = {{2, 12}};
    turn.Children = {single};
    turn.Children[0].Part = 1;
    loop.Children = {single, turn};
    TUnitMuz hand;
    buildScore(hand, score);
    static_cast<TNoteStave*>(hand.GetFirstStave()->Next)->Mute = true;
    ASSERT_TRUE(MidiNotesOf(hand, division, notes, report, error)) << error;
    EXPECT_EQ(division, 480);
    // Pass 1: C at 0 for half a note (legato doubles the quarter); the turn
    // is silent. Pass 2 starts at a quarter: C again, then E an octave up
    // for an eighth (staccato halves it).
    const std::vector<TMidiNote> expected{{0, 0, 60, 100, 0, 960}, {0, 0, 60, 100, 480, 1440},
                                          {0, 0, 76, 100, 960, 1200}};
    EXPECT_EQ(notes, expected);
}

// Bad input never builds a document: each gives its own clear message.
TEST(InterchangeRefusals, BadFilesGiveAMessage) {
    const std::string header = std::string("MThd\0\0\0\6\0\1\0\1\1\xE0", 14);
    std::string bigXml = "<score-partwise><part-list>";
    for (int i = 0; i < 300; ++i) bigXml += "<score-part id=\"P" + std::to_string(i) + "\"/>";
    bigXml += "</part-list>";
    for (int i = 0; i < 300; ++i) bigXml += "<part id=\"P" + std::to_string(i) + "\"><measure/></part>";
    bigXml += "</score-partwise>";
    struct Case {
        std::string bytes;
        TMusicFormat format;
        std::string message;
    } cases[] = {
        {"MThd", TMusicFormat::midi, "The file is not a MIDI file (no MThd header)."},
        {header, TMusicFormat::midi, "The MIDI file is truncated: track 1 is missing."},
        {header + std::string("MTrk\0\0\0\x10\0\x90\x3C", 11), TMusicFormat::midi,
         "The MIDI file is truncated in track 1."},
        {header + std::string("MTrk\0\0\0\3\0\x90\x3C", 11), TMusicFormat::midi,
         "The MIDI file is truncated inside a track."},
        {std::string("MThd\0\0\0\6\0\1\0\1\0\0", 14), TMusicFormat::midi,
         "The MIDI file has a division of 0 ticks a quarter."},
        {std::string("MThd\0\0\0\6\0\1\0\1\xE7\x28", 14), TMusicFormat::midi,
         "The MIDI file counts time in SMPTE frames, which cannot be read as music."},
        {header + std::string("MTrk\0\0\0\4\0\xFF\x2F\0", 12), TMusicFormat::midi, "The MIDI file has no notes."},
        // Two short notes 67 million whole notes apart: millions of rests.
        {std::string("MThd\0\0\0\6\0\1\0\1\0\1", 14) +
             std::string("MTrk\0\0\0\x17\0\x90\x3C\x40\1\x80\x3C\x40\xFF\xFF\xFF\x7F\x90\x3C\x40\1\x80\x3C\x40"
                         "\0\xFF\x2F\0",
                         31),
         TMusicFormat::midi, "The MIDI file would make a score of more than 2000000 notes and silences."},
        {"<UnitMuz><Version>7.1</Version></UnitMuz>", TMusicFormat::musicXml, kKorvaneFileMessage},
        {"<score-partwise><part id=\"P1\"><measure>", TMusicFormat::musicXml,
         "The MusicXML file cannot be read: Start-end tags mismatch at byte 38."},
        {"<html/>", TMusicFormat::musicXml, "The file is not a MusicXML score (its root element is <html>)."},
        {bigXml, TMusicFormat::musicXml, "The score has more than 256 parts."},
        {"<score-partwise><part id=\"P1\"><measure><attributes><divisions>0</divisions></attributes></measure>"
         "</part></score-partwise>",
         TMusicFormat::musicXml, "The part P1 has divisions of 0, which no score has."},
        {"PK\3\4 not really", TMusicFormat::mxl, "The file is not a compressed MusicXML score (no zip archive)."},
    };
    for (const Case& c : cases) {
        TUnitMuz doc;
        TInterchangeReport report;
        std::string error;
        EXPECT_FALSE(importBytes(c.bytes, c.format, doc, report, error));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(doc.GetFirstStave(), nullptr);
    }
    // A zip bomb: a score that unpacks beyond the limit stops at it.
    std::string bomb, archive, error, text;
    bomb.assign(kMaxUnpackedScore + 1, ' ');
    ASSERT_TRUE(PackMxl(bomb, archive, error));
    EXPECT_LT(archive.size(), 1u << 20);
    EXPECT_FALSE(UnpackMxl(archive, text, error));
    EXPECT_EQ(error, "The compressed score unpacks to more than 64 MB.");
}

// Scores whose part tree would be deeper than the program walks: the parts
// and repeats beyond the limits run on, reported.
TEST(InterchangeLimits, ManyPartsAndDeepRepeatsAreCapped) {
    struct Case {
        const char* measure;
        int count;
        std::string line;
    } cases[] = {
        {"<measure><attributes><time><beats>4</beats><beat-type>4</beat-type></time></attributes></measure>", 3000,
         "approximated: 1000 part starts past the most parts a score holds"},
        {"<measure><barline location=\"left\"><repeat direction=\"forward\"/></barline></measure>", 1000,
         "dropped: 968 repeats or endings nested too deep"},
    };
    for (const Case& c : cases) {
        std::string xml = "<score-partwise><part id=\"P1\">";
        for (int i = 0; i < c.count; ++i) xml += c.measure;
        xml += "</part></score-partwise>";
        TUnitMuz doc;
        TInterchangeReport report;
        std::string error;
        ASSERT_TRUE(importBytes(xml, TMusicFormat::musicXml, doc, report, error)) << error;
        ASSERT_FALSE(report.Empty());
        EXPECT_EQ(report.Lines().front(), c.line);
        std::string text, message;
        EXPECT_TRUE(MuzText(doc, text, message));
    }
}

// Notes of other lengths at one chord place take the free stems, up then
// down; a fourth length has none left and is left out, reported.
TEST(ScoreBuilder, NotesOfOtherLengthsAtAChordTakeStemsOfTheirOwn) {
    TXScore score;
    score.Staves.push_back({{TXGroup{}}});
    TXPart part;
    part.Staves.resize(1);
    part.Staves[0].Notes = {note(0, 4, 0), note(0, 4, 2), note(0, 2, 4), note(0, 1, 6), note(0, 8, 8)};
    score.Parts.push_back(part);
    TUnitMuz doc;
    TInterchangeReport report;
    std::string error;
    ASSERT_TRUE(BuildMuz(score, doc, report, error)) << error;
    EXPECT_EQ(report.Lines(), std::vector<std::string>{"dropped: 1 note that clashes with a chord"});
    std::string sticks;
    for (TStaveSymbol* s = doc.FirstSinglePart()->GetFirstSymbol(); s; s = s->Next)
        if (s->GetStaveSymbolKind() == staveSymbolNote) {
            const auto* n = static_cast<const TMuzNote*>(s);
            sticks += std::to_string(n->GetPitch()) + ":" + std::to_string(n->GetDrawStickKind()) + " ";
        }
    EXPECT_EQ(sticks, "6:1 4:0 2:2 0:2 ");
}

// Far into a long part the music file holds places to seven digits: notes
// the file would give back at one place are built as one chord there, so the
// imported score saves and reads back as it is.
TEST(ScoreBuilder, NotesTheFileCannotTellApartShareAChord) {
    TXScore score;
    score.Staves.push_back({{TXGroup{}}});
    TXPart part;
    part.Staves.resize(1);
    const double far = 12345;
    part.Staves[0].Notes = {note(far + 1.0 / 64, 64, 0), note(far + 1.0 / 96, 32, 2), note(3 + 1.0 / 64, 64, 4),
                            note(3 + 1.0 / 96, 32, 6)};
    score.Parts.push_back(part);
    TUnitMuz doc;
    TInterchangeReport report;
    std::string error;
    ASSERT_TRUE(BuildMuz(score, doc, report, error)) << error;
    std::vector<std::pair<double, int>> places;
    for (TStaveSymbol* s = doc.FirstSinglePart()->GetFirstSymbol(); s; s = s->Next)
        if (s->GetStaveSymbolKind() == staveSymbolNote)
            places.push_back({s->GetSymbolPosition(), static_cast<const TMuzNote*>(s)->GetDrawStickKind()});
    ASSERT_EQ(places.size(), 4u);
    // Near the start the two places stay apart, far on they are one.
    EXPECT_NE(places[0].first, places[1].first);
    EXPECT_EQ(places[2].first, places[3].first);
    EXPECT_NE(places[2].second, places[3].second);
    const std::string text = text71(doc);
    TUnitMuz back;
    std::string message;
    ASSERT_TRUE(ReadMuzText(back, text, message)) << message;
    EXPECT_EQ(text71(back), text);
}

// A note group without notes has no voice to travel in: the export says so,
// and the import gives the stave the groups that have notes.
TEST(MusicXmlExport, NoteGroupsWithoutNotesAreReported) {
    TXScore score;
    score.Staves.push_back({{TXGroup{}, TXGroup{}, TXGroup{}}});
    score.Staves.push_back({{TXGroup{}, TXGroup{}}});
    TXPart part;
    part.Staves.resize(2);
    TXNote second = note(0, 4, 2);
    second.Group = 1;
    part.Staves[0].Notes = {second};
    part.Staves[0].Keys.push_back({});
    part.Staves[1].Keys.push_back({});
    score.Parts.push_back(part);
    TUnitMuz doc;
    buildScore(doc, score);
    TInterchangeReport report;
    const std::string xml = WriteMusicXml(doc, report);
    const auto& lines = report.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "dropped: 3 note groups without notes"), lines.end());
    TUnitMuz back;
    std::string error;
    ASSERT_TRUE(importBytes(xml, TMusicFormat::musicXml, back, report, error)) << error;
    std::vector<int> groups;
    for (TNoteStave* s = back.GetFirstStave(); s; s = static_cast<TNoteStave*>(s->Next))
        groups.push_back(s->CountNoteGroups());
    EXPECT_EQ(groups, (std::vector<int>{1, 1}));
}

// A score as other programs write it, timewise: two measures of 3/4 in one
// F-clef part with a flat, a half tied over the bar line (one note), a
// triplet, a second voice after a backup, a slur and a dynamic dropped.
TEST(MusicXmlImport, ReadsATimewiseScoreOfAnotherProgram) {
    const std::string xml = R"(<?xml version="1.0"?>
<score-timewise version="3.1"><part-list><score-part id="A"><part-name>Bass</part-name></score-part></part-list>
<measure number="1"><part id="A">
  <attributes><divisions>6</divisions><key><fifths>-1</fifths></key><time><beats>3</beats><beat-type>4</beat-type></time>
    <clef><sign>F</sign><line>4</line></clef></attributes>
  <direction><direction-type><dynamics><f/></dynamics></direction-type><sound tempo="90"/></direction>
  <note><pitch><step>B</step><alter>-1</alter><octave>2</octave></pitch><duration>6</duration><voice>1</voice><type>quarter</type>
    <notations><slur type="start"/></notations></note>
  <note><pitch><step>D</step><octave>3</octave></pitch><duration>12</duration><tie type="start"/><voice>1</voice><type>half</type></note>
  <backup><duration>18</duration></backup>
  <note><pitch><step>F</step><octave>2</octave></pitch><duration>2</duration><voice>2</voice><type>eighth</type>
    <time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes></time-modification></note>
  <note><pitch><step>G</step><octave>2</octave></pitch><duration>2</duration><voice>2</voice><type>eighth</type>
    <time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes></time-modification></note>
  <note><rest/><duration>2</duration><voice>2</voice><type>eighth</type>
    <time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes></time-modification></note>
</part></measure>
<measure number="2"><part id="A">
  <note><pitch><step>D</step><octave>3</octave></pitch><duration>6</duration><tie type="stop"/><voice>1</voice><type>quarter</type></note>
  <note><rest/><duration>12</duration><voice>1</voice><type>half</type></note>
</part></measure>
</score-timewise>)";
    TUnitMuz doc;
    TInterchangeReport report;
    std::string error;
    ASSERT_TRUE(importBytes(xml, TMusicFormat::musicXml, doc, report, error)) << error;
    EXPECT_EQ(report.Lines(), (std::vector<std::string>{"dropped: 1 slur", "dropped: 1 dynamics"}));
    EXPECT_DOUBLE_EQ(doc.Tempo.GetValue(), 240.0 / 90);
    const TSinglePartMuz* part = doc.FirstSinglePart();
    EXPECT_EQ(part->GetMuzBar()->GetCountNotes(), 3);
    EXPECT_EQ(part->GetMuzBar()->GetNoteLength(), 4);
    EXPECT_EQ(doc.GetFirstStave()->CountNoteGroups(), 2);
    std::string symbols;
    for (TStaveSymbol* s = part->GetFirstSymbol(); s; s = s->Next) {
        const double at = s->GetSymbolPosition();
        if (s->GetStaveSymbolKind() == staveSymbolKey) {
            const auto* k = static_cast<const TKey*>(s);
            int count = 0;
            k->ToonLadder(count);
            symbols += "key " + std::to_string(k->GetKeyKind()) + " " + std::to_string(count) + "; ";
            continue;
        }
        const auto* t = static_cast<const TStaveTimeSymbol*>(s);
        symbols += WritePrecision(at, 7, true) + " " + std::to_string(t->GetNoteLengthKind()) + "." +
                   std::to_string(t->GetPoints()) + " " + std::to_string(t->GetMultiOol()) + "/" +
                   std::to_string(t->GetPosInOol());
        if (s->GetStaveSymbolKind() == staveSymbolNote) {
            const auto* n = static_cast<const TMuzNote*>(s);
            symbols += " p" + std::to_string(n->GetPitch()) + " s" + std::to_string(n->GetNoteShiftKind());
        }
        symbols += "; ";
    }
    // The tied D is one dotted half from 0.25; the triplet's members keep
    // their group at 0; the rest of the triplet is a silence.
    EXPECT_EQ(symbols,
              "key -6 -1; 0 4.0 1/0 p-8 s3; 0 4.0 3/0 p-11 s2; 0 4.0 3/1 p-10 s2; 0 4.0 3/2; "
              "0.25 2.1 1/0 p-6 s2; 1 2.0 1/0; ");
}
