// What the edit history costs the window, on Qt's offscreen platform, with a
// wave of an hour of stereo noise (KORVANE_BENCH_SECONDS sets its length):
//   idle     the window's idle update with nothing changed (the baseline)
//   record   the idle update after a command changed the wave: the history
//            records a state that shares the sound
//   memory   a step back or forward between two states in memory
//   disk     a step to a state on disk (read on a worker, the window waits
//            in its event loop), against `read`: reading the same WAV file
//            as `korvane-cli info` does
// and on a score of 20,000 notes: `music idle`, `music record` (the idle
// update after each of edits in quick succession, whose text is put off) and
// `music taken` (edits a second apart: the score put in text once for the
// undo step and the history together, which shares the text).
// Goals: record under 1 ms for a wave, 2 ms for the score; a step from
// memory under 20 ms; from disk at most 1.2 x read.
// usage: bench_history_qt [REPEATS]   (default 5)
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "audiofile/AudioFile.h"
#include "BenchNoise.h"
#include "core/Sound.h"
#include "core/Wave.h"
#include "music/TUnitMuz.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/LongWorkDialog.h"
#include "shell/Main.h"

using namespace korvane;

namespace {

using bench::BenchSamples;
using bench::Noise;

std::unique_ptr<Sound> stereoNoise(uint32_t seed) {
    const int32_t n = BenchSamples();
    return std::make_unique<StereoSound>(Noise(n, seed), Noise(n, seed + 1), 44100, 2);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <class F>
double ms(F f) {
    QElapsedTimer t;
    t.start();
    f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// A score of `notes` notes in one stave, all quarters of one part.
std::unique_ptr<TUnitMuz> longScore(int notes) {
    auto doc = std::make_unique<TUnitMuz>();
    doc->InitNew();
    TNoteStave* st = doc->GetFirstStave();
    TSinglePartMuz* part = doc->FirstSinglePart();
    for (int i = 0; i < notes; ++i) {
        std::unique_ptr<TStaveSymbol> n = std::make_unique<TMuzNote>(
            st->SelectedNoteGroup, doc.get(), st, i / 4.0, part, static_cast<int8_t>(4), 0, sool, 0, i % 9,
            noteShiftNormal, noteArtNormal, noteStickGroup);
        part->InsertSymbol(n);
    }
    return doc;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    TMainForm form;
    TLongWorkDialog longWork(&form);
    SetLongWorkRunner(&longWork);
    form.show();
    // Everything in memory unless said otherwise.
    form.History().SetBudgets(uint64_t{1} << 40, 0);

    auto doc = std::make_unique<TUnitWave>(stereoNoise(1), "long.wav");
    TMDIChildWave* w = form.AddWaveWindow(std::move(doc));
    TUnitWave& wave = *w->Doc();
    form.UpdateActions();
    const std::shared_ptr<Sound> a = wave.TheSound;
    const std::shared_ptr<Sound> b = stereoNoise(7);

    std::vector<double> idle, record, memory;
    for (int i = 0; i < repeats; ++i) {
        idle.push_back(ms([&] { form.UpdateActions(); }));
        wave.TheSound = i % 2 ? a : b;
        wave.MarkChanged();
        record.push_back(ms([&] { form.UpdateActions(); }));
    }
    // Steps between the last two states, both in memory.
    const THistory* h = form.History().Find(wave);
    if (!h || h->States.size() < 2) {
        std::fprintf(stderr, "the history did not record the changes\n");
        return 1;
    }
    for (int i = 0; i < repeats; ++i) {
        const int to = h->Current == static_cast<int>(h->States.size()) - 1 ? h->Current - 1 : h->Current + 1;
        bool went = false;
        memory.push_back(ms([&] { went = form.GoToState(*w, to); }));
        if (!went) {
            std::fprintf(stderr, "the step to state %d did not happen\n", to);
            return 1;
        }
    }

    // Everything but the shown state to disk; then steps to the state before
    // and back, each a read of an hour.
    form.History().SetBudgets(1, 0);
    form.UpdateActions();
    form.History().WaitSpills();
    form.UpdateActions();
    std::vector<double> disk, read;
    for (int i = 0; i < repeats; ++i) {
        const int to = h->Current > 0 ? h->Current - 1 : h->Current + 1;
        const THistoryState& target = h->States[to];
        if (!target.File || target.TheSound) {
            std::fprintf(stderr, "state %d is not on disk\n", to);
            return 1;
        }
        const std::string file = target.File->Path;
        // Each timed twice, the second counted, so both read from the cache.
        bool went = false;
        for (int pass = 0; pass < 2; ++pass) {
            const double readMs = ms([&] {
                std::unique_ptr<Sound> sound;
                std::string reason, format;
                ReadSoundFile(file, sound, reason, format);
            });
            if (pass) read.push_back(readMs);
        }
        disk.push_back(ms([&] { went = form.GoToState(*w, to); }));
        if (!went) {
            std::fprintf(stderr, "the step to state %d on disk did not happen\n", to);
            return 1;
        }
        form.UpdateActions();
        form.History().WaitSpills();
        form.UpdateActions();
    }

    // The score.
    TMDIChildMuz* m = form.AddMusicWindow(longScore(20000));
    TUnitMuz& score = *m->Doc();
    form.UpdateActions();
    // Edits in quick succession: the text is put off (at most a tenth of the
    // window's time goes to it); edits a second apart: each is taken.
    std::vector<double> musicIdle, musicRecord, musicTaken;
    for (int i = 0; i < repeats; ++i) {
        musicIdle.push_back(ms([&] { form.UpdateActions(); }));
        score.Tempo = unitTimePosMore{i % 2 ? 1.0 : 2.0, ucSecond};
        score.MarkChanged();
        musicRecord.push_back(ms([&] { form.UpdateActions(); }));
    }
    for (int i = 0; i < repeats; ++i) {
        QThread::msleep(1000);
        score.Tempo = unitTimePosMore{i % 2 ? 1.0 : 2.0, ucSecond};
        score.MarkChanged();
        musicTaken.push_back(ms([&] { form.UpdateActions(); }));
    }

    const double base = median(read);
    std::printf("%-14s %10s %8s\n", "history", "ms", "ratio");
    std::printf("%-14s %10.3f\n", "idle", median(idle));
    std::printf("%-14s %10.3f %8.2f  (to idle)\n", "record", median(record), median(record) / median(idle));
    std::printf("%-14s %10.3f\n", "memory", median(memory));
    std::printf("%-14s %10.3f\n", "read", base);
    std::printf("%-14s %10.3f %8.2f  (to read)\n", "disk", median(disk), median(disk) / base);
    std::printf("%-14s %10.3f\n", "music idle", median(musicIdle));
    std::printf("%-14s %10.3f %8.2f  (to music idle)\n", "music record", median(musicRecord),
                median(musicRecord) / median(musicIdle));
    std::printf("%-14s %10.3f %8.2f  (to music idle)\n", "music taken", median(musicTaken),
                median(musicTaken) / median(musicIdle));
    SetLongWorkRunner(nullptr);
    return 0;
}
