#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "core/Allocation.h"
#include "platform/Messages.h"
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
    auto now = std::chrono::steady_clock::now();
    journal.SetClock([&now] { return now; });
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
    // Two seconds after the update that saw the failure, not a moment before.
    now += std::chrono::milliseconds(1999);
    journal.Update(units, nullptr);
    EXPECT_TRUE(journal.Deferred());
    journal.WaitIdle();
    EXPECT_EQ(files(), (std::set<std::string>{"1.entry", "1-1.wav"}));
    now += std::chrono::milliseconds(1);
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

namespace {

// A window's journal of waves that ends as a crash ends it (without Finish);
// `recording` is the index of the wave a recording was going into, or -1.
fs::path crashedJournal(const fs::path& root, const std::vector<std::vector<int>>& waves, int recording = -1) {
    std::vector<std::unique_ptr<TUnit>> units;
    for (size_t i = 0; i < waves.size(); ++i) {
        units.push_back(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(waves[i]), 8000, 2),
                                                    "w" + std::to_string(i + 1) + ".wav"));
        units.back()->Name = "w" + std::to_string(i + 1);
        units.back()->MarkChanged();
    }
    TJournal journal;
    std::string error;
    EXPECT_TRUE(journal.Start(root.string(), error)) << error;
    journal.Update(units, recording >= 0 ? units[recording].get() : nullptr);
    journal.WaitIdle();
    return journal.Folder();
}

std::vector<int> firstSamples(const TRecoveredDocument& doc) {
    return samplesOf(static_cast<const TUnitWave&>(*doc.Unit).TheSound->GetLeft());
}

}  // namespace

// A copy that does not come back (its entry cut off, or too large for the
// memory there is) stays with its entry and is offered again; what came back
// goes, and the folder only with the last of it or when the user discards
// it. A crashed window that had nothing unsaved leaves nothing behind.
TEST_F(JournalTest, RecoveryRemovesOnlyWhatCameBack) {
    const fs::path folder = crashedJournal(root, {{1, 2, 3}, std::vector<int>(5000, 9), {7}});
    const fs::path empty = crashedJournal(root, {});
    ASSERT_TRUE(fs::exists(empty / "lock"));
    fs::resize_file(folder / "1.entry", 60);

    const std::string cut = (folder / "1.entry").string() + ": it is incomplete";
    std::vector<std::string> damaged;
    {
        TJournalRecovery recovery(root.string());
        EXPECT_FALSE(fs::exists(empty));
        EXPECT_EQ(recovery.Listing(), (std::vector<std::string>{"1.entry (damaged)",
                                                                "w2: " + (fs::current_path() / "w2.wav").string(),
                                                                "w3: " + (fs::current_path() / "w3.wav").string()}));
        allocation_testing::failAllocationsAbove(1000);
        std::vector<TRecoveredDocument> docs = recovery.Read(damaged);
        allocation_testing::reset();
        ASSERT_EQ(docs.size(), 1u);
        EXPECT_EQ(firstSamples(docs[0]), (std::vector<int>{7}));
        ASSERT_EQ(damaged.size(), 2u);
        EXPECT_EQ(damaged[0], cut);
        EXPECT_EQ(damaged[1], "\"w2\": " + (folder / "2-1.wav").string() + ": " + kMemoryMessage);
        recovery.RemoveRecovered();
    }
    EXPECT_EQ(files(), (std::set<std::string>{"1.entry", "1-1.wav", "2.entry", "2-1.wav"}));

    // Offered again; with the memory back the second comes back too.
    {
        TJournalRecovery recovery(root.string());
        EXPECT_EQ(recovery.Count(), 2);
        damaged.clear();
        std::vector<TRecoveredDocument> docs = recovery.Read(damaged);
        ASSERT_EQ(docs.size(), 1u);
        EXPECT_EQ(firstSamples(docs[0]), std::vector<int>(5000, 9));
        EXPECT_EQ(damaged, std::vector<std::string>{cut});
        recovery.RemoveRecovered();
    }
    EXPECT_EQ(files(), (std::set<std::string>{"1.entry", "1-1.wav"}));
    // Cancel keeps, the user's No removes.
    { TJournalRecovery recovery(root.string()); }
    TJournalRecovery recovery(root.string());
    EXPECT_EQ(recovery.Count(), 1);
    recovery.Discard();
    EXPECT_TRUE(fs::is_empty(root));
}

