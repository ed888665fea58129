#include "shell/Icons.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <array>
#include <memory>

// The pictures live in a resource of this library; naming its initialiser
// here keeps the linker from dropping it from the static library.
static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace korvane {

namespace {

// The ink a picture draws straight onto the tool bar is written as
// currentColor: dark on a light theme, light on a dark one. Ink on paper,
// cards and the colours of waves, marks and badges stay as drawn.
constexpr const char* kInkOnLight = "#3b4656";
constexpr const char* kInkOnDark = "#dde3ea";

bool darkTheme() { return QGuiApplication::palette().color(QPalette::Window).lightness() < 128; }

class SvgIconEngine : public QIconEngine {
public:
    SvgIconEngine(QString name, QByteArray svg) : name_(std::move(name)), svg_(std::move(svg)) {}

    QIconEngine* clone() const override { return new SvgIconEngine(name_, svg_); }
    QString iconName() override { return name_; }
    bool isNull() override { return !renderer(false).isValid(); }

    // Drawn at the size asked for in device pixels, so a 2x screen gets a
    // picture of its own, not a scaled one.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        if (size.isEmpty() || isNull()) return QPixmap();
        const bool dark = darkTheme();
        const QString key = QStringLiteral("korvane-icon:%1:%2x%3:%4:%5")
                                .arg(name_)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(int(mode))
                                .arg(int(dark));
        QPixmap pm;
        if (QPixmapCache::find(key, &pm)) return pm;
        QImage art(size, QImage::Format_ARGB32_Premultiplied);
        art.fill(Qt::transparent);
        {
            QPainter p(&art);
            p.setRenderHint(QPainter::Antialiasing);
            renderer(dark).render(&p, QRectF(QPointF(0, 0), size));
        }
        pm = QPixmap::fromImage(art);
        if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QApplication::palette();
            pm = QApplication::style()->generatedIconPixmap(mode, pm, &option);
        }
        QPixmapCache::insert(key, pm);
        return pm;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = pixmap(rect.size() * ratio, mode, state);
        pm.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, pm);
    }

private:
    QSvgRenderer& renderer(bool dark) {
        auto& r = renderers_[dark ? 1 : 0];
        if (!r) {
            QByteArray svg = svg_;
            svg.replace("currentColor", dark ? kInkOnDark : kInkOnLight);
            r = std::make_unique<QSvgRenderer>(svg);
        }
        return *r;
    }

    QString name_;
    QByteArray svg_;
    std::array<std::unique_ptr<QSvgRenderer>, 2> renderers_;
};

}  // namespace

QIcon CommandIcon(const QString& name) {
    static const bool loaded = (initIconResources(), true);
    (void)loaded;
    QFile file(":/icons/" + name + ".svg");
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly)) return QIcon();
    auto engine = std::make_unique<SvgIconEngine>(name, file.readAll());
    if (engine->isNull()) return QIcon();
    return QIcon(engine.release());
}

}  // namespace korvane
