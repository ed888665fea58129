#include "qtcanvas/QtPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "qtcanvas/QPainterCanvas.h"

namespace korvane {

bool PaintPictureWithQt(int width, int height, const std::function<void(Canvas&)>& paint, std::vector<TColor>& pixels,
                        std::string& error) {
    // Made here and gone when the picture is done: an application object
    // left to the exit handlers would outlive Qt's own.
    std::unique_ptr<QGuiApplication> app;
    // Qt's start-up chatter (no runtime directory, ...) is not ours to show.
    struct TQuiet {
        QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
            });
        ~TQuiet() { qInstallMessageHandler(previous); }
    } quiet;
    if (!QGuiApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "korvane-cli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    if (MusicFontFamily().isEmpty()) {
        error = "the music font Noto Music is not installed (Debian package fonts-noto-core)";
        return false;
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        error = "no memory for a picture of " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TQPainterCanvas canvas(painter, image);
        paint(canvas);
    }
    pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] = RGBColor(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    return true;
}

}  // namespace korvane
