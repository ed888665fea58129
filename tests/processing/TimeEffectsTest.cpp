#include <gtest/gtest.h>

#include "TimeEchoFixture.h"
#include "processing/TimeEffects.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using V = std::vector<int>;

class TimeEffectsTest : public TimeEchoTest {
protected:
    template <class F>
    static F field(const char* text) {
        return DefaultField<F>(text);
    }
};

TEST_F(TimeEffectsTest, RollInFoldsTheRangeIntoTheLoopWithSixteenBitSums) {
    auto w = makeWave({10, 20, 30, 40, 50, 60});
    int32_t b = 0, e = 6;
    auto same = rollIn(*w, failed, 6, 0, b, e);
    EXPECT_EQ(samplesOf(*same), (V{10, 20, 30, 40, 50, 60}));
    b = 0, e = 6;
    auto half = rollIn(*w, failed, 3, 0, b, e);
    EXPECT_EQ(samplesOf(*half), (V{50, 70, 90}));
    EXPECT_EQ(e, 3);

    // Inside a wave, starting at loop position 1; the samples around stay.
    auto inner = makeWave({1, 10, 20, 30, 40, 2});
    b = 1, e = 5;
    auto r = rollIn(*inner, failed, 2, 1, b, e);
    EXPECT_EQ(samplesOf(*r), (V{1, 60, 40, 2}));
    EXPECT_EQ(b, 1);
    EXPECT_EQ(e, 3);

    auto loud = makeWave({30000, 30000});
    b = 0, e = 2;
    EXPECT_EQ(samplesOf(*rollIn(*loud, failed, 1, 0, b, e)), (V{-5536}));
    b = 0, e = 2;
    EXPECT_CONTRACT(rollIn(*loud, failed, 1, 1, b, e), "target < length");
}

TEST_F(TimeEffectsTest, RollInPlacesTheRangeByStartOrEnd) {
    auto& d = monoDoc({1, 2, 3, 4, 5}, 4);
    TRollInProps p;
    p.Length = field<unitTimePosMore>("0.75 s");
    p.Placement = 1;  // end at 0: the last sample lands on the loop's last place
    ASSERT_TRUE(RollInExecute(d, p));
    EXPECT_EQ(left(d), (V{3, 5, 7}));
    EXPECT_EQ(d.SelBegin(), 0);
    EXPECT_EQ(d.SelEnd(), 3);

    auto& s = monoDoc({1, 2, 3}, 4);
    p.Placement = 0;
    p.Start.SetLength(0.75);
    std::string message;
    ASSERT_TRUE(p.Start.FromText("0.5 s", "Start at", message));
    ASSERT_TRUE(RollInExecute(s, p));
    EXPECT_EQ(left(s), (V{2, 3, 1}));

    p.Length = field<unitTimePosMore>("0.2 s");
    EXPECT_EQ(CheckRollIn(p, s), "In Length: Length must be at least one sample.");
    p.Length = field<unitTimePosMore>("0.25 s");
    EXPECT_EQ(CheckRollIn(p, s), "In Start at: Position must be before the end of the wave");
}

TEST_F(TimeEffectsTest, RollOutRepeatsPlaysBackwardsAndCounts) {
    auto& d = monoDoc({0, 100, 200, 300}, 4);
    TRollOutProps p;
    p.Speed = field<unitFactorNotNul>("100 %");
    p.LengthFactor = field<unitFactorPosMore>("200 %");
    ASSERT_TRUE(RollOutExecute(d, p));
    EXPECT_EQ(left(d), (V{0, 75, 150, 225, 0, 75, 150, 225}));
    EXPECT_EQ(d.SelEnd(), 8);

    auto& back = monoDoc({0, 100, 200, 300}, 4);
    p.Speed = field<unitFactorNotNul>("-100 %");
    ASSERT_TRUE(RollOutExecute(back, p));
    EXPECT_EQ(left(back), (V{0, 225, 150, 75, 0, 225, 150, 75}));

    auto& counted = monoDoc({0, 100, 200, 300}, 4);
    p.Speed = field<unitFactorNotNul>("200 %");
    p.LengthKind = lengthCount;  // 3 cycles at double speed: 1.5 times the range
    ASSERT_TRUE(RollOutExecute(counted, p));
    EXPECT_EQ(left(counted), (V{0, 150, 0, 150, 0, 150}));

    auto& late = monoDoc({0, 100, 200, 300}, 4);
    p.Speed = field<unitFactorNotNul>("100 %");
    p.LengthKind = lengthFactor;
    p.LengthFactor = field<unitFactorPosMore>("50 %");
    p.StartPosition.SetLength(1);
    std::string message;
    ASSERT_TRUE(p.StartPosition.FromText("25 %", "Start Position", message));
    ASSERT_TRUE(RollOutExecute(late, p));
    EXPECT_EQ(left(late), (V{75, 150}));
}

