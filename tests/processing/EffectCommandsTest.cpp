#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"
#include "processing/EffectCommands.h"
#include "processing/TWorkspace.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using Samples = std::vector<int>;

class EffectCommands : public CoreFixture {
protected:
    TWorkspace space;

    TUnitWave& monoDoc(const Samples& samples, int freq = 8000) {
        return space.AddWave(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), freq, 2), ""));
    }
    TUnitWave& stereoDoc(const Samples& l, const Samples& r, int freq = 8000) {
        return space.AddWave(
            std::make_unique<TUnitWave>(std::make_unique<StereoSound>(makeWave(l), makeWave(r), freq, 2), ""));
    }
    // A registered wave for the envelope pickers.
    unitUnitWave envelope(const std::string& name, const Samples& samples) {
        TUnitWave& w = monoDoc(samples);
        space.SetName(w, name);
        unitUnitWave pick;
        std::string message;
        WaveLookup lookup = [this](const std::string& n, const std::string&) { return space.FindWave(n); };
        EXPECT_TRUE(pick.FromName(name, "Envelope", message, lookup)) << message;
        return pick;
    }
};

Samples testSamples(int n, int seed) {
    Samples s;
    for (int i = 0; i < n; ++i) s.push_back(((i + seed) * 7919) % 24000 - 12000);
    return s;
}

struct EffectCase {
    const char* name;
    std::function<bool(TUnitWave&)> run;
    int grow;                 // samples the range grows by
    bool sharedPeak = false;  // normalises both channels by one peak after filtering
};

