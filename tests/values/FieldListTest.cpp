#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "values/FieldList.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// A record shaped like the roll-out effect's.
struct TRollOutLikeProps {
    unitFactorNotNul SpeedFactor{2.0, ucPercent};
    unitUnitWave SpeedEnvelope;
    unitFactorPosMore LengthFactor{0.5, ucPercent};
    unitTimePosMore NewLength{2.0, ucSecond};
    unitFactorPosMore Count{3.0, ucNone};
    unitWavePosition StartPosition{0.0, ucPercent};

    TFieldList Fields() {
        return TFieldList()
            .Add("Speed Factor", SpeedFactor)
            .Add("Speed Envelope", SpeedEnvelope)
            .Add("Length Factor", LengthFactor)
            .Add("New Length", NewLength)
            .Add("Count", Count)
            .Add("Start Position", StartPosition);
    }
};

class FieldListTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        props.StartPosition.SetLength(2);
    }

    TRollOutLikeProps props;
    int documents[2] = {};
    TUnitWave* env = reinterpret_cast<TUnitWave*>(&documents[0]);
    std::vector<std::string> askedCaptions;
    WaveLookup lookup = [this](const std::string& name, const std::string& caption) -> TUnitWave* {
        askedCaptions.push_back(caption);
        return name == "env" ? env : nullptr;
    };

    const std::vector<std::string> defaults = {
        "Speed Factor: 200 %", "Speed Envelope: ", "Length Factor: 50 %",
        "New Length: 2 s",     "Count: 3",         "Start Position: 0 %",
    };
};

TEST_F(FieldListTest, SettingsLinesShowEveryFieldInOrder) {
    EXPECT_EQ(props.Fields().SettingsLines(), defaults);
    props.SpeedEnvelope.SetName("env");
    EXPECT_EQ(props.Fields().SettingsLines()[1], "Speed Envelope: env");
}

TEST_F(FieldListTest, ReadingStoresEveryGivenFieldAndLeavesTheOthers) {
    const TReadResult r =
        props.Fields().Read({{props.StartPosition, "-0.5 s"},
                             {props.SpeedEnvelope, "env"},
                             {props.SpeedFactor, "-6 dB"},  // would be refused, but the later text counts
                             {props.SpeedFactor, "150%"},
                             {props.NewLength, "250 ms"}},
                            lookup);
    EXPECT_TRUE(r.Ok);
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(props.Fields().SettingsLines(),
              (std::vector<std::string>{"Speed Factor: 150 %", "Speed Envelope: env", "Length Factor: 50 %",
                                        "New Length: 250 ms", "Count: 3", "Start Position: -0.5 s"}));
    EXPECT_EQ(props.SpeedEnvelope.GetUnitWave(), env);
    EXPECT_EQ(props.StartPosition.GetValue(), 1.5);
    EXPECT_EQ(askedCaptions, std::vector<std::string>{"Speed Envelope"});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FieldListTest, TheFirstWrongFieldInRecordOrderIsTheOnlyErrorAndNothingChanges) {
    const TReadResult r = props.Fields().Read(
        {{props.Count, "0"}, {props.NewLength, "2"}, {props.LengthFactor, "75 %"}, {props.SpeedFactor, "1/2"}}, lookup);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Error, "In New Length: Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'.");
    EXPECT_EQ(props.Fields().SettingsLines(), defaults);
    EXPECT_TRUE(boxes.shown.empty());

    const TReadResult wave = props.Fields().Read({{props.SpeedFactor, "1/2"}, {props.SpeedEnvelope, "nosuch"}}, lookup);
    EXPECT_EQ(wave.Error, "In Speed Envelope: You have to select a Wave");
    EXPECT_EQ(props.Fields().SettingsLines(), defaults);

    const TReadResult noRegistry = props.Fields().Read({{props.SpeedEnvelope, "env"}});
    EXPECT_EQ(noRegistry.Error, "In Speed Envelope: You have to select a Wave");
}

