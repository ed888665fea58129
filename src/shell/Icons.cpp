#include "shell/Icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace korvane {

namespace {

// The pictures the desktop theme has under the same names.
bool themed(const QString& name) {
    static const QStringList names{"document-new",         "document-open",       "document-save",
                                   "document-save-as",     "edit-undo",           "edit-cut",
                                   "edit-copy",            "edit-paste",          "edit-delete",
                                   "zoom-in",              "zoom-original",       "application-exit",
                                   "media-playback-start", "media-playback-stop", "media-playback-pause",
                                   "media-record",         "help-about",          "help-contents"};
    return names.contains(name);
}

// A curve over the width of the icon: y in -1..1 for x in 0..1.
template <class F>
void curve(QPainter& p, F f, const QColor& color) {
    QPainterPath path;
    for (int i = 0; i <= 40; ++i) {
        double x = i / 40.0;
        QPointF pt(3 + x * 18, 12 - f(x) * 7);
        if (i == 0) path.moveTo(pt);
        else path.lineTo(pt);
    }
    p.setPen(QPen(color, 1.6));
    p.drawPath(path);
}

QIcon drawn(const QString& action) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor wave(20, 70, 160), accent(190, 60, 30);
    auto frame = [&] {
        p.setPen(QPen(QColor(120, 120, 120), 1));
        p.setBrush(QColor(250, 250, 250));
        p.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 3, 3);
        p.setBrush(Qt::NoBrush);
    };
    frame();
    const double pi2 = 6.2830586;
    if (action == "make-silence") {
        curve(p, [](double) { return 0.0; }, wave);
    } else if (action == "make-line") {
        curve(p, [](double x) { return x * 2 - 1; }, wave);
    } else if (action == "make-block") {
        curve(p, [](double x) { return std::fmod(x * 2, 1.0) < 0.5 ? 0.8 : -0.8; }, wave);
    } else if (action == "make-triangle") {
        curve(p, [](double x) { double f = std::fmod(x * 2, 1.0); return f < 0.5 ? f * 3.2 - 0.8 : 2.4 - f * 3.2; }, wave);
    } else if (action == "make-sinus") {
        curve(p, [pi2](double x) { return 0.85 * std::sin(x * pi2 * 1.5); }, wave);
    } else if (action == "make-noise") {
        curve(p, [](double x) { return 0.8 * std::sin(x * 97.0) * std::cos(x * 41.0); }, wave);
    } else if (action == "make-mfreq") {
        curve(p, [pi2](double x) { return 0.5 * std::sin(x * pi2) + 0.35 * std::sin(x * pi2 * 5); }, wave);
    } else if (action == "draw-linear" || action == "draw-smooth") {
        curve(p, [](double x) { return x < 0.3 ? x * 2 : x < 0.7 ? 0.6 - (x - 0.3) * 3 : -0.6 + (x - 0.7) * 2; }, wave);
        p.setPen(QPen(accent, 1.2));
        p.setBrush(accent);
        for (double x : {0.0, 0.3, 0.7, 1.0}) {
            double y = x < 0.3 ? x * 2 : x < 0.7 ? 0.6 - (x - 0.3) * 3 : -0.6 + (x - 0.7) * 2;
            p.drawEllipse(QPointF(3 + x * 18, 12 - y * 7), 1.6, 1.6);
        }
    } else if (action == "view-wave") {
        curve(p, [pi2](double x) { return 0.8 * std::sin(x * pi2 * 3) * (1 - x); }, wave);
    } else if (action == "view-volume") {
        for (int i = 0; i < 5; ++i) {
            p.fillRect(QRectF(4 + i * 3.4, 4, 3, 16), QColor(40 + i * 40, 60, 200 - i * 30));
        }
    } else if (action == "zoom-in" || action == "zoom-original") {
        p.setPen(QPen(wave, 2));
        p.drawEllipse(QPointF(10, 10), 5.5, 5.5);
        p.drawLine(QPointF(14, 14), QPointF(20, 20));
        p.drawLine(QPointF(7.5, 10), QPointF(12.5, 10));
        if (action == "zoom-in") p.drawLine(QPointF(10, 7.5), QPointF(10, 12.5));
    } else {
        // A letter or two from the command, enough to tell the buttons apart.
        static const QHash<QString, QString> letters{
            {"document-new", "N"},   {"document-open", "O"},   {"document-save", "S"},  {"edit-undo", "U"},
            {"edit-cut", "X"},       {"edit-copy", "C"},       {"edit-paste", "P"},     {"edit-delete", "D"},
            {"media-playback-start", ">"}, {"media-playback-stop", "[]"}, {"media-playback-pause", "||"},
            {"media-record", "o"},   {"select-wave", "Q"},     {"volume", "V"},         {"max-volume", "M"},
            {"reverse", "R"},        {"tempo-pitch", "T"},     {"filter-low", "L"},     {"filter-high", "H"},
            {"echo-period", "E"},    {"echo-random", "E?"},    {"split-horizontally", "|"},
            {"merge-horizontally", "+"}, {"distort", "Ds"},    {"roll-in", "Ri"},       {"roll-out", "Ro"},
            {"up", "Up"},            {"rotate", "Rt"},
        };
        QString text = letters.value(action, action.left(2));
        p.setPen(action.startsWith("document") || action.startsWith("edit") || action.startsWith("media") ? wave
                                                                                                   : accent);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(text.size() > 1 ? 10 : 13);
        p.setFont(f);
        p.drawText(QRectF(1.5, 1.5, 21, 21), Qt::AlignCenter, text);
    }
    p.end();
    return QIcon(pm);
}

}  // namespace

QIcon CommandIcon(const QString& name) {
    QIcon fallback = drawn(name);
    return themed(name) ? QIcon::fromTheme(name, fallback) : fallback;
}

}  // namespace korvane
