#include <gtest/gtest.h>

#include <QApplication>
#include <QWheelEvent>
#include <vector>

#include "ShellApp.h"
#include "shell/ChildClient.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// A client of a plain widget that counts the wheel turns handed to it.
class CountingClient : public TChildClientOf<QWidget> {
public:
    explicit CountingClient(QWidget& owner) : TChildClientOf(owner) {}
    QWidget& Owner() const { return owner_; }
    std::vector<QPoint> turns;

protected:
    void wheelTurned(const QWheelEvent& event) override { turns.push_back(event.angleDelta()); }
};

}  // namespace

TEST(ChildClientTest, TakesTheFocusOfItsWindowAndFollowsTheMouse) {
    ShellApp();
    QWidget window;
    CountingClient client(window);
    EXPECT_EQ(&client.Owner(), &window);
    EXPECT_EQ(client.parentWidget(), &window);
    EXPECT_EQ(window.focusProxy(), &client);
    EXPECT_EQ(client.focusPolicy(), Qt::StrongFocus);
    EXPECT_TRUE(client.hasMouseTracking());
    EXPECT_TRUE(client.testAttribute(Qt::WA_OpaquePaintEvent));
}

// Turns add up to whole notches of 120 either way; a vertical turn counts
// before a sideways one, and what falls short of a notch waits for the next.
TEST(ChildClientTest, WheelTurnsCountInWholeNotchesAndKeepTheRest) {
    ShellApp();
    QWidget window;
    CountingClient client(window);
    struct Case {
        QPoint turn;
        int notches;
    };
    const Case cases[] = {
        {{0, 120}, 1},     {{0, -240}, -2}, {{0, 60}, 0},  {{0, 59}, 0}, {{0, 1}, 1}, {{-120, 0}, -1},
        {{120, -120}, -1}, {{0, -60}, 0},   {{0, 120}, 0}, {{0, 60}, 1}, {{0, 0}, 0}, {{0, 12000}, 100},
    };
    int step = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(client.WheelNotches(c.turn), c.notches) << "turn " << step;
        ++step;
    }
}

TEST(ChildClientTest, WheelEventsGoToTheClientAndAreTaken) {
    ShellApp();
    QWidget window;
    CountingClient client(window);
    QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    e.ignore();
    QApplication::sendEvent(&client, &e);
    EXPECT_TRUE(e.isAccepted());
    ASSERT_EQ(client.turns.size(), 1u);
    EXPECT_EQ(client.turns[0], QPoint(0, -120));
}

// The back buffer follows the client's size, never smaller than a pixel,
// and is kept while the size stays.
TEST(ChildClientTest, BackBufferFollowsTheClientsSize) {
    ShellApp();
    QWidget window;
    CountingClient client(window);
    client.resize(300, 120);
    QImage& back = client.BackBuffer();
    EXPECT_EQ(back.size(), QSize(300, 120));
    EXPECT_EQ(back.format(), QImage::Format_RGB32);
    back.fill(Qt::red);
    const qint64 key = back.cacheKey();
    EXPECT_EQ(client.BackBuffer().cacheKey(), key);
    EXPECT_EQ(client.BackBuffer().pixelColor(299, 119), QColor(Qt::red));
    client.resize(80, 40);
    EXPECT_EQ(client.BackBuffer().size(), QSize(80, 40));
    client.resize(0, 0);
    EXPECT_EQ(client.BackBuffer().size(), QSize(1, 1));
}