TEST_F(TimeEffectsTest, RollOutByEnvelopeReadsTheRangeAsOneCycle) {
    auto w = makeWave({0, 100, 200, 300});
    auto env = makeWave({32767, 32767});
    int32_t b = 0, e = 4;
    auto r = rollOutEnvelope(*w, failed, *env, 0.5, 2, 0, b, e);
    // Half speed; between the last sample and the wrap the first one follows.
    EXPECT_EQ(samplesOf(*r), (V{50, 100, 150, 200, 250, 300, 150, 0}));
    EXPECT_EQ(e, 8);
    b = 0, e = 4;
    EXPECT_CONTRACT(rollOutEnvelope(*w, failed, *env, 1, 0, 0, b, e), "lengthfactor > 0");
}

TEST_F(TimeEffectsTest, LengthResamplesMirrorsAndRemoves) {
    auto& d = monoDoc({1, 2, 3, 4}, 4);
    TLengthProps p;
    p.LengthFactor = field<unitFactor>("-100 %");
    ASSERT_TRUE(LengthExecute(d, p));
    EXPECT_EQ(left(d), (V{4, 3, 2, 1}));

    auto& longer = monoDoc({0, 100, 200, 300}, 4);
    p.LengthKind = lengthNew;
    p.NewLength = field<unitTimePosMore>("2 s");
    ASSERT_TRUE(LengthExecute(longer, p));
    EXPECT_EQ(left(longer), (V{0, 50, 100, 150, 200, 250, 300, 300}));
    EXPECT_EQ(longer.SelEnd(), 8);

    auto& gone = monoDoc({1, 2, 3, 4, 5}, 4);
    gone.SetRange(1, 3);
    p.LengthKind = lengthFactor;
    p.LengthFactor = field<unitFactor>("0");
    ASSERT_TRUE(LengthExecute(gone, p));
    EXPECT_EQ(left(gone), (V{1, 4, 5}));
    EXPECT_EQ(gone.FirstSel, 1);
    EXPECT_EQ(gone.SecondSel, 1);
}

TEST_F(TimeEffectsTest, LengthSameAsAnotherWave) {
    monoDoc(std::vector<int>(8, 0), 4, "ref");
    auto& d = monoDoc({0, 300}, 4);
    TLengthProps p;
    p.LengthKind = lengthSameAs;
    EXPECT_EQ(CheckLength(p, d), "In Same Length as: You have to select a Wave");
    std::string message;
    ASSERT_TRUE(p.SameAs.FromName("ref", "Same Length as", message,
                                  [this](const std::string& n, const std::string&) { return space.FindWave(n); }));
    EXPECT_EQ(CheckLength(p, d), "");
    ASSERT_TRUE(LengthExecute(d, p));
    EXPECT_EQ(left(d), (V{0, 75, 150, 225, 300, 300, 300, 300}));
}

TEST_F(TimeEffectsTest, StereoChannelsGetTheSameOperation) {
    auto& d = stereoDoc({1, 2, 3, 4}, {10, 20, 30, 40}, 4);
    TLengthProps p;
    p.LengthFactor = field<unitFactor>("-100 %");
    ASSERT_TRUE(LengthExecute(d, p));
    EXPECT_EQ(left(d), (V{4, 3, 2, 1}));
    EXPECT_EQ(right(d), (V{40, 30, 20, 10}));
}

TEST_F(TimeEffectsTest, AllocationFailureKeepsTheDocument) {
    auto& d = monoDoc({1, 2, 3, 4}, 4);
    TLengthProps p;
    allocation_testing::failNextAllocations(1);
    EXPECT_FALSE(LengthExecute(d, p));
    EXPECT_EQ(left(d), (V{1, 2, 3, 4}));
    EXPECT_EQ(memoryMessages(), 1);

    // A length beyond what a wave can hold is a memory failure, not a crash.
    auto& big = monoDoc({1, 2}, 4);
    p.LengthFactor.SetValue(1e12);
    EXPECT_FALSE(LengthExecute(big, p));
    EXPECT_EQ(left(big), (V{1, 2}));
}

}  // namespace
