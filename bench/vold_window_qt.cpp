// The volume diagram in the window, on Qt's offscreen platform: one hour of
// stereo in a wave window whose client area is 1600 x 400. In one run:
// - switching to the diagram until its last column is shown (goal: at most
//   3 s wall on 2 cores), beside the old way of painting it, which computed
//   the whole view within the paint and blocked the window meanwhile;
// - how soon the window answers while it computes: a menu asked for 100 ms
//   after the last was shown, from the moment it was due until it has been
//   shown (goal: within 100 ms);
// - a repaint from the kept columns (goal under 20 ms), and a 100-pixel
//   drag selection over the diagram.
// usage: bench_vold_window_qt [MINUTES]   (default 60)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "core/Sound.h"
#include "core/Wave.h"
#include "shell/ChildWave.h"
#include "shell/Main.h"
#include "qtcanvas/QPainterCanvas.h"
#include "wavewindow/VolumeDiagram.h"

using namespace korvane;

namespace {

std::unique_ptr<Wave> channel(int32_t values, double hertz) {
    bool failed = false;
    auto w = Wave::create(failed, values);
    for (int32_t i = 0; i < values; ++i) {
        double t = static_cast<double>(i) / 44100;
        w->wave[i] = static_cast<int16_t>(12000 * std::sin(6.2830586 * hertz * t * (1 + t / 60)) +
                                          static_cast<int>(int64_t{i} * 7919 % 4001) - 2000);
    }
    return w;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int32_t values = minutes * 60 * 44100;
    std::printf("Making %d minutes of 44.1 kHz stereo ...\n", minutes);

    TMainForm form;
    form.resize(1800, 700);
    form.show();
    TMDIChildWave* w = form.AddWaveWindow(std::make_unique<TUnitWave>(
        std::make_unique<StereoSound>(channel(values, 440), channel(values, 330), 44100, 2), "hour.wav"));
    QWidget* frame = w->parentWidget();
    QApplication::processEvents();
    // The client area at exactly 1600 x 400.
    frame->resize(frame->width() + 1600 - w->Client()->width(), frame->height() + 400 - w->Client()->height());
    QApplication::processEvents();
    std::printf("client area %d x %d\n", w->Client()->width(), w->Client()->height());

    // The old way, as yardstick: the whole view computed inside the paint
    // (with the same column computation as the window's).
    TVoldViewProps props = w->VoldViewProps();
    TVoldPaintArgs a;
    a.TheSound = w->Doc()->TheSound.get();
    a.Props = &props;
    a.Map = w->Mapping();
    a.Bottom = w->Client()->height();
    QImage image(w->Client()->size(), QImage::Format_RGB32);
    QElapsedTimer clock;
    clock.start();
    {
        QPainter painter(&image);
        TQPainterCanvas canvas(painter, image);
        PaintVoldView(canvas, a, 0, image.width());
    }
    const double blocking = clock.elapsed() / 1000.0;

    // The window: switch, and ask for a menu 100 ms after the last one was
    // shown, until the diagram is all there. An answer counts from the moment
    // the menu was due until it has been shown.
    QMenu* menu = form.Menu("File");
    std::vector<double> answers;
    double done = 0;
    QEventLoop loop;
    QElapsedTimer since;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!w->VoldDiagram().Computing() && w->VoldDiagram().Current()) {
            done = clock.elapsed() / 1000.0;
            loop.quit();
        }
    });
    std::function<void()> ask;
    qint64 due = 0;
    auto next = [&] {
        due = since.elapsed() + 100;
        QTimer::singleShot(100, Qt::PreciseTimer, &loop, ask);
    };
    ask = [&] {
        if (done > 0) return;
        const qint64 late = std::max<qint64>(0, since.elapsed() - due);
        QElapsedTimer shown;
        shown.start();
        menu->popup(QPoint(20, 20));
        QApplication::processEvents();
        menu->hide();
        answers.push_back(static_cast<double>(late) + shown.nsecsElapsed() / 1e6);
        next();
    };
    clock.restart();
    w->SetVoldView(props);
    since.start();
    poll.start();
    next();
    loop.exec();
    poll.stop();
    QApplication::processEvents();

    // Repaints from the kept columns.
    std::vector<double> repaints;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        w->Client()->repaint();
        repaints.push_back(t.nsecsElapsed() / 1e6);
    }
    // A 100-pixel drag selection, one pixel a move, each shown before the next.
    QElapsedTimer drag;
    drag.start();
    auto send = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        QPointF at(x, 200);
        QMouseEvent e(type, at, w->Client()->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w->Client(), &e);
        w->Client()->repaint();
    };
    send(QEvent::MouseButtonPress, 700, Qt::LeftButton);
    for (int x = 701; x <= 800; ++x) send(QEvent::MouseMove, x, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, 800, Qt::NoButton);
    const double dragging = drag.elapsed() / 1000.0;

    double worst = answers.empty() ? 0 : *std::max_element(answers.begin(), answers.end());
    std::printf("the old way, computing the whole view inside the paint: %.3f s with the window blocked\n", blocking);
    std::printf(
        "switch to the diagram until its last column shows: %.3f s wall, %.2f of the old paint, %.2f of the "
        "3 s goal\n",
        done, done / blocking, done / 3);
    std::printf("a menu while it computes (%zu asked): median %.1f ms, worst %.1f ms, %.2f of the 100 ms goal\n",
                answers.size(), median(answers), worst, worst / 100);
    std::printf("repaint from the kept columns: median %.2f ms, %.2f of the 20 ms goal, %.5f of the old paint\n",
                median(repaints), median(repaints) / 20, median(repaints) / 1000 / blocking);
    std::printf("100-pixel drag selection: %.3f s, %.5f of the old paint\n", dragging, dragging / blocking);
    return 0;
}
