// What the recovery journal costs the window: a volume command on a long
// stereo wave (an hour by default; KORVANE_BENCH_SECONDS sets it), alone and
// followed by the journal's update, which is all the window waits for. The
// copy is written in the background; JournalSnapshot measures that write on
// its own. The journal goes to a temporary folder (TMPDIR).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "BenchNoise.h"
#include "core/Sound.h"
#include "core/Wave.h"
#include "journal/Journal.h"
#include "processing/AmplitudeEffects.h"
#include "processing/TUnitWave.h"

using namespace korvane;

namespace {

using bench::BenchSamples;
using bench::Noise;

struct Setup {
    std::vector<std::unique_ptr<TUnit>> units;
    TUnitWave* doc;
    std::filesystem::path root;
    Setup() {
        const int32_t n = BenchSamples();
        units.push_back(std::make_unique<TUnitWave>(
            std::make_unique<StereoSound>(Noise(n, 1), Noise(n, 2), 44100, 2), "long.wav"));
        doc = static_cast<TUnitWave*>(units[0].get());
        doc->MarkChanged();
        root = std::filesystem::temp_directory_path() / ("korvane-bench-journal-" + std::to_string(::getpid()));
    }
    ~Setup() { std::filesystem::remove_all(root); }
    void volume() {
        doc->RunOnEditRange([](bool& failed, const Sound& s, int32_t& b, int32_t& e) {
            return Volume(s, failed, 0.9, b, e);
        });
        doc->MarkChanged();
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

bool started(benchmark::State& state, TJournal& journal, const Setup& s) {
    std::string error;
    if (journal.Start(s.root.string(), error)) return true;
    state.SkipWithError(error.c_str());
    return false;
}

void VolumeCommand(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) s.volume();
}

void VolumeCommandWithJournal(benchmark::State& state) {
    Setup& s = setup();
    TJournal journal;
    if (!started(state, journal, s)) return;
    for (auto _ : state) {
        s.volume();
        journal.Update(s.units, nullptr);
        // The copy of this command is written before the next one starts,
        // so the commands measured here do not share the machine with it.
        state.PauseTiming();
        journal.WaitIdle();
        state.ResumeTiming();
    }
    journal.Finish();
}

// A new sound handed to the journal: `withWrite` times its background write
// too (JournalSnapshot), otherwise only the window's own share, the update
// that hands it over (JournalUpdate).
void newSoundToJournal(benchmark::State& state, bool withWrite) {
    Setup& s = setup();
    TJournal journal;
    if (!started(state, journal, s)) return;
    for (auto _ : state) {
        state.PauseTiming();
        bool failed = false;
        s.doc->ExchangeSound(std::shared_ptr<Sound>(s.doc->TheSound->Extract(failed, 0, s.doc->GetValues())));
        state.ResumeTiming();
        journal.Update(s.units, nullptr);
        if (!withWrite) state.PauseTiming();
        journal.WaitIdle();
        if (!withWrite) state.ResumeTiming();
    }
    journal.Finish();
}

void JournalSnapshot(benchmark::State& state) { newSoundToJournal(state, true); }
void JournalUpdate(benchmark::State& state) { newSoundToJournal(state, false); }

}  // namespace

BENCHMARK(JournalUpdate)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(3);
BENCHMARK(VolumeCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(VolumeCommandWithJournal)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(JournalSnapshot)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_MAIN();
