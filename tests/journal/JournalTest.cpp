#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "TestSupport.h"
#include "core/WavFile.h"
#include "journal/Journal.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "processing/TUnitWave.h"

using namespace korvane;
using namespace korvane::testing;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) { return readFileBytes(path.string()); }

uint32_t le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

class JournalTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        root = fs::temp_directory_path() /
               ("korvane-journal-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
    }
    void TearDown() override {
        fs::remove_all(root);
        CoreFixture::TearDown();
    }
    // The files of the one journal folder, without its lock.
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& folder : fs::directory_iterator(root))
            for (const auto& item : fs::directory_iterator(folder.path()))
                if (item.path().filename() != "lock") names.insert(item.path().filename().string());
        return names;
    }
    fs::path root;
};

}  // namespace

// The stream's header says "open end" until Finish gives the true sizes; what
// a crash leaves gets them from RepairWaveSizes, a partial last frame cut off.
TEST_F(JournalTest, AStreamedWaveGetsItsSizesOnFinishOrOnRepair) {
    fs::create_directories(root);
    const std::string file = (root / "rec.wav").string();
    const int16_t samples[] = {100, -100, 2000, -2000, 32767};
    for (bool finished : {true, false}) {
        TWaveStream stream;
        ASSERT_TRUE(stream.Open(file, 2, 2, 8000));
        ASSERT_TRUE(stream.Append(samples, 4));
        ASSERT_TRUE(stream.Append(reinterpret_cast<const char*>(samples) + 4, 6));  // two frames and a half
        std::string bytes = readAll(file);
        ASSERT_EQ(bytes.size(), 54u);
        EXPECT_EQ(le32(bytes, 4), 0xFFFFFFFFu);
        EXPECT_EQ(le32(bytes, 40), 0xFFFFFFFFu);
        std::string reason;
        if (finished) {
            ASSERT_TRUE(stream.Finish());
        } else {
            stream.Close();  // as a crash leaves it
            ASSERT_TRUE(RepairWaveSizes(file, reason)) << reason;
        }
        bytes = readAll(file);
        ASSERT_EQ(bytes.size(), 52u) << finished;
        EXPECT_EQ(le32(bytes, 4), 44u);
        EXPECT_EQ(le32(bytes, 40), 8u);
        EXPECT_EQ(le32(bytes, 24), 8000u);
        std::unique_ptr<Sound> sound;
        ASSERT_TRUE(ReadWaveFile(file, sound, reason)) << reason;
        EXPECT_EQ(samplesOf(sound->Channel(0)), (std::vector<int>{100, 2000}));
        EXPECT_EQ(samplesOf(sound->Channel(1)), (std::vector<int>{-100, -2000}));
    }
    std::ofstream(root / "other.wav") << "not a wave at all, but long enough to have a header of 44 bytes";
    std::string reason;
    EXPECT_FALSE(RepairWaveSizes((root / "other.wav").string(), reason));
    EXPECT_EQ(reason, "not a recording's WAV file");
}

// An entry follows its document: a new sound makes a new data file and the
// old one goes, a selection rewrites only the entry, saving or closing removes
// it. While the window runs nobody else offers its journal; once it is gone,
// the documents come back as they were, names with line breaks too.
TEST_F(JournalTest, EntriesFollowTheDocumentsAndComeBackAsTheyWere) {
    std::vector<std::unique_ptr<TUnit>> units;
    units.push_back(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({1, 2, 3, 4}), 8000, 2), "a.wav"));
    auto& wave = static_cast<TUnitWave&>(*units[0]);
    wave.Name = "two\nlines \\ here";
    wave.MarkChanged();
    auto music = std::make_unique<TUnitMuz>();
    music->InitNew();
    music->SampleFreq = 11025;
    music->Name = "NONAME2";
    TUnitMuz& song = *music;
    units.push_back(std::move(music));
    auto saved = std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({9}), 8000, 2), "s.wav");
    units.push_back(std::move(saved));

    std::string text, message;
    ASSERT_TRUE(MuzText(song, text, message));
    {
        TJournal journal;
        std::string error;
        ASSERT_TRUE(journal.Start(root.string(), error)) << error;
        journal.Update(units, nullptr);
        journal.WaitIdle();
        EXPECT_EQ(files(), (std::set<std::string>{"1.entry", "1-1.wav", "2.entry", "2-1.korvanem"}));
        EXPECT_EQ(readAll(fs::path(journal.Folder()) / "2-1.korvanem"), text);

        wave.SetRange(1, 3);
        journal.Update(units, nullptr);
        journal.WaitIdle();
        EXPECT_EQ(files(), (std::set<std::string>{"1.entry", "1-1.wav", "2.entry", "2-1.korvanem"}));
        // Sounds one after the other faster than they are written: the last
        // is the one on disk, and nothing of the others stays.
        // The first is long: its write is stopped half way, or finishes and
        // is removed; either way only the newest stays.
        wave.ExchangeSound(std::make_shared<MonoSound>(makeWave(std::vector<int>(8000000, 7)), 8000, 2));
        journal.Update(units, nullptr);
        for (int i = 0; i < 20; ++i) {
            wave.ExchangeSound(std::make_shared<MonoSound>(makeWave({i, i, i}), 8000, 2));
            journal.Update(units, nullptr);
        }
        journal.WaitIdle();
        const std::set<std::string> now = files();
        EXPECT_EQ(now.count("1-1.wav"), 0u);
        EXPECT_EQ(now.size(), 4u);
        EXPECT_EQ(TJournalRecovery(root.string()).Count(), 0);

        // Saved and closed documents leave no entry.
        song.MarkSaved();
        journal.Update(units, nullptr);
        journal.WaitIdle();
        EXPECT_EQ(files().count("2.entry"), 0u);
        song.MarkChanged();
        journal.Update(units, nullptr);
        units.erase(units.begin() + 2);
        journal.Update(units, nullptr);
        journal.WaitIdle();
    }

    // The window is gone (its journal ended without Finish, as in a crash).
    TJournalRecovery recovery(root.string());
    ASSERT_EQ(recovery.Count(), 2);
    // A file name as typed comes back whole, for a window started elsewhere.
    const std::string file = (fs::current_path() / "a.wav").string();
    EXPECT_EQ(recovery.Listing(), (std::vector<std::string>{"two\nlines \\ here: " + file, "NONAME2, a new music"}));
    EXPECT_EQ(TJournalRecovery(root.string()).Count(), 0);  // held by the first
    std::vector<std::string> damaged;
    std::vector<TRecoveredDocument> docs = recovery.Read(damaged);
    EXPECT_TRUE(damaged.empty());
    ASSERT_EQ(docs.size(), 2u);
    auto& back = static_cast<TUnitWave&>(*docs[0].Unit);
    EXPECT_EQ(back.Name, wave.Name);
    EXPECT_EQ(back.FileName, file);
    EXPECT_EQ(back.State, unitStateChanged);
    EXPECT_EQ(samplesOf(back.TheSound->GetLeft()), (std::vector<int>{19, 19, 19}));
    EXPECT_EQ(docs[0].FirstSel, 1);
    EXPECT_EQ(docs[0].SecondSel, 3);
    auto& songBack = static_cast<TUnitMuz&>(*docs[1].Unit);
    EXPECT_EQ(songBack.State, unitStateChanged);
    EXPECT_EQ(songBack.SampleFreq, 11025);
    std::string again;
    ASSERT_TRUE(MuzText(songBack, again, message));
    EXPECT_EQ(again, text);
    recovery.Discard();
    EXPECT_TRUE(fs::is_empty(root));
}