TEST_F(FieldListTest, ReadAndReportShowsTheErrorInOneBox) {
    EXPECT_FALSE(props.Fields().ReadAndReport({{props.StartPosition, "2 s"}, {props.Count, "-1"}}, lookup));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "In Count: Value must be positive and more than 0.");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);

    EXPECT_TRUE(props.Fields().ReadAndReport({{props.Count, "4"}}, lookup));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(props.Count.ToText(), "4");
}

TEST_F(FieldListTest, CopiesOfARecordAreIndependent) {
    TRollOutLikeProps copy = props;
    ASSERT_TRUE(copy.Fields().Read({{copy.Count, "5"}, {copy.SpeedEnvelope, "env"}}, lookup).Ok);
    EXPECT_EQ(copy.Count.ToText(), "5");
    EXPECT_EQ(props.Fields().SettingsLines(), defaults);
}

TEST_F(FieldListTest, CaptionsFindTheirFieldsAndForeignFieldsAreAContract) {
    TFieldList fields = props.Fields();
    ASSERT_NE(fields.Find("New Length"), nullptr);
    EXPECT_EQ(fields.Find("New Length")->Value, &props.NewLength);
    EXPECT_EQ(fields.Find("Speed Envelope")->Wave, &props.SpeedEnvelope);
    EXPECT_EQ(fields.Find("Frequency"), nullptr);

    unitTime stranger;
    EXPECT_CONTRACT(fields.Read({{stranger, "1 s"}}), "indexOf(t) >= 0");
}

// A record whose fields name their korvane-cli options and alternatives.
struct TChoiceLikeProps {
    int Kind = 0;
    bool EnvelopeOn = false;
    unitTimePosMore Length{1.0, ucSecond};
    unitFactorPosMore Count{3.0, ucNone};
    unitUnitWave Envelope;

    TFieldList Fields() {
        return TFieldList()
            .Add("Length", Length).Option("--length", "time > 0").Selects(Kind, 1)
            .Add("Count", Count).Option("--count", "factor > 0").Selects(Kind, 2).HelpDefault("")
            .Add("Envelope", Envelope).Option("--envelope", "(turns the envelope on)").Selects(EnvelopeOn);
    }
};

TEST_F(FieldListTest, EntriesCarryTheirOptionHelpAndAlternative) {
    TChoiceLikeProps p;
    TFieldList fields = p.Fields();
    struct Case {
        const void* field;
        const char* option;
        const char* help;
    };
    const Case cases[] = {
        {&p.Length, "--length", "\"Length\" time > 0 (1 s)"},
        {&p.Count, "--count", "\"Count\" factor > 0"},
        {&p.Envelope, "--envelope", "NAME \"Envelope\" (turns the envelope on)"},
    };
    for (const Case& c : cases) {
        const TFieldEntry* e = fields.FindField(c.field);
        ASSERT_NE(e, nullptr) << c.option;
        EXPECT_EQ(e->Option, c.option);
        EXPECT_EQ(e->HelpText(), c.help);
    }
    // The default help shows is the field's current text.
    ASSERT_TRUE(fields.Read({{p.Length, "250 ms"}}).Ok);
    EXPECT_EQ(fields.FindField(&p.Length)->HelpText(), "\"Length\" time > 0 (250 ms)");
    int stranger = 0;
    EXPECT_EQ(fields.FindField(&stranger), nullptr);

    fields.FindField(&p.Count)->Choose();
    EXPECT_EQ(p.Kind, 2);
    EXPECT_FALSE(p.EnvelopeOn);
    fields.FindField(&p.Length)->Choose();
    EXPECT_EQ(p.Kind, 1);
    fields.FindField(&p.Envelope)->Choose();
    EXPECT_TRUE(p.EnvelopeOn);
    EXPECT_EQ(p.Kind, 1);
    // The settings lines are unchanged by what korvane-cli knows.
    EXPECT_EQ(fields.SettingsLines(), (std::vector<std::string>{"Length: 250 ms", "Count: 3", "Envelope: "}));
}

TEST_F(FieldListTest, OptionsNeedAFieldToDescribe) {
    int kind = 0;
    EXPECT_CONTRACT(TFieldList().Option("--length"), "!entries_.empty()");
    EXPECT_CONTRACT(TFieldList().Selects(kind, 1), "!entries_.empty()");
}

}  // namespace