// Every effect on mono and stereo, on a selection and on the whole sound:
// samples outside the range stay, the grown range is selected, and each
// channel of a stereo sound comes out as a mono sound of that channel would.
TEST_F(EffectCommands, EveryEffectKeepsTheRestAndTreatsEachChannelAlike) {
    unitUnitWave env = envelope("env", {-20000, 32767, 0, 12000});
    std::vector<EffectCase> cases = {
        {"volume",
         [](TUnitWave& d) {
             TVolumeProps p;
             return VolumeCommand(d, p);
         },
         0},
        {"volume envelope",
         [&](TUnitWave& d) {
             TVolumeProps p;
             p.Kind = 1;
             p.Envelope = env;
             return VolumeCommand(d, p);
         },
         0},
        {"max-volume", [](TUnitWave& d) { return MaxVolumeCommand(d); }, 0},
        {"reverse", [](TUnitWave& d) { return ReverseCommand(d); }, 0},
        {"up",
         [](TUnitWave& d) {
             TUpProps p;
             return UpCommand(d, p);
         },
         0},
        {"block",
         [](TUnitWave& d) {
             TBlockProps p;
             p.HorizontalKind = 1;
             p.HorizontalCount.SetValue(3);
             p.VerticalKind = 2;
             return BlockCommand(d, p);
         },
         0},
        {"rotate",
         [](TUnitWave& d) {
             TRotateProps p;
             p.Factor.SetValue(0.3);
             p.Direction = 1;
             return RotateCommand(d, p);
         },
         0},
        {"distort",
         [&](TUnitWave& d) {
             TDistortProps p;
             p.Envelope = env;
             return DistortCommand(d, p);
         },
         0},
        {"filter-low",
         [](TUnitWave& d) {
             THighLowProps p;
             p.Count.SetValue(2);
             return FilterLowCommand(d, p);
         },
         0},
        {"filter-high maximized",
         [](TUnitWave& d) {
             THighLowProps p;
             p.MaximizeVolume = true;
             return FilterHighCommand(d, p);
         },
         0, true},
        {"filter-low envelope",
         [&](TUnitWave& d) {
             THighLowProps p;
             p.FrequencyKind = 1;
             p.FrequencyEnvelope = env;
             return FilterLowCommand(d, p);
         },
         0},
        {"filter-res",
         [](TUnitWave& d) {
             TResNotchProps p;
             return FilterResCommand(d, p);
         },
         0},
        {"filter-res envelopes",
         [&](TUnitWave& d) {
             TResNotchProps p;
             p.FrequencyKind = 1;
             p.FrequencyEnvelope = env;
             p.WidthKind = 1;
             p.WidthEnvelope = env;
             return FilterResCommand(d, p);
         },
         0},
        {"filter-notch",
         [](TUnitWave& d) {
             TResNotchProps p;
             return FilterNotchCommand(d, p);
         },
         0},
        {"filter-block",
         [](TUnitWave& d) {
             TBlockFilterProps p;
             p.BlockTime.SetValue(0.0005);  // 4 samples at 8000 Hz
             return FilterBlockCommand(d, p);
         },
         5},
        {"filter-block envelope",
         [&](TUnitWave& d) {
             TBlockFilterProps p;
             p.BlockTime.SetValue(0.0005);
             p.UseEnvelope = true;
             p.Envelope = env;
             return FilterBlockCommand(d, p);
         },
         10},
    };
    const int n = 2600;  // crosses chunk borders
    Samples left = testSamples(n, 0), right = testSamples(n, 11);
    // One peak for both channels in both ranges, so that the effects that
    // normalise by the louder channel treat each channel as its mono twin.
    left[1000] = 30000;
    right[1000] = -30000;
    struct Range {
        int begin, end;
        bool selected;
    };
    for (const auto& c : cases) {
        for (Range range : {Range{0, n, false}, Range{700, 2100, true}}) {
            SCOPED_TRACE(std::string(c.name) + (range.selected ? " on a selection" : " on the whole sound"));
            TUnitWave& mono = monoDoc(left);
            TUnitWave& monoRight = monoDoc(right);
            TUnitWave& stereo = stereoDoc(left, right);
            for (TUnitWave* d : {&mono, &monoRight, &stereo}) {
                if (range.selected) d->SetRange(range.begin, range.end);
                ASSERT_TRUE(c.run(*d));
                EXPECT_EQ(d->SelBegin(), range.begin);
                EXPECT_EQ(d->SelEnd(), range.end + c.grow);
                EXPECT_EQ(d->GetValues(), n + c.grow);
            }
            Samples result = samplesOf(mono.TheSound->GetLeft());
            EXPECT_EQ(Samples(result.begin(), result.begin() + range.begin),
                      Samples(left.begin(), left.begin() + range.begin));
            EXPECT_EQ(Samples(result.begin() + range.end + c.grow, result.end()),
                      Samples(left.begin() + range.end, left.end()));
            EXPECT_NE(result, left);
            if (!c.sharedPeak) {
                EXPECT_EQ(samplesOf(stereo.TheSound->GetLeft()), result);
                EXPECT_EQ(samplesOf(stereo.TheSound->GetRight()), samplesOf(monoRight.TheSound->GetLeft()));
            } else {
                EXPECT_NE(samplesOf(stereo.TheSound->GetRight()), right);
            }
            for (TUnitWave* d : {&mono, &monoRight, &stereo}) space.Close(*d);
        }
    }
}

// An allocation failure anywhere leaves the document as it was, with one message.
TEST_F(EffectCommands, AFailedAllocationLeavesTheDocumentAsItWas) {
    unitUnitWave env = envelope("env", {0, 32767});
    std::vector<std::pair<const char*, std::function<bool(TUnitWave&)>>> cases = {
        {"volume", [](TUnitWave& d) { return VolumeCommand(d, TVolumeProps()); }},
        {"max-volume", [](TUnitWave& d) { return MaxVolumeCommand(d); }},
        {"reverse", [](TUnitWave& d) { return ReverseCommand(d); }},
        {"rotate", [](TUnitWave& d) { return RotateCommand(d, TRotateProps()); }},
        {"mix", [](TUnitWave& d) { return MixLeftRightCommand(d, TLeftRightProps()); }},
        {"filter-high",
         [](TUnitWave& d) {
             THighLowProps p;
             p.MaximizeVolume = true;
             p.Count.SetValue(2);
             return FilterHighCommand(d, p);
         }},
        {"filter-notch", [](TUnitWave& d) { return FilterNotchCommand(d, TResNotchProps()); }},
        {"filter-block",
         [&](TUnitWave& d) {
             TBlockFilterProps p;
             p.UseEnvelope = true;
             p.Envelope = env;
             return FilterBlockCommand(d, p);
         }},
    };
    for (const auto& [name, run] : cases) {
        SCOPED_TRACE(name);
        TUnitWave& d = stereoDoc({1, 2, 3, 4}, {5, 6, 7, 8});
        d.SetRange(1, 3);
        std::shared_ptr<Sound> before = d.TheSound;
        allocation_testing::failNextAllocations(1);
        EXPECT_FALSE(run(d));
        allocation_testing::reset();
        EXPECT_EQ(memoryMessages(), 1);
        EXPECT_TRUE(d.Failed);
        EXPECT_EQ(d.TheSound, before);
        EXPECT_EQ(samplesOf(d.TheSound->GetLeft()), (Samples{1, 2, 3, 4}));
        EXPECT_EQ(d.SelBegin(), 1);
        EXPECT_EQ(d.SelEnd(), 3);
        // The flag stays: later commands leave the sound alone.
        EXPECT_FALSE(ReverseCommand(d));
        EXPECT_EQ(d.TheSound, before);
        space.Close(d);
        boxes.shown.clear();
    }
}

