// The volume diagram: a minute of mono sound at 44.1 kHz painted over 1600
// columns with 50 bands, by the plain one-band-at-a-time reference and by the
// vector and threaded path, in the same run (goal: the fast path at least 6
// times faster); and a whole paint of ten minutes of stereo sound as two
// diagrams (goal: under 2 s). Prints the ratio at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "core/Sound.h"
#include "core/Wave.h"
#include "platform/Canvas.h"
#include "wavewindow/VolumeDiagram.h"

namespace {

using namespace korvane;

std::unique_ptr<Wave> channel(int32_t values, double hertz) {
    bool failed = false;
    auto w = Wave::create(failed, values);
    // A gliding tone over a little noise, so every band has something to do.
    for (int32_t i = 0; i < values; ++i) {
        double t = static_cast<double>(i) / 44100;
        w->wave[i] = static_cast<int16_t>(12000 * std::sin(6.2830586 * hertz * t * (1 + t / 60)) +
                                          static_cast<int>(int64_t{i} * 7919 % 4001) - 2000);
    }
    return w;
}

const Sound& minuteMono() {
    static MonoSound sound(channel(60 * 44100, 220), 44100, 2);
    return sound;
}

const Sound& tenMinutesStereo() {
    static StereoSound sound(channel(600 * 44100, 440), channel(600 * 44100, 330), 44100, 2);
    return sound;
}

void paint(benchmark::State& state, const Sound& s, int width, int height, bool reference, int threads = 0) {
    TVoldViewProps props;
    ImageCanvas canvas(width, height);
    TVoldPaintArgs a;
    a.TheSound = &s;
    a.Props = &props;
    a.Map = {0, width, 0, static_cast<double>(s.GetValues())};
    a.Top = 0;
    a.Bottom = height;
    a.Reference = reference;
    a.Threads = threads;
    for (auto _ : state) {
        PaintVoldView(canvas, a, 0, width);
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
}

void MinuteMonoReference(benchmark::State& state) { paint(state, minuteMono(), 1600, 400, true); }
void MinuteMonoFast(benchmark::State& state) { paint(state, minuteMono(), 1600, 400, false); }
void MinuteMonoFastOneThread(benchmark::State& state) { paint(state, minuteMono(), 1600, 400, false, 1); }
void TenMinutesStereoSplitFast(benchmark::State& state) { paint(state, tenMinutesStereo(), 1600, 800, false); }

// Wall-clock time, and the processor time of all threads beside it.
BENCHMARK(MinuteMonoReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK(MinuteMonoFast)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK(MinuteMonoFastOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK(TenMinutesStereoSplitFast)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(4);

// Keeps the times to print the ratio after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds, cpu;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                std::string name = r.benchmark_name();
                name = name.substr(0, name.find('/'));
                seconds[name] = r.real_accumulated_time / static_cast<double>(r.iterations);
                cpu[name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.seconds;
    auto& c = reporter.cpu;
    if (t.count("MinuteMonoReference") && t.count("MinuteMonoFast") && t.count("MinuteMonoFastOneThread")) {
        std::printf(
            "1 min mono, 50 bands, 1600 columns: fast path %.1f times faster than the reference "
            "(goal 6); one thread %.1f times; processor time %.1f times less\n",
            t["MinuteMonoReference"] / t["MinuteMonoFast"], t["MinuteMonoReference"] / t["MinuteMonoFastOneThread"],
            c["MinuteMonoReference"] / c["MinuteMonoFast"]);
    }
    if (t.count("TenMinutesStereoSplitFast"))
        std::printf("10 min stereo, two diagrams: %.3f s a paint (goal under 2 s), %.3f s of processor time\n",
                    t["TenMinutesStereoSplitFast"], c["TenMinutesStereoSplitFast"]);
    return 0;
}
