// Editing a long score: two staves of N quarter notes in one single part. Each
// benchmark does an edit and takes it back, so the document stays the same;
// ReadMusic reads the same score from its file, as the baseline to compare
// the edits against, and ReadStaves the same number of symbols in one-note
// staves. Run with --benchmark_filter to pick cases.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "journal/Journal.h"
#include "music/MusicEdit.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"

using namespace korvane;

namespace {

struct Score {
    std::unique_ptr<TUnitMuz> doc;
    std::string file;
};

std::unique_ptr<TUnitMuz> makeScore(int notes) {
    auto doc = std::make_unique<TUnitMuz>();
    doc->InitNew();
    auto* first = static_cast<TNoteStave*>(doc->GetFirstStave());
    auto stave = std::make_unique<TNoteStave>(doc.get(), 0, 0xFFFFFF, 80, 80, AllowJoinFlags, false, false);
    stave->AppendNoteGroup(MakeDefaultNoteGroup(doc.get(), stave.get()));
    stave->SelectedNoteGroup = stave->GetStartNoteGroup();
    TNoteStave* second = doc->InsertStave(first, std::move(stave));
    TSinglePartMuz* part = doc->FirstSinglePart();
    for (TNoteStave* s : {first, second})
        for (int i = 0; i < notes; ++i)
            part->InsertSorted(std::make_unique<TMuzNote>(s->SelectedNoteGroup, doc.get(), s, i * 0.25, part, 4, 0,
                                                          sool, 0, i % 7, noteShiftNormal, noteArtNormal,
                                                          noteStickGroup));
    doc->AutoPlay = false;
    return doc;
}

Score& score(int notes) {
    static std::map<int, Score> made;
    auto it = made.find(notes);
    if (it != made.end()) return it->second;
    Score s;
    s.doc = makeScore(notes);
    s.file = (std::filesystem::temp_directory_path() / ("korvane-bench-score-" + std::to_string(notes) + ".xml"))
                 .string();
    std::string message;
    if (!SaveMuz(*s.doc, s.file, message)) std::abort();
    return made.emplace(notes, std::move(s)).first->second;
}

TStaveSymbol* firstNote(TUnitMuz& doc) {
    TStaveSymbol* key = doc.FirstSinglePart()->FirstSymbolOfStave(static_cast<TNoteStave*>(doc.GetFirstStave()));
    TStaveSymbol* s = key->Next;
    while (s->GetNoteStave() != key->GetNoteStave()) s = s->Next;
    return s;
}

void ReadMusic(benchmark::State& state) {
    Score& s = score(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TUnitMuz doc;
        std::string message;
        if (!OpenMuz(doc, s.file, message)) state.SkipWithError(message.c_str());
    }
}

// A chord of N notes at one time, in the file from the lowest pitch up and
// round again: every note goes before the ones already read, the order that
// made a walk per note. Reading it should take about as long per note as
// ReadMusic does.
void ReadChord(benchmark::State& state) {
    const int notes = static_cast<int>(state.range(0));
    static std::map<int, std::string> files;
    std::string& file = files[notes];
    if (file.empty()) {
        auto doc = std::make_unique<TUnitMuz>();
        doc->InitNew();
        auto* stave = static_cast<TNoteStave*>(doc->GetFirstStave());
        TSinglePartMuz* part = doc->FirstSinglePart();
        part->InsertSorted(std::make_unique<TMuzNote>(stave->SelectedNoteGroup, doc.get(), stave, 0, part, 4, 0, sool,
                                                      0, 0, noteShiftNormal, noteArtNormal, noteStickGroup));
        file = (std::filesystem::temp_directory_path() / ("korvane-bench-chord-" + std::to_string(notes) + ".xml"))
                   .string();
        std::string message;
        if (!SaveMuz(*doc, file, message)) std::abort();
        std::ifstream in(file);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto begin = text.find("<Note>");
        const auto end = text.find("</Note>", begin) + 7;
        const std::string one = text.substr(begin, end - begin);
        const auto h = one.find("<Height>0</Height>");
        if (begin == std::string::npos || h == std::string::npos) std::abort();
        std::string chord;
        for (int i = 0; i < notes; ++i)
            chord += one.substr(0, h) + "<Height>" + std::to_string(i % 80 - 40) + "</Height>" +
                     one.substr(h + 18) + "\n";
        text.replace(begin, end - begin, chord);
        std::ofstream(file) << text;
    }
    for (auto _ : state) {
        TUnitMuz doc;
        std::string message;
        if (!OpenMuz(doc, file, message)) state.SkipWithError(message.c_str());
    }
}

// The file of a new score whose one stave, holding one quarter note, is
// repeated N times: N one-note staves, 2N symbols like ReadMusic's N.
const std::string& stavesFile(int staves) {
    static std::map<int, std::string> files;
    std::string& file = files[staves];
    if (!file.empty()) return file;
    auto doc = std::make_unique<TUnitMuz>();
    doc->InitNew();
    auto* stave = static_cast<TNoteStave*>(doc->GetFirstStave());
    TSinglePartMuz* part = doc->FirstSinglePart();
    part->InsertSorted(std::make_unique<TMuzNote>(stave->SelectedNoteGroup, doc.get(), stave, 0, part, 4, 0, sool, 0, 0,
                                                  noteShiftNormal, noteArtNormal, noteStickGroup));
    std::string text, message;
    if (!MuzText(*doc, text, message)) std::abort();
    const auto begin = text.find("  <Stave>");
    const auto end = text.find("</Stave>", begin) + 9;
    if (begin == std::string::npos || end < begin) std::abort();
    const std::string one = text.substr(begin, end - begin);
    std::string many;
    many.reserve(one.size() * static_cast<std::size_t>(staves));
    for (int i = 0; i < staves; ++i) many += one;
    text.replace(begin, end - begin, many);
    file = (std::filesystem::temp_directory_path() / ("korvane-bench-staves-" + std::to_string(staves) + ".xml"))
               .string();
    std::ofstream(file) << text;
    return file;
}

// Reading N one-note staves: as fast per symbol as ReadMusic, whatever the
// number of staves (each used to cost a walk over the staves before it).
void ReadStaves(benchmark::State& state) {
    const std::string& file = stavesFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TUnitMuz doc;
        std::string message;
        if (!OpenMuz(doc, file, message)) state.SkipWithError(message.c_str());
    }
}