TEST_F(EffectCommands, AFailureAfterTheFirstAllocationAlsoLeavesTheDocument) {
    // The balance curve (150 samples) is made, the filtered channel is not.
    TUnitWave& d = monoDoc(testSamples(3000, 0));
    std::shared_ptr<Sound> before = d.TheSound;
    TBalanceProps p;
    p.VolumeDifference = 2;
    allocation_testing::failAllocationsAbove(1000);
    EXPECT_FALSE(BalanceCommand(d, p));
    allocation_testing::reset();
    EXPECT_EQ(memoryMessages(), 1);
    EXPECT_EQ(d.TheSound, before);
    EXPECT_EQ(d.GetMoSt(), 1);
}

TEST_F(EffectCommands, RotateByFactorAndByTime) {
    // 8 samples at 8000 Hz; the selection [2, 10) of a 12-sample wave.
    Samples w = {90, 91, 0, 1, 2, 3, 4, 5, 6, 7, 92, 93};
    auto rotated = [&](int direction, int by, double value) {
        TUnitWave& d = monoDoc(w);
        d.SetRange(2, 10);
        TRotateProps p;
        p.Direction = direction;
        p.By = by;
        if (by == 0)
            p.Factor.SetValue(value);
        else
            p.Time.SetValue(value);
        EXPECT_TRUE(RotateCommand(d, p));
        return samplesOf(d.TheSound->GetLeft());
    };
    EXPECT_EQ(rotated(0, 0, 0.25), (Samples{90, 91, 2, 3, 4, 5, 6, 7, 0, 1, 92, 93}));
    EXPECT_EQ(rotated(1, 0, 0.25), (Samples{90, 91, 6, 7, 0, 1, 2, 3, 4, 5, 92, 93}));
    EXPECT_EQ(rotated(0, 0, 0), w);
    EXPECT_EQ(rotated(1, 1, 0.001), w);  // the whole selection's time
    EXPECT_EQ(rotated(0, 1, -0.00025), (Samples{90, 91, 6, 7, 0, 1, 2, 3, 4, 5, 92, 93}));
}

TEST_F(EffectCommands, BlockAxesFromTheRecord) {
    Samples w = {1, 2, 4, -20000, 100, 20000};
    auto blocked = [&](int h, int v, int height) {
        TUnitWave& d = monoDoc(w);
        TBlockProps p;
        p.HorizontalKind = h;
        p.HorizontalCount.SetValue(1);
        p.VerticalKind = v;
        p.Height = unitWaveValPosMore(static_cast<int16_t>(height), ucPercent);
        EXPECT_TRUE(BlockCommand(d, p));
        return samplesOf(d.TheSound->GetLeft());
    };
    // One block over the whole sound: its mean, 17.
    EXPECT_EQ(blocked(1, 0, 1), Samples(6, 17));
    // Height 16384: 32768 / 16384 = 2 levels, the extremes.
    EXPECT_EQ(blocked(0, 2, 16384), (Samples{32767, 32767, 32767, -32768, 32767, 32767}));
    // Height 32767: one level, silence.
    EXPECT_EQ(blocked(0, 2, 32767), Samples(6, 0));
    EXPECT_EQ(blocked(0, 0, 1), w);
}

