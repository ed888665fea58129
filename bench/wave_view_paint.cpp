// Painting the wave view of an hour of stereo sound into a 1600 x 800 image,
// whole and zoomed. The picks per column are bounded, so the time of a paint
// must not depend on the length of the wave. Goal: under 20 ms a paint.
// Peaks read the waves' kept summaries, built once before the timing (their
// building is measured on its own).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/Sound.h"
#include "core/Wave.h"
#include "platform/Canvas.h"
#include "wavewindow/WaveView.h"

namespace {

using namespace korvane;

constexpr int kWidth = 1600;
constexpr int kHeight = 800;

std::unique_ptr<Wave> channel(int32_t values, double hertz) {
    bool failed = false;
    auto w = Wave::create(failed, values);
    if (failed || !w || !w->wave) {
        std::fprintf(stderr, "no memory for %d samples\n", values);
        std::exit(1);
    }
    for (int32_t i = 0; i < values; ++i)
        w->wave[i] = static_cast<int16_t>(12000 * std::sin(i * hertz * 6.2830586 / 44100) +
                                          static_cast<int64_t>(i) * 7919 % 4001 - 2000);
    return w;
}

const Sound& hour() {
    static StereoSound sound(channel(3600 * 44100, 440), channel(3600 * 44100, 330), 44100, 2);
    return sound;
}

void paint(benchmark::State& state, double zoomSeconds, bool selection, int draw, int distribution, bool twoWaves) {
    const Sound& s = hour();
    TWaveViewProps props;
    props.Draw = draw;
    props.Distribution = distribution;
    props.TwoWaves = twoWaves;
    ImageCanvas canvas(kWidth, kHeight);
    TWavePaintArgs a;
    a.TheSound = &s;
    a.Props = &props;
    a.Map.Left = 0;
    a.Map.Right = kWidth;
    double begin = zoomSeconds > 0 ? 1800.0 * 44100 : 0;
    a.Map.ZoomBegin = begin;
    a.Map.ZoomEnd = zoomSeconds > 0 ? begin + zoomSeconds * 44100 : s.GetValues();
    a.Top = 0;
    a.Bottom = kHeight;
    if (selection) {
        a.SelBegin = static_cast<int32_t>(a.Map.ZoomBegin + (a.Map.ZoomEnd - a.Map.ZoomBegin) / 4);
        a.SelEnd = static_cast<int32_t>(a.Map.ZoomBegin + (a.Map.ZoomEnd - a.Map.ZoomBegin) / 2);
    }
    a.Cursor = a.SelEnd;
    if (distribution == 2) {
        s.Channel(0).peaks();
        s.Channel(1).peaks();
    }
    for (auto _ : state) {
        PaintWaveView(canvas, a, 0, kWidth);
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
}

void BM_WholeHourLines(benchmark::State& s) { paint(s, 0, false, 0, 0, true); }
void BM_WholeHourLinesSelected(benchmark::State& s) { paint(s, 0, true, 0, 0, true); }
void BM_WholeHourCombinedMixed(benchmark::State& s) { paint(s, 0, false, 0, 0, false); }
void BM_WholeHourRandomPoints(benchmark::State& s) { paint(s, 0, false, 1, 1, true); }
void BM_ZoomedTenSecondsLines(benchmark::State& s) { paint(s, 10, true, 0, 0, true); }
void BM_ZoomedHundredSamplesLines(benchmark::State& s) { paint(s, 100.0 / 44100, false, 0, 0, true); }
void BM_WholeHourPeaksLines(benchmark::State& s) { paint(s, 0, false, 0, 2, true); }
void BM_WholeHourPeaksCombinedMixed(benchmark::State& s) { paint(s, 0, false, 0, 2, false); }
void BM_WholeHourPeaksPoints(benchmark::State& s) { paint(s, 0, false, 1, 2, true); }
void BM_ZoomedTenSecondsPeaks(benchmark::State& s) { paint(s, 10, true, 0, 2, true); }
void BM_PeaksSummaryOfOneHourChannel(benchmark::State& state) {
    const Wave& w = hour().Channel(0);
    for (auto _ : state) {
        WavePeaks peaks(w.wave, w.values);
        benchmark::DoNotOptimize(peaks.Range(0, w.values));
    }
}

BENCHMARK(BM_WholeHourLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeHourLinesSelected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeHourCombinedMixed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeHourRandomPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomedTenSecondsLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomedHundredSamplesLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeHourPeaksLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeHourPeaksCombinedMixed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeHourPeaksPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomedTenSecondsPeaks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeaksSummaryOfOneHourChannel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
