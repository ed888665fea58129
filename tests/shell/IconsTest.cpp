#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPalette>
#include <QRadioButton>
#include <map>
#include <set>

#include "MainFormFixture.h"
#include "ShellApp.h"
#include "TestSupport.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/DWaveFileProp.h"
#include "shell/Icons.h"
#include "shell/Main.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

const QStringList kWindowIcons{"window-wave-mono", "window-wave-stereo", "window-vold-mono", "window-vold-stereo",
                               "window-music"};
const QRgb kLight = qRgb(240, 240, 240), kDark = qRgb(42, 44, 48), kMid = qRgb(128, 128, 128);

QImage onBackground(const QPixmap& pm, QRgb background) {
    QImage image(pm.size(), QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    p.drawPixmap(0, 0, pm);
    return image;
}

int luminance(QRgb c) { return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000; }

// Pixels that stand out from the background by a clear step of brightness.
int standingOut(const QImage& image, QRgb background) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (std::abs(luminance(image.pixel(x, y)) - luminance(background)) >= 80) ++n;
    return n;
}

int differingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 96) ++n;
        }
    return n;
}

// The pictures at 1x and 2x as a tool bar of that colour shows them: the
// application's palette says whether the theme is light or dark.
struct Looks {
    QPixmap one, two;
};
std::map<QString, Looks> drawnOn(const QStringList& names, QRgb bar) {
    const QPalette before = QApplication::palette();
    QPalette palette(QColor::fromRgb(bar));
    palette.setColor(QPalette::Window, QColor::fromRgb(bar));
    QApplication::setPalette(palette);
    std::map<QString, Looks> looks;
    for (const QString& name : names) {
        const QIcon icon = CommandIcon(name);
        looks[name] = {icon.pixmap(QSize(22, 22), 1.0), icon.pixmap(QSize(22, 22), 2.0)};
    }
    QApplication::setPalette(before);
    return looks;
}

