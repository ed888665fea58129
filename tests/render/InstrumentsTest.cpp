#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "RenderFixture.h"
#include "core/WavFile.h"
#include "render/Instruments.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class InstrumentsTest : public RenderFixture {
protected:
    // The group plays one player per name, of the kinds in turn.
    void playersNamed(const std::vector<std::string>& names) {
        std::vector<TOnePlayerProps> players;
        const uint8_t kinds[] = {notePlayerSimpleSampler, notePlayerResonantSampler, notePlayerRepeatWaveForm,
                                 notePlayerRollOutSampler, notePlayerRollOutWaveForm};
        for (size_t i = 0; i < names.size(); ++i) {
            TOnePlayerProps p = props(kinds[i % 5]);
            const_cast<unitUnitWave*>(SampleWaveOf(p))->SetName(names[i]);
            players.push_back(p);
        }
        setPlayers(group, players);
    }
    // A folder of this test's own: ctest runs the tests of this fixture side by
    // side, and one that cleared a shared folder broke the other's writes.
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("korvane-instruments-" + std::to_string(::getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override {
        RenderFixture::SetUp();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        RenderFixture::TearDown();
    }
    void writeWave(const std::string& file, const std::vector<int>& samples) {
        MonoSound sound(makeWave(samples), 1000, 2);
        bool failed = false;
        ASSERT_TRUE(WriteWaveFile(failed, (dir / file).string(), sound, 0, sound.GetValues(), false));
    }
};

TEST_F(InstrumentsTest, InstrumentBesideNamesThatStayInTheFolder) {
    const std::pair<const char*, bool> cases[] = {
        {"sample", true}, {"chord 2", true}, {".hidden", true}, {"a.b", true}, {"", false},
        {".", false},     {"..", false},     {"a/b", false},    {"a\\b", false}, {"/abs", false},
    };
    for (const auto& [name, travels] : cases) EXPECT_EQ(InstrumentNameTravels(name), travels) << name;
    EXPECT_EQ(InstrumentFileBeside("/music/tune.xml", "chord"), "/music/chord.wav");
    EXPECT_EQ(InstrumentFileBeside("tune.xml", "chord"), "chord.wav");
}

TEST_F(InstrumentsTest, InstrumentBesideIsOpenedUnderItsName) {
    // Every kind's own field counts, each name once.
    playersNamed({"chord", "bass", "chord", "open", "..", "a/b", "broken"});
    EXPECT_EQ(InstrumentNames(doc), (std::vector<std::string>{"chord", "bass", "open", "..", "a/b", "broken"}));
    TUnitWave& open = addMono("open", {1, 2}, 1000);
    writeWave("chord.wav", {5, 6, 7});
    writeWave("open.wav", {9});
    // ".." would be the folder above; "a/b" a file in a sub folder.
    writeWave("...wav", {1});
    std::filesystem::create_directories(dir / "a");
    writeWave("a/b.wav", {1});
    {
        std::ofstream broken(dir / "broken.wav");
        broken << "not a wave";
    }
    const std::string music = (dir / "tune.xml").string();
    const TInstrumentsFound found = OpenInstrumentsBeside(space, doc, music);
    ASSERT_EQ(found.Opened.size(), 1u);
    EXPECT_EQ(found.Opened[0]->Name, "chord");
    EXPECT_EQ(found.Opened[0]->FileName, (dir / "chord.wav").string());
    EXPECT_EQ(found.Opened[0]->GetValues(), 3);
    EXPECT_EQ(space.FindWave("chord"), found.Opened[0]);
    EXPECT_EQ(space.FindWave("open"), &open);  // the open wave is kept, not replaced
    EXPECT_EQ(found.Missing, (std::vector<std::string>{"bass", "..", "a/b", "broken"}));
    EXPECT_TRUE(boxes.shown.empty());

    // Only unsaved waves with names that travel are offered for saving.
    EXPECT_TRUE(UnsavedInstruments(space, doc).empty());
    open.MarkChanged();
    addMono("a/b", {3}, 1000).MarkNew();
    EXPECT_EQ(UnsavedInstruments(space, doc), (std::vector<TUnitWave*>{&open}));
}

}  // namespace
