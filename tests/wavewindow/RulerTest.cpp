#include <gtest/gtest.h>

#include "wavewindow/WaveView.h"

using namespace korvane;

namespace {

std::vector<TRulerMark> labelled(const std::vector<TRulerMark>& marks) {
    std::vector<TRulerMark> out;
    for (const TRulerMark& m : marks)
        if (m.Labelled) out.push_back(m);
    return out;
}

// Ticks at the grid step (20 pixels), labels at the step of the same rule
// for 80 pixels, each label with the decimals its step needs.
TEST(WaveRuler, RulerMarksFollowTheGridStepRule) {
    // 20 s over 800 pixels: ticks every 0.5 s, labels every 2 s.
    TWaveMapping whole{0, 800, 0, 20000};
    std::vector<TRulerMark> marks = RulerMarks(whole, 1000);
    ASSERT_EQ(marks.size(), 41u);
    std::vector<TRulerMark> labels = labelled(marks);
    ASSERT_EQ(labels.size(), 11u);
    EXPECT_EQ(labels[0].Text, "0 s");
    EXPECT_EQ(labels[1].Text, "2 s");
    EXPECT_EQ(labels[1].X, 80);
    EXPECT_EQ(labels[10].Text, "20 s");
    EXPECT_EQ(marks[1].X, 20);
    EXPECT_FALSE(marks[1].Labelled);
    for (size_t i = 1; i < marks.size(); ++i) EXPECT_LT(marks[i - 1].X, marks[i].X);

    // Zoomed to 1.2 .. 1.3 s: ticks every 2 ms, labels every 20 ms.
    TWaveMapping zoomed{0, 800, 1200, 1300};
    marks = RulerMarks(zoomed, 1000);
    labels = labelled(marks);
    ASSERT_EQ(labels.size(), 6u);
    EXPECT_EQ(labels[0].Text, "1.20 s");
    EXPECT_EQ(labels[1].Text, "1.22 s");
    EXPECT_EQ(labels[1].X, 160);
    EXPECT_EQ(marks.size(), 51u);

    // A view that starts between marks starts at the next one.
    TWaveMapping off{0, 400, 4410 * 3 + 100, 44100 * 2};
    labels = labelled(RulerMarks(off, 44100));
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels[0].Text, "0.5 s");
    EXPECT_GT(labels[0].X, 0);

    EXPECT_TRUE(RulerMarks(TWaveMapping{0, 800, 0, 0}, 1000).empty());
    EXPECT_TRUE(RulerMarks(TWaveMapping{0, 0, 0, 100}, 1000).empty());
    EXPECT_TRUE(RulerMarks(whole, 0).empty());
}

}  // namespace