// With KORVANE_ICON_SHEET=FILE.png the test also leaves a contact sheet of
// every picture, at 1x and 2x on a light and a dark bar, for a look by eye.
void writeSheet(const QStringList& names, const std::map<QString, Looks>& light, const std::map<QString, Looks>& dark,
                const QString& path) {
    const int columns = 6, half = 82, rowH = 60;
    const int rows = (int(names.size()) + columns - 1) / columns;
    QImage sheet(columns * 2 * half, rows * rowH, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    QFont font = p.font();
    font.setPixelSize(9);
    p.setFont(font);
    for (int i = 0; i < names.size(); ++i) {
        const int x0 = (i % columns) * 2 * half, y0 = (i / columns) * rowH;
        for (int d = 0; d < 2; ++d) {
            const Looks& l = (d ? dark : light).at(names[i]);
            const int x = x0 + d * half;
            p.fillRect(x, y0, half, rowH - 10, QColor::fromRgb(d ? kDark : kLight));
            p.drawPixmap(x + 4, y0 + 15, l.one);
            QPixmap big = l.two;
            big.setDevicePixelRatio(1.0);
            p.drawPixmap(x + 32, y0 + 3, big);
        }
        p.setPen(Qt::black);
        p.drawText(x0 + 2, y0 + rowH - 1, names[i]);
    }
    p.end();
    sheet.save(path);
}

TEST(Icons, EveryToolBarCommandHasItsOwnReadablePictureAtBothScales) {
    ShellApp();
    EXPECT_TRUE(CommandIcon("no-such-picture").isNull());
    EXPECT_TRUE(CommandIcon("").isNull());

    std::map<QString, QString> barIcons;  // icon name -> the command that shows it
    QStringList all;
    for (const Command& c : Commands()) {
        if (c.icon.empty()) {
            EXPECT_TRUE(c.toolBar.empty() || !c.window) << c.action << " is on a tool bar without a picture";
            continue;
        }
        const QString name = QString::fromStdString(c.icon);
        if (!all.contains(name)) all << name;
        if (!c.toolBar.empty() && c.window) {
            auto [it, fresh] = barIcons.emplace(name, QString::fromStdString(c.action));
            EXPECT_TRUE(fresh) << c.action << " and " << it->second.toStdString() << " share " << c.icon;
        }
    }
    EXPECT_FALSE(barIcons.empty());
    all << kWindowIcons;
    for (const QString& name : all) ASSERT_FALSE(CommandIcon(name).isNull()) << name.toStdString() << ": no picture";

    const auto light = drawnOn(all, kLight), dark = drawnOn(all, kDark);
    std::map<QString, std::pair<QImage, QImage>> seen;
    for (const QString& name : all) {
        SCOPED_TRACE(name.toStdString());
        const Looks& l = light.at(name);
        ASSERT_EQ(l.one.size(), QSize(22, 22));
        // Drawn for the 2x screen, not a 1x picture blown up.
        ASSERT_EQ(l.two.size(), QSize(44, 44));
        EXPECT_EQ(l.two.deviceIndependentSize(), QSizeF(22, 22));
        const QPixmap blownUp = l.one.scaled(44, 44, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_GT(differingPixels(onBackground(l.two, kMid), onBackground(blownUp, kMid)), 0);
        EXPECT_GE(standingOut(onBackground(l.one, kLight), kLight), 25) << "faint on a light bar";
        EXPECT_GE(standingOut(onBackground(dark.at(name).one, kDark), kDark), 25) << "faint on a dark bar";
        seen[name] = {onBackground(l.one, kLight), onBackground(dark.at(name).one, kDark)};
    }
    // Told apart at a glance: every two bar pictures differ at least by a
    // shape of eight pixels at 1x (one flag of a note), on the light bar and
    // on the dark one.
    for (auto a = barIcons.begin(); a != barIcons.end(); ++a)
        for (auto b = std::next(a); b != barIcons.end(); ++b) {
            const auto &x = seen[a->first], &y = seen[b->first];
            EXPECT_GE(std::min(differingPixels(x.first, y.first), differingPixels(x.second, y.second)), 8)
                << a->first.toStdString() << " looks like " << b->first.toStdString();
        }

    if (const QByteArray sheet = qgetenv("KORVANE_ICON_SHEET"); !sheet.isEmpty())
        writeSheet(all, light, dark, QString(sheet));
}

class WindowIconTest : public MainFormFixture {
protected:
    void withChannels(int channels) {
        runner->dialogs.push_back([channels](QDialog& d) {
            static_cast<TDlgWaveFileProp&>(d).Channels(channels - 1)->setChecked(true);
            return pressOK(d);
        });
    }
    // What the frame of the window shows, against the picture of that name.
    static bool shows(TMDIChildKorvane& child, const QString& name) {
        auto* frame = qobject_cast<QMdiSubWindow*>(child.parentWidget());
        if (!frame) return false;
        const QImage want = CommandIcon(name).pixmap(QSize(16, 16), 1.0).toImage();
        return frame->windowIcon().pixmap(QSize(16, 16), 1.0).toImage() == want &&
               child.windowIcon().pixmap(QSize(16, 16), 1.0).toImage() == want;
    }

};

TEST_F(WindowIconTest, WaveWindowShowsItsViewKindAndChannelCount) {
    withChannels(1);
    trigger("FileNewWave");
    TMDIChildWave* w = form->ActiveWaveChild();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(shows(*w, "window-wave-mono"));
    // Mono and stereo, wave and diagram: four pictures, all different.
    std::set<QByteArray> seen;
    for (int i = 0; i < 4; ++i) {
        QImage image = CommandIcon(kWindowIcons[i]).pixmap(QSize(16, 16), 1.0).toImage();
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), 4u);

    withChannels(2);
    trigger("FileProperties");
    ASSERT_EQ(w->Doc()->GetMoSt(), 2);
    EXPECT_TRUE(shows(*w, "window-wave-stereo"));
    runner->dialogs.push_back(pressOK);
    trigger("ViewVold");
    ASSERT_EQ(w->ViewKind(), TMDIChildWave::viewVold);
    EXPECT_TRUE(shows(*w, "window-vold-stereo"));
    trigger("Undo");
    ASSERT_EQ(w->Doc()->GetMoSt(), 1);
    EXPECT_TRUE(shows(*w, "window-vold-mono"));
    runner->dialogs.push_back(pressOK);
    trigger("ViewWave");
    EXPECT_TRUE(shows(*w, "window-wave-mono"));

    trigger("FileNewMuz");
    ASSERT_NE(form->ActiveMusicChild(), nullptr);
    EXPECT_TRUE(shows(*form->ActiveMusicChild(), "window-music"));
}

}  // namespace