TEST_F(EffectCommands, BalanceMakesTheWholeMonoSoundStereoAndSelectsIt) {
    TUnitWave& d = monoDoc({1000, -999, 3, 8});
    d.SetRange(1, 2);
    TBalanceProps p;
    p.TimeDifference = false;
    ASSERT_TRUE(BalanceCommand(d, p));
    EXPECT_EQ(d.GetMoSt(), 2);
    EXPECT_EQ(samplesOf(d.TheSound->GetLeft()), (Samples{500, -499, 1, 4}));
    EXPECT_EQ(d.SelBegin(), 0);
    EXPECT_EQ(d.SelEnd(), 4);
    EXPECT_EQ(d.Records.Balance.TimeDifference, false);
    // With the time difference the sound grows (8000 Hz: 5 samples).
    TUnitWave& e = monoDoc({1000, -999, 3, 8});
    TBalanceProps right;
    right.Direction.SetValue(1);
    ASSERT_TRUE(BalanceCommand(e, right));
    EXPECT_EQ(e.GetValues(), 9);
    EXPECT_EQ(e.SelEnd(), 9);
}

TEST_F(EffectCommands, MixExamplesFillTheFourFactors) {
    TLeftRightProps p;
    ASSERT_TRUE(ApplyLeftRightExample(p, "Mono at Right, Surround at Left"));
    EXPECT_EQ(p.LeftToLeft.GetValue(), 0.8);
    EXPECT_EQ(p.LeftToRight.GetValue(), 0.4);
    EXPECT_EQ(p.RightToLeft.GetValue(), -0.8);
    EXPECT_EQ(p.RightToRight.GetValue(), 0.4);
    EXPECT_EQ(p.LeftToLeft.ToText(), "80 %");
    EXPECT_FALSE(ApplyLeftRightExample(p, "mono"));
    ASSERT_TRUE(ApplyLeftRightExample(p, "Swapped"));
    TUnitWave& d = stereoDoc({1, 2, 3}, {4, 5, 6});
    d.SetRange(1, 2);
    ASSERT_TRUE(MixLeftRightCommand(d, p));
    EXPECT_EQ(samplesOf(d.TheSound->GetLeft()), (Samples{1, 5, 3}));
    EXPECT_EQ(samplesOf(d.TheSound->GetRight()), (Samples{4, 2, 6}));
}

TEST_F(EffectCommands, DialogRefusals) {
    TRotateProps rotate;
    rotate.Time.SetValue(-2.5);
    EXPECT_EQ(CheckRotate(rotate, 2), "In Time: Time may not be longer than the time of the sound.");
    rotate.By = 0;  // made whichever alternative is chosen
    EXPECT_EQ(CheckRotate(rotate, 2), "In Time: Time may not be longer than the time of the sound.");
    EXPECT_EQ(CheckRotate(rotate, 2.5), "");

    TResNotchProps res;
    res.Frequency.SetValue(1.0 / 44101);
    EXPECT_EQ(CheckResNotch(res, 44100),
              "In Frequency Constant: Frequency may not be higher than the sample Frequency.");
    res.Frequency.SetValue(1.0 / 44100);
    EXPECT_EQ(CheckResNotch(res, 44100), "");
    res.Frequency.SetValue(1.0 / 49);  // 49 Hz at 49 Hz comes back just short of one sample
    EXPECT_EQ(CheckResNotch(res, 49), "");
    res.Frequency.SetValue(1.0 / 50000);
    res.FrequencyKind = 1;  // an unused constant is not checked
    EXPECT_EQ(CheckResNotch(res, 44100), "In Frequency Envelope: You have to select a Wave");

    TVolumeProps volume;
    volume.Kind = 1;
    EXPECT_EQ(CheckVolume(volume), "In Envelope: You have to select a Wave");
    volume.Envelope = envelope("empty", {});
    EXPECT_EQ(CheckVolume(volume), "In Envelope: The wave is empty.");
    EXPECT_EQ(CheckDistort(TDistortProps()), "In Distort Envelope: You have to select a Wave");
    // A command reached without its envelope keeps the sound.
    TUnitWave& d = monoDoc({1, 2});
    std::shared_ptr<Sound> before = d.TheSound;
    EXPECT_FALSE(VolumeCommand(d, volume));
    EXPECT_EQ(d.TheSound, before);
    EXPECT_FALSE(d.Failed);
}

}  // namespace
