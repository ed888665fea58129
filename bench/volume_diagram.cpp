// The volume diagram, in one run:
// - a minute of mono sound at 44.1 kHz painted over 1600 columns with 50
//   bands, by the plain one-band-at-a-time reference and by the vector and
//   threaded path (goal: the fast path at least 6 times faster);
// - a whole paint of ten minutes of stereo as two diagrams (goal under 2 s);
// - the whole view of one hour of stereo at 1600 x 400, as the window
//   computes it (goal: at most 3 s wall on 2 cores), on all cores and on one;
// - a repaint of that view from the kept columns (goal under 20 ms).
// Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "core/Sound.h"
#include "core/Wave.h"
#include "platform/Canvas.h"
#include "wavewindow/VoldColumns.h"
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

const std::shared_ptr<const Sound>& hourStereo() {
    static std::shared_ptr<const Sound> sound =
        std::make_shared<StereoSound>(channel(3600 * 44100, 440), channel(3600 * 44100, 330), 44100, 2);
    return sound;
}

TVoldPaintArgs view(const Sound& s, const TVoldViewProps& props, int width, int height) {
    TVoldPaintArgs a;
    a.TheSound = &s;
    a.Props = &props;
    a.Map = {0, width, 0, static_cast<double>(s.GetValues())};
    a.Top = 0;
    a.Bottom = height;
    return a;
}

void paint(benchmark::State& state, const Sound& s, int width, int height, bool reference, int threads = 0) {
    TVoldViewProps props;
    ImageCanvas canvas(width, height);
    TVoldPaintArgs a = view(s, props, width, height);
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

// As the window does it: a diagram whose columns are computed in the
// background, waited for here, then painted.
void hourView(benchmark::State& state, int threads) {
    TVoldViewProps props;
    ImageCanvas canvas(1600, 400);
    const auto& sound = hourStereo();
    TVoldPaintArgs a = view(*sound, props, 1600, 400);
    for (auto _ : state) {
        TVoldDiagram diagram(threads);
        diagram.Update(sound, a);
        diagram.Wait();
        diagram.Paint(canvas, a, 0, 1600);
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
}
void HourStereoView(benchmark::State& state) { hourView(state, 0); }
void HourStereoViewOneThread(benchmark::State& state) { hourView(state, 1); }

void HourStereoRepaintFromKeptColumns(benchmark::State& state) {
    TVoldViewProps props;
    props.Sensitivity = 3;  // the dearest curve: a fourth root a band
    ImageCanvas canvas(1600, 400);
    const auto& sound = hourStereo();
    TVoldPaintArgs a = view(*sound, props, 1600, 400);
    a.SelBegin = sound->GetValues() / 4;
    a.SelEnd = sound->GetValues() / 2;
    TVoldDiagram diagram;
    diagram.Update(sound, a);
    diagram.Wait();
    for (auto _ : state) {
        diagram.Update(sound, a);
        diagram.Paint(canvas, a, 0, 1600);
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
}

// Wall-clock time, and the processor time of all threads beside it.
BENCHMARK(MinuteMonoReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK(MinuteMonoFast)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK(MinuteMonoFastOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK(TenMinutesStereoSplitFast)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(4);
BENCHMARK(HourStereoView)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3);
BENCHMARK(HourStereoViewOneThread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);
BENCHMARK(HourStereoRepaintFromKeptColumns)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);

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
    if (t.count("HourStereoView")) {
        std::printf("1 h stereo, whole view 1600 x 400: %.3f s wall, %.2f of the 3 s goal; %.3f s of processor time",
                    t["HourStereoView"], t["HourStereoView"] / 3, c["HourStereoView"]);
        if (t.count("HourStereoViewOneThread"))
            std::printf("; %.2f times faster than on one thread", t["HourStereoViewOneThread"] / t["HourStereoView"]);
        std::printf("\n");
    }
    if (t.count("HourStereoRepaintFromKeptColumns")) {
        double repaint = t["HourStereoRepaintFromKeptColumns"];
        std::printf("repaint of that view from the kept columns: %.1f ms, %.2f of the 20 ms goal", repaint * 1000,
                    repaint / 0.020);
        if (t.count("HourStereoView")) std::printf(", %.4f of computing them", repaint / t["HourStereoView"]);
        std::printf("\n");
    }
    return 0;
}