// Writing them again (convert, score, save).
void WriteStaves(benchmark::State& state) {
    TUnitMuz doc;
    std::string message, text;
    if (!OpenMuz(doc, stavesFile(static_cast<int>(state.range(0))), message)) state.SkipWithError(message.c_str());
    for (auto _ : state) {
        if (!MuzText(doc, text, message)) state.SkipWithError(message.c_str());
        benchmark::DoNotOptimize(text.data());
    }
}

// A click before the first note inserts a quarter there and pushes the rest
// of the stave on; deleting it pulls the rest back.
void InsertAndDeleteAtStart(benchmark::State& state) {
    TUnitMuz& doc = *score(static_cast<int>(state.range(0))).doc;
    TScoreClick click;
    click.Stave = static_cast<TNoteStave*>(doc.GetFirstStave());
    click.Part = doc.FirstSinglePart();
    click.After = click.Part->FirstSymbolOfStave(click.Stave);
    for (auto _ : state) {
        doc.UnitMuzMode = unitMuzAdd;
        ClickScore(doc, click);
        DeleteSymbol(doc, *firstNote(doc));
    }
}

// The first note made a half and back: the rest of its stave moves twice.
void LengthenFirstNote(benchmark::State& state) {
    TUnitMuz& doc = *score(static_cast<int>(state.range(0))).doc;
    doc.UnitMuzMode = unitMuzSel;
    for (auto _ : state) {
        doc.SetSelectedSymbol(firstNote(doc));
        SetLength(doc, 2, false);
        SetLength(doc, 4, false);
    }
}

// The first note exchanged with the second and back.
void MoveFirstNoteRight(benchmark::State& state) {
    TUnitMuz& doc = *score(static_cast<int>(state.range(0))).doc;
    doc.UnitMuzMode = unitMuzSel;
    for (auto _ : state) {
        TStaveSymbol* note = firstNote(doc);
        doc.SetSelectedSymbol(note);
        MoveSide(doc, false);
        MoveSide(doc, true);
    }
}

// A music edit's undo step: the window makes the score's text once per edit,
// when it goes idle after it.
void UndoTextAfterEdit(benchmark::State& state) {
    TUnitMuz& doc = *score(static_cast<int>(state.range(0))).doc;
    for (auto _ : state) {
        std::string text, message;
        if (!MuzText(doc, text, message)) state.SkipWithError(message.c_str());
        benchmark::DoNotOptimize(text.data());
    }
}

// Undo of a music edit: the document emptied in place and the step's text
// read back into it.
void UndoRestoreInPlace(benchmark::State& state) {
    std::string text, message;
    if (!MuzText(*score(static_cast<int>(state.range(0))).doc, text, message)) std::abort();
    TUnitMuz doc;
    for (auto _ : state) {
        doc.ClearContent();
        if (!ReadMuzText(doc, text, message)) state.SkipWithError(message.c_str());
    }
}

// The recovery journal after an edit: the window's thread puts the score in
// text (the file's bytes) and hands it to the journal's writer. Copies of a
// score this large are spaced out, so each iteration waits (untimed) until
// the journal takes one again.
void JournalAfterEdit(benchmark::State& state) {
    TUnitMuz& doc = *score(static_cast<int>(state.range(0))).doc;
    std::vector<std::unique_ptr<TUnit>> units;
    units.emplace_back(&doc);
    TJournal journal;
    std::string error;
    const auto root = std::filesystem::temp_directory_path() / "korvane-bench-music-journal";
    if (!journal.Start(root.string(), error)) state.SkipWithError(error.c_str());
    for (auto _ : state) {
        doc.MarkChanged();
        journal.Update(units, nullptr);
        state.PauseTiming();
        journal.WaitIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        state.ResumeTiming();
    }
    journal.Finish();
    (void)units[0].release();  // the score's own
}

}  // namespace

BENCHMARK(JournalAfterEdit)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(UndoTextAfterEdit)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoRestoreInPlace)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadMusic)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadStaves)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteStaves)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadChord)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(InsertAndDeleteAtStart)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(LengthenFirstNote)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(MoveFirstNoteRight)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