// A journal folder is read as it is found, never followed elsewhere: links
// and FIFOs in it are damage, not files, and a folder that is a link, not the
// user's or open to others is passed by with its reason, untouched.
TEST_F(JournalTest, RecoveryFollowsNoLinkAndWaitsForNoFifo) {
    const fs::path elsewhere = root.string() + "-elsewhere";
    fs::remove_all(elsewhere);
    fs::create_directories(elsewhere);
    // A recording's file as a crash leaves it: the size repair would change it.
    std::string recorded;
    {
        TWaveStream stream;
        ASSERT_TRUE(stream.Open((elsewhere / "rec.wav").string(), 1, 2, 8000));
        const int16_t samples[] = {1, 2, 3};
        ASSERT_TRUE(stream.Append(samples, sizeof samples));
        stream.Close();
        recorded = readAll(elsewhere / "rec.wav");
    }
    std::ofstream(elsewhere / "x.wav") << readAll(elsewhere / "rec.wav");

    const fs::path folder = crashedJournal(root, {{1}, {2}, {3}, {4}}, 2);
    fs::remove(folder / "1-1.wav");
    fs::create_symlink(elsewhere / "x.wav", folder / "1-1.wav");
    fs::remove(folder / "2-1.wav");
    ASSERT_EQ(::mkfifo((folder / "2-1.wav").c_str(), 0600), 0);
    fs::remove(folder / "record.wav");
    fs::create_symlink(elsewhere / "rec.wav", folder / "record.wav");
    ASSERT_EQ(::mkfifo((folder / "5.entry").c_str(), 0600), 0);

    // Folders around it: one a link, one whose lock is a link, one anybody
    // may write in, and (for root) one of another user.
    const fs::path linked = crashedJournal(elsewhere, {{5}});
    fs::remove(linked / "lock");
    fs::create_symlink(linked, root / "window-1link");
    const fs::path lockLinked = crashedJournal(root, {{6}});
    fs::remove(lockLinked / "lock");
    fs::create_symlink(elsewhere / "made-through-lock", lockLinked / "lock");
    const fs::path open = crashedJournal(root, {{7}});
    fs::permissions(open, fs::perms::all);
    const bool root_user = ::geteuid() == 0;
    fs::path foreign;
    if (root_user) {
        foreign = crashedJournal(root, {{8}});
        ASSERT_EQ(::chown(foreign.c_str(), 4321, 4321), 0);
    }

    std::vector<std::string> damaged;
    std::vector<TRecoveredDocument> docs;
    {
        TJournalRecovery recovery(root.string());
        std::vector<std::string> skipped = {lockLinked.string() + ": its lock is not a regular file",
                                            open.string() + ": others may write in it",
                                            (root / "window-1link").string() + ": it is a symbolic link"};
        if (root_user) skipped.push_back(foreign.string() + ": it belongs to another user");
        std::vector<std::string> got = recovery.Skipped();
        std::sort(got.begin(), got.end());
        std::sort(skipped.begin(), skipped.end());
        EXPECT_EQ(got, skipped);
        EXPECT_EQ(recovery.Count(), 5);
        EXPECT_EQ(recovery.Listing().at(4), "5.entry (damaged)");
        docs = recovery.Read(damaged);
    }
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(firstSamples(docs[0]), (std::vector<int>{4}));
    EXPECT_EQ(damaged, (std::vector<std::string>{
                           "\"w1\": " + (folder / "1-1.wav").string() + ": it is a symbolic link",
                           "\"w2\": " + (folder / "2-1.wav").string() + ": it is not a regular file",
                           "\"w3\": its recording " + (folder / "record.wav").string() + " it is a symbolic link",
                           (folder / "5.entry").string() + ": it is not a regular file"}));
    EXPECT_EQ(readAll(elsewhere / "rec.wav"), recorded);
    EXPECT_FALSE(fs::exists(linked / "lock"));
    EXPECT_FALSE(fs::exists(elsewhere / "made-through-lock"));
    EXPECT_FALSE(fs::is_symlink(lockLinked / "lock") && fs::exists(lockLinked / "lock"));
    fs::remove_all(elsewhere);
}

