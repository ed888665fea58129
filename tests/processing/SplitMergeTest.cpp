#include <gtest/gtest.h>

#include "TimeEchoFixture.h"
#include "processing/SplitMerge.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using V = std::vector<int>;

class SplitMergeTest : public TimeEchoTest {
protected:
    static std::vector<int> lengths(const std::vector<TUnitWave*>& docs) {
        std::vector<int> v;
        for (auto* d : docs) v.push_back(d->GetValues());
        return v;
    }
};

TEST_F(SplitMergeTest, SplitHorizontallyGivesTheChosenParts) {
    auto& d = monoDoc(ramp(1000, 1));
    d.SetRange(100, 200);
    TSplitHorProps p;
    auto three = SplitHorizontally(space, d, p);
    EXPECT_EQ(lengths(three), (V{100, 100, 800}));
    EXPECT_EQ(left(*three[1]).front(), 100);
    EXPECT_EQ(left(*three[2]).front(), 200);
    EXPECT_EQ(three[0]->Name, "NONAME1");
    EXPECT_EQ(three[2]->Name, "NONAME3");
    EXPECT_TRUE(three[0]->HasNoFile());
    p.Result = 1;
    EXPECT_EQ(lengths(SplitHorizontally(space, d, p)), (V{200, 900}));
    p.Result = 2;
    auto exclusive = SplitHorizontally(space, d, p);
    EXPECT_EQ(lengths(exclusive), (V{100, 800}));
    EXPECT_EQ(left(*exclusive[1]).front(), 200);

    d.SetCursor(300);
    EXPECT_EQ(lengths(SplitHorizontally(space, d, p)), (V{300, 700}));
    EXPECT_EQ(left(d).size(), 1000u);
}

TEST_F(SplitMergeTest, SplitHorizontallyNeedsASelectionStrictlyInside) {
    auto& d = monoDoc(ramp(10, 1));
    d.SetRange(0, 5);
    EXPECT_FALSE(CanSplitHorizontally(d));
    d.SetRange(1, 9);
    EXPECT_FALSE(CanSplitHorizontally(d));
    d.SetRange(1, 8);
    EXPECT_TRUE(CanSplitHorizontally(d));
}

TEST_F(SplitMergeTest, SplitVerticallyKeepsTheSelection) {
    auto& d = stereoDoc({1, 2, 3}, {4, 5, 6});
    d.SetRange(1, 2);
    auto two = SplitVertically(space, d);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0]->GetMoSt(), 1);
    EXPECT_EQ(left(*two[0]), (V{1, 2, 3}));
    EXPECT_EQ(left(*two[1]), (V{4, 5, 6}));
    EXPECT_EQ(two[1]->SelBegin(), 1);
    EXPECT_EQ(two[1]->SelEnd(), 2);
    EXPECT_TRUE(SplitVertically(space, monoDoc({1})).empty());
}

TEST_F(SplitMergeTest, MergePreselectsWhereTheWavesDiffer) {
    auto& a = monoDoc({1}, 44100);
    auto& b = monoDoc({1}, 44100);
    TMergeHorProps same = MergeHorDefaults(a, b);
    EXPECT_EQ(same.Channels, 1);
    EXPECT_EQ(same.Frequency, 44100);
    auto& c = stereoDoc({1}, {1}, 22050);
    c.TheSound->BytesPSample = 1;
    TMergeHorProps differ = MergeHorDefaults(a, c);
    EXPECT_EQ(differ.Channels, 2);
    EXPECT_EQ(differ.Frequency, 44100);
    EXPECT_EQ(differ.BytesPSample, 2);
    EXPECT_EQ(MergeHorDefaults(monoDoc({1}, 8000), monoDoc({1}, 12000)).Frequency, 5512);
    EXPECT_EQ(MergeHorDefaults(monoDoc({1}, 8000), monoDoc({1}, 8000)).Frequency, 8000);
}

TEST_F(SplitMergeTest, MergeHorizontallyConvertsBothThenAppends) {
    auto& first = stereoDoc({10, 20}, {30, 40});
    auto& last = monoDoc({5});
    TMergeHorProps p;
    p.Channels = 1;
    p.Frequency = 1000;
    p.BytesPSample = 1;
    TUnitWave* merged = MergeHorizontally(space, first, last, p);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(left(*merged), (V{20, 30, 5}));
    EXPECT_EQ(merged->GetBytesPSample(), 1);
    // The sources are untouched; the window closes them.
    EXPECT_EQ(left(first), (V{10, 20}));

    p.Channels = 2;
    p.Frequency = 2000;
    TUnitWave* doubled = MergeHorizontally(space, monoDoc({0, 100}), monoDoc({8}), p);
    EXPECT_EQ(doubled->GetMoSt(), 2);
    EXPECT_EQ(doubled->GetFreq(), 2000);
    EXPECT_EQ(right(*doubled), (V{0, 50, 100, 100, 8, 8}));
}

TEST_F(SplitMergeTest, MergeVerticallyAppliesTheLengthRule) {
    auto& l = monoDoc({1, 2, 3, 4});
    auto& r = monoDoc({10, 20});
    TMergeVertProps p;
    p.Frequency = 1000;
    const V rights[4] = {{0, 0, 10, 20}, {10, 20, 0, 0}, {10, 15, 20, 20}, {10, 20}};
    for (int rule = 0; rule < 4; ++rule) {
        p.LengthRule = rule;
        TUnitWave* m = MergeVertically(space, l, r, p);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->GetMoSt(), 2);
        EXPECT_EQ(right(*m), rights[rule]) << "rule " << rule;
        EXPECT_EQ(left(*m), (rule == 3 ? V{1, 3} : V{1, 2, 3, 4})) << "rule " << rule;
    }
    auto& empty = monoDoc({});
    p.LengthRule = 2;
    EXPECT_EQ(right(*MergeVertically(space, l, empty, p)), (V{0, 0, 0, 0}));
    p.LengthRule = 3;
    EXPECT_EQ(MergeVertically(space, l, empty, p)->GetValues(), 0);

    auto& stereo = stereoDoc({10, 20}, {30, 40});
    p.LengthRule = 1;
    EXPECT_EQ(left(*MergeVertically(space, stereo, l, p)), (V{20, 30, 0, 0}));
}

TEST_F(SplitMergeTest, AllocationFailureMakesNoDocument) {
    auto& d = monoDoc(ramp(10, 1));
    d.SetRange(2, 5);
    size_t before = space.Units().size();
    allocation_testing::failNextAllocations(1);
    EXPECT_TRUE(SplitHorizontally(space, d, TSplitHorProps{}).empty());
    EXPECT_EQ(space.Units().size(), before);
    EXPECT_EQ(memoryMessages(), 1);
}

}  // namespace