// A clean end leaves nothing; without a root (the journal turned off)
// nothing is written at all.
TEST_F(JournalTest, FinishRemovesTheFolderAndTheSwitchTurnsTheJournalOff) {
    std::vector<std::unique_ptr<TUnit>> units;
    units.push_back(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({5, 6}), 8000, 2), ""));
    units[0]->MarkNew();
    TJournal journal;
    std::string error;
    ASSERT_TRUE(journal.Start(root.string(), error));
    journal.Update(units, nullptr);
    journal.WaitIdle();
    EXPECT_EQ(files().size(), 2u);
    journal.Finish();
    EXPECT_TRUE(fs::is_empty(root));

    const char* before = std::getenv("KORVANE_JOURNAL");
    ::setenv("XDG_STATE_HOME", "/state", 1);
    ::setenv("KORVANE_JOURNAL", "on", 1);
    EXPECT_EQ(DefaultJournalRoot(), "/state/korvane");
    ::setenv("KORVANE_JOURNAL", "off", 1);
    EXPECT_EQ(DefaultJournalRoot(), "");
    if (before) ::setenv("KORVANE_JOURNAL", before, 1);
    else ::unsetenv("KORVANE_JOURNAL");
    ::unsetenv("XDG_STATE_HOME");
}

// A copy that cannot be written (here its name is taken by a folder, as a full
// disk would refuse it) is told once; the entry still names the copy before,
// and the next update after a while writes the document again, whole.
TEST_F(JournalTest, AFailedCopyIsToldOnceAndWrittenAgainLater) {
    std::vector<std::unique_ptr<TUnit>> units;
    units.push_back(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({1, 2}), 8000, 2), "f.wav"));
    auto& wave = static_cast<TUnitWave&>(*units[0]);
    wave.MarkChanged();
    TJournal journal;
    std::string error;
    ASSERT_TRUE(journal.Start(root.string(), error));
    journal.Update(units, nullptr);
    journal.WaitIdle();
    const fs::path folder(journal.Folder());
    fs::create_directory(folder / "1-2.wav");
    wave.ExchangeSound(std::make_shared<MonoSound>(makeWave({3, 4, 5}), 8000, 2));
    journal.Update(units, nullptr);
    journal.WaitIdle();
    EXPECT_EQ(journal.TakeError(), "The recovery journal could not write \"" + (folder / "1-2.wav").string() + "\".");
    EXPECT_EQ(journal.TakeError(), "");
    EXPECT_EQ(files(), (std::set<std::string>{"1.entry", "1-1.wav", "1-2.wav"}));
    EXPECT_NE(readAll(folder / "1.entry").find("data 1-1.wav\n"), std::string::npos);

    fs::remove(folder / "1-2.wav");
    // Not at once (a full disk stays full for a while), and meanwhile a new
    // selection does not make the entry name the copy that failed.
    wave.SetRange(1, 2);
    journal.Update(units, nullptr);
    EXPECT_TRUE(journal.Deferred());
    journal.WaitIdle();
    EXPECT_NE(readAll(folder / "1.entry").find("data 1-1.wav\n"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    journal.Update(units, nullptr);
    EXPECT_FALSE(journal.Deferred());
    journal.WaitIdle();
    EXPECT_EQ(files(), (std::set<std::string>{"1.entry", "1-3.wav"}));
    std::unique_ptr<Sound> copy;
    std::string reason;
    ASSERT_TRUE(ReadWaveFile((folder / "1-3.wav").string(), copy, reason));
    EXPECT_EQ(samplesOf(copy->GetLeft()), (std::vector<int>{3, 4, 5}));
    EXPECT_NE(readAll(folder / "1.entry").find("selection 1 2\n"), std::string::npos);
}