// An entry's text and its parser agree: every field, names with the
// characters that must be escaped, and a history, come back as they were
// written; the text of a known entry is exact; texts that are not whole
// entries are refused with their reasons.
TEST(JournalEntryTest, EntriesRoundTripThroughTheirTextAndDamagedTextsAreRefused) {
    TJournalEntry wave;
    wave.kind = "wave";
    wave.first = 12;
    wave.second = 340;
    wave.name = "NONAME3";
    wave.file = "/home/u/a b\\c\nd.wav";
    wave.state = unitStateChanged;
    wave.data = "3-7.wav";
    wave.recording = "record.wav";
    wave.history = {{"3-s1.wav", "Open, 10:42:13", 0, 0},
                    {"empty", "Delete, 10:42:20", 5, 5},
                    {"-", "Low Filter \\ with\nbreak, 10:43:01", 12, 340}};
    TJournalEntry music;
    music.kind = "music";
    music.freq = 22050;
    music.channels = 2;
    music.bytes = 1;
    music.state = unitStateNew;
    music.data = "4-1.korvanem";
    music.history = {{"4-s2.korvanem", "Music Parts: Repeat, 09:00:00", 0, 0}, {"-", "Note added, 09:00:05", 0, 0}};
    TJournalEntry bare;
    bare.kind = "wave";
    for (const TJournalEntry& entry : {wave, music, bare}) {
        TJournalEntry back;
        std::string reason;
        ASSERT_TRUE(TJournalEntry::Parse(entry.Text(), back, reason)) << reason << "\n" << entry.Text();
        EXPECT_EQ(back, entry) << entry.Text();
        EXPECT_EQ(back.Text(), entry.Text());
    }
    EXPECT_EQ(music.Text(),
              "korvane journal entry 1\nkind music\nformat 22050 2 1\nname \nfile \nstate 0\ndata 4-1.korvanem\n"
              "history 4-s2.korvanem 0 0 Music Parts: Repeat, 09:00:00\nhistory - 0 0 Note added, 09:00:05\nend .\n");

    const std::string good = bare.Text();
    struct Damaged {
        std::string text, reason;
    };
    const Damaged damaged[] = {
        {"", "it is not a journal entry"},
        {"korvane journal entry 2\n" + good.substr(good.find('\n') + 1), "it is not a journal entry"},
        {good.substr(0, good.size() - 4), "it is incomplete"},
        {"korvane journal entry 1\nkind wave\nend .\n", "it is incomplete"},
        {"korvane journal entry 1\nkind sound\ndata -\nend .\n", "it is incomplete"},
        {"korvane journal entry 1\nkind wave\nselection 1\ndata -\nend .\n",
         "its line \"selection 1\" cannot be read"},
        {"korvane journal entry 1\nkind wave\nname a\\qb\ndata -\nend .\n", "its line \"name a\\qb\" cannot be read"},
        {"korvane journal entry 1\nkind wave\nhistory x.wav one 0 n\ndata -\nend .\n",
         "its line \"history x.wav one 0 n\" cannot be read"},
        {"korvane journal entry 1\nkind wave\ndata ../x.wav\nend .\n", "it names a file outside its folder"},
        {"korvane journal entry 1\nkind wave\ndata -\nhistory a/b.wav 0 0 n\nend .\n",
         "it names a file outside its folder"},
        {"korvane journal entry 1\nkind wave\ndata -\nrecording ..\nend .\n", "it names a file outside its folder"},
    };
    for (const Damaged& d : damaged) {
        TJournalEntry entry;
        std::string reason;
        EXPECT_FALSE(TJournalEntry::Parse(d.text, entry, reason)) << d.text;
        EXPECT_EQ(reason, d.reason) << d.text;
    }
    // A state a journal never writes reads as changed.
    TJournalEntry saved;
    std::string reason;
    ASSERT_TRUE(TJournalEntry::Parse("korvane journal entry 1\nkind wave\nstate 1\ndata -\nend .\n", saved, reason));
    EXPECT_EQ(saved.state, unitStateChanged);
}
