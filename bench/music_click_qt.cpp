// Click to repaint in the music window, on Qt's offscreen platform: a press
// and release posted to the score, from the post to the end of the paint it
// brings, in select mode (select, then deselect, a note in view) and in add
// mode (a note inserted in view), on the demo and on a two-stave score of
// 20,000 notes in one part. Beside them, in the same run, a plain repaint
// of the same window with nothing changed; and a select click with auto
// play on, which renders the note with its instrument and hands it to a
// player that makes no sound. Goal: a click under 16 ms.
// usage: bench_music_click_qt [CLICKS]   (default 40 of each kind)
//        QT_QPA_PLATFORM=xcb DISPLAY=:N bench_music_click_qt   (on an X server)
#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "music/MusicEdit.h"
#include "music/NotePlayers.h"
#include "music/TUnitMuz.h"
#include "platform/MediaPlayer.h"
#include "shell/ChildMuz.h"
#include "shell/Main.h"

using namespace korvane;

namespace {

// Counts the paints of the score's client, so a click's time runs to the
// end of the paint it caused.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// `notes` notes over two staves in one part of 4/4: eighths, quarters and
// halves, some chords and sharps.
std::unique_ptr<TUnitMuz> twoStaves(int notes) {
    auto doc = std::make_unique<TUnitMuz>();
    doc->InitNew();
    std::vector<TNoteStave*> staves{doc->GetFirstStave()};
    auto s = std::make_unique<TNoteStave>(doc.get(), 0, 0xFFFFFF, 60, 60, AllowJoinFlags, false, false);
    s->AppendNoteGroup(MakeDefaultNoteGroup(doc.get(), s.get()));
    s->SelectedNoteGroup = s->GetStartNoteGroup();
    staves.push_back(doc->InsertStave(staves.back(), std::move(s)));
    TSinglePartMuz* part = doc->FirstSinglePart();
    for (size_t si = 0; si < staves.size(); ++si) {
        TNoteStave* st = staves[si];
        double pos = 0;
        unsigned seed = 777 + static_cast<unsigned>(si);
        for (int i = 0; i < notes / 2;) {
            seed = seed * 1103515245 + 12345;
            const int r = (seed >> 16) % 16;
            const int length = r < 9 ? 8 : r < 14 ? 4 : 2;
            const int chord = r == 3 || r == 10 ? 2 : 1;
            const int pitch = static_cast<int>((seed >> 8) % 11) - (si == 1 ? 6 : 0);
            for (int c = 0; c < chord && i < notes / 2; ++c, ++i) {
                const uint8_t shift = (seed >> 4) % 7 == 0 ? noteShiftKruis : noteShiftNormal;
                std::unique_ptr<TStaveSymbol> n =
                    std::make_unique<TMuzNote>(st->SelectedNoteGroup, doc.get(), st, pos, part,
                                               static_cast<int8_t>(length), 0, sool, 0, pitch + 2 * c, shift,
                                               noteArtNormal, noteStickGroup);
                part->InsertSymbol(n);
            }
            pos += 1.0 / length;
        }
    }
    return doc;
}

// Takes the notes auto play sends and plays nothing, so that a click costs
// what the program does for it, not what the sound device does.
class SilentPlayer : public MediaPlayer {
public:
    bool Open(const std::string&, std::string&) override {
        mode_ = mpStopped;
        return true;
    }
    void Close() override { mode_ = mpNotReady; }
    int plays = 0;
    bool Play(bool, std::string&) override {
        ++plays;
        mode_ = mpPlaying;
        return true;
    }
    bool StartRecording(bool, std::string&) override { return false; }
    void Pause() override {}
    void Resume() override {}
    void Stop() override { mode_ = mpStopped; }
    bool Save(std::string&) override { return false; }
    TMediaMode Mode() const override { return mode_; }

private:
    TMediaMode mode_ = mpNotReady;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Figures {
    double repaint, select, insert, played;
};

// Posts a press and a release at (x, y) and waits for the paint they bring.
double clickMs(TMDIChildMuz& w, PaintCounter& counter, int x, int y) {
    QWidget* client = w.Client();
    const int before = counter.paints;
    QElapsedTimer t;
    t.start();
    const QPointF at(x, y);
    QApplication::postEvent(client, new QMouseEvent(QEvent::MouseButtonPress, at, client->mapToGlobal(at),
                                                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QApplication::postEvent(client, new QMouseEvent(QEvent::MouseButtonRelease, at, client->mapToGlobal(at),
                                                    Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    for (int i = 0; i < 1000 && counter.paints == before; ++i) QApplication::processEvents();
    return t.nsecsElapsed() / 1e6;
}

Figures measure(TMainForm& form, TMDIChildMuz& w, int clicks) {
    PaintCounter counter;
    w.Client()->installEventFilter(&counter);
    TUnitMuz& doc = *w.Doc();
    doc.AutoPlay = false;
    w.Client()->repaint();
    Figures f{};
    std::vector<double> times;
    for (int i = 0; i < clicks; ++i) {
        QElapsedTimer t;
        t.start();
        w.Client()->repaint();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    f.repaint = median(times);

    // A note in view, on the first stave.
    auto noteInView = [&]() -> TStaveSymbol* {
        for (TStaveSymbol* s = doc.FirstSinglePart()->GetFirstSymbol(); s; s = s->Next)
            if (s->GetStaveSymbolKind() == staveSymbolNote && s->GetNoteStave() == doc.GetFirstStave() &&
                s->Layout.LeftX > 150 && s->Layout.RightX < w.Client()->width() / 2)
                return s;
        return nullptr;
    };
    SetMode(doc, unitMuzSel);
    form.UpdateActions();
    times.clear();
    for (int i = 0; i < clicks; ++i) {
        TStaveSymbol* s = noteInView();
        if (!s) break;
        const int y = doc.GetFirstStave()->Layout.BaseY;
        times.push_back(clickMs(w, counter, (s->Layout.LeftX + s->Layout.RightX) / 2, y));
    }
    f.select = median(times);

    // The same with auto play, each click selecting the note, which plays it.
    doc.AutoPlay = true;
    times.clear();
    for (int i = 0; i < clicks; ++i) {
        TStaveSymbol* s = noteInView();
        if (!s) break;
        SelectSymbol(doc, nullptr);
        w.Client()->repaint();
        const int y = doc.GetFirstStave()->Layout.BaseY;
        times.push_back(clickMs(w, counter, (s->Layout.LeftX + s->Layout.RightX) / 2, y));
    }
    f.played = median(times);
    doc.AutoPlay = false;

    SetMode(doc, unitMuzAdd);
    form.UpdateActions();
    times.clear();
    for (int i = 0; i < clicks; ++i) {
        TStaveSymbol* s = noteInView();
        if (!s) break;
        const int base = doc.GetFirstStave()->Layout.BaseY;
        // Just left of the note's middle: a new note before it, on the middle line.
        times.push_back(clickMs(w, counter, (s->Layout.LeftX + s->Layout.RightX) / 2 - 4, base));
    }
    f.insert = median(times);
    w.Client()->removeEventFilter(&counter);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    // Offscreen unless another platform is asked for (xcb: on an X server).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int clicks = argc > 1 ? std::max(3, std::atoi(argv[1])) : 40;
    TMainForm form;
    auto silent = std::make_unique<SilentPlayer>();
    SilentPlayer* player = silent.get();
    form.SetMediaPlayer(std::move(silent));
    form.resize(1400, 900);
    form.show();
    form.OpenMusicFiles({QString(KORVANE_SOURCE_DIR) + "/examples/music-demo.korvanem"});
    TMDIChildMuz* demo = form.ActiveMusicChild();
    if (!demo) {
        std::fprintf(stderr, "cannot open the demo\n");
        return 1;
    }
    demo->parentWidget()->resize(1100, 600);
    QApplication::processEvents();
    const Figures d = measure(form, *demo, clicks);
    const int demoPlays = player->plays;

    TMDIChildMuz* large = form.AddMusicWindow(twoStaves(20000));
    large->parentWidget()->resize(1100, 600);
    QApplication::processEvents();
    const Figures l = measure(form, *large, clicks);

    std::printf("client %d x %d, medians of %d, ms (ratio to the plain repaint of the same window)\n",
                large->Client()->width(), large->Client()->height(), clicks);
    std::printf("%-28s %10s %18s %18s %18s\n", "", "repaint", "select click", "insert click", "with auto play");
    auto row = [](const char* name, const Figures& f) {
        std::printf("%-28s %10.2f %10.2f (%4.1fx) %10.2f (%4.1fx) %10.2f (%4.1fx)\n", name, f.repaint, f.select,
                    f.select / f.repaint, f.insert, f.insert / f.repaint, f.played, f.played / f.repaint);
    };
    row("demo", d);
    row("two staves, 20,000 notes", l);
    std::printf("notes played with auto play: demo %d, two staves %d\n", demoPlays, player->plays - demoPlays);
    return 0;
}
