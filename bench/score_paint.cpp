// Repainting the score of the music window (1600 x 800) at several scroll
// positions, for a 3-minute piece of 2,000 notes on 4 staves and one of
// 40,000 notes, against the wave view's repaint of an hour of stereo in the
// same run. The layout is kept per single part, so a repaint costs the
// visible bars, whatever the length. Goal: under 16 ms a repaint.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/Sound.h"
#include "core/Wave.h"
#include "music/NotePlayers.h"
#include "music/TUnitMuz.h"
#include "platform/Canvas.h"
#include "score/ScoreLayout.h"
#include "wavewindow/WaveView.h"
#ifdef KORVANE_BENCH_QT
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "qtcanvas/QPainterCanvas.h"
#endif

namespace {

using namespace korvane;

constexpr int kWidth = 1600;
constexpr int kHeight = 800;

// A piece of `notes` notes on four staves in one single part of 4/4: runs
// of eighths and quarters, chords and accidentals, a tie now and then.
std::unique_ptr<TUnitMuz> piece(int notes) {
    auto doc = std::make_unique<TUnitMuz>();
    doc->InitNew();
    std::vector<TNoteStave*> staves{doc->GetFirstStave()};
    while (staves.size() < 4) {
        auto s = std::make_unique<TNoteStave>(doc.get(), 0, 0xFFFFFF, 60, 60, AllowJoinFlags, false, false);
        s->AppendNoteGroup(MakeDefaultNoteGroup(doc.get(), s.get()));
        s->SelectedNoteGroup = s->GetStartNoteGroup();
        staves.push_back(doc->InsertStave(staves.back(), std::move(s)));
    }
    for (TNoteStave* s : staves) s->RoomUp = s->RoomDown = 60;
    TSinglePartMuz* part = doc->FirstSinglePart();
    const int perStave = notes / 4;
    for (size_t si = 0; si < staves.size(); ++si) {
        TNoteStave* s = staves[si];
        double pos = 0;
        unsigned seed = 12345 + static_cast<unsigned>(si);
        for (int i = 0; i < perStave;) {
            seed = seed * 1103515245 + 12345;
            const int r = (seed >> 16) % 16;
            const int length = r < 9 ? 8 : r < 14 ? 4 : 2;
            const int chord = r == 3 || r == 10 ? 2 : 1;
            const int pitch = static_cast<int>((seed >> 8) % 11) + (si >= 2 ? -10 : 0);
            for (int c = 0; c < chord && i < perStave; ++c, ++i) {
                const uint8_t shift = (seed >> 4) % 7 == 0 ? noteShiftKruis : noteShiftNormal;
                std::unique_ptr<TStaveSymbol> n = std::make_unique<TMuzNote>(
                    s->SelectedNoteGroup, doc.get(), s, pos, part, static_cast<int8_t>(length), 0, sool, 0,
                    pitch + 2 * c, shift, noteArtNormal, noteStickGroup);
                part->InsertSymbol(n);
            }
            pos += 1.0 / length;
        }
    }
    return doc;
}

TUnitMuz& small() {
    static auto doc = piece(2000);
    return *doc;
}
TUnitMuz& large() {
    static auto doc = piece(40000);
    return *doc;
}

// Scroll positions as parts of the drawing's width: the start, the middle
// and the end.
int scrollAt(TScoreLayout& layout, Canvas& canvas, double where) {
    layout.Layout(canvas, 5, 0);
    return static_cast<int>(where * std::max(layout.LargestX() - kWidth, 0));
}

void repaint(benchmark::State& state, TUnitMuz& doc, Canvas& canvas) {
    TScoreLayout layout(doc);
    const int scroll = scrollAt(layout, canvas, state.range(0) / 100.0);
    int step = 0;
    for (auto _ : state) {
        // Every paint comes after a scroll: the extents are written anew.
        LayoutAndPaintScore(canvas, layout, 5 - scroll - (step++ & 1) * 10, 0, nullptr);
        benchmark::ClobberMemory();
    }
}

void BM_ScoreRepaint2000(benchmark::State& s) {
    ImageCanvas canvas(kWidth, kHeight);
    repaint(s, small(), canvas);
}
void BM_ScoreRepaint40000(benchmark::State& s) {
    ImageCanvas canvas(kWidth, kHeight);
    repaint(s, large(), canvas);
}

// Laying out a whole piece anew, as on opening it or after an edit of its
// only single part.
void layoutAnew(benchmark::State& state, TUnitMuz& doc) {
    ImageCanvas canvas(kWidth, kHeight);
    TScoreLayout layout(doc);
    for (auto _ : state) {
        doc.FirstSinglePart()->Touch();
        layout.Layout(canvas, 5, 0);
        benchmark::DoNotOptimize(layout.LargestX());
    }
}
void BM_ScoreLayoutAnew2000(benchmark::State& s) { layoutAnew(s, small()); }
void BM_ScoreLayoutAnew40000(benchmark::State& s) { layoutAnew(s, large()); }

#ifdef KORVANE_BENCH_QT
QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication* a = new QGuiApplication(argc, argv);  // lives to the end of the run
    return *a;
}
void repaintQt(benchmark::State& s, TUnitMuz& doc) {
    app();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    TQPainterCanvas canvas(painter, image);
    repaint(s, doc, canvas);
}
void BM_ScoreRepaintQt2000(benchmark::State& s) { repaintQt(s, small()); }
void BM_ScoreRepaintQt40000(benchmark::State& s) { repaintQt(s, large()); }
#endif

// The baseline: the wave view of an hour of stereo, whole.
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

void BM_WaveViewHourBaseline(benchmark::State& state) {
    static StereoSound sound(channel(3600 * 44100, 440), channel(3600 * 44100, 330), 44100, 2);
    TWaveViewProps props;
    ImageCanvas canvas(kWidth, kHeight);
    TWavePaintArgs a;
    a.TheSound = &sound;
    a.Props = &props;
    a.Map = {0, kWidth, 0, static_cast<double>(sound.GetValues())};
    a.Top = 0;
    a.Bottom = kHeight;
    for (auto _ : state) {
        PaintWaveView(canvas, a, 0, kWidth);
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
}

BENCHMARK(BM_WaveViewHourBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreRepaint2000)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreRepaint40000)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
#ifdef KORVANE_BENCH_QT
BENCHMARK(BM_ScoreRepaintQt2000)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreRepaintQt40000)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_ScoreLayoutAnew2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreLayoutAnew40000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
