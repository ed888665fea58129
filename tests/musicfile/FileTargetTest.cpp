// Every writer (waves, music, pictures) puts its file in place the same way:
// the same targets are refused, streams are written into, never replaced,
// and no new file outlives a signal or a dead process.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Sound.h"
#include "core/WavFile.h"
#include "musicfile/XmlLayer.h"
#include "platform/FileReplace.h"
#include "platform/PngWriter.h"

using namespace korvane;
using korvane::testing::CoreFixture;
namespace fs = std::filesystem;

namespace {

class FileTargetTest : public CoreFixture {
protected:
    fs::path dir;
    void SetUp() override {
        CoreFixture::SetUp();
        dir = fs::temp_directory_path() / ("korvane-targets-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        CoreFixture::TearDown();
    }
    static std::string contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

struct Writer {
    const char* name;
    std::function<bool(const std::string&)> write;
};

std::vector<Writer> writers() {
    static const MonoSound sound(korvane::testing::makeWave({1, -2, 300, -32768}), 8000, 2);
    return {
        {"wave",
         [](const std::string& path) {
             bool failed = false;
             return WriteWaveFile(failed, path, sound, 0, sound.GetValues(), false);
         }},
        {"music",
         [](const std::string& path) {
             std::string message;
             return WriteXML(TXMLCompound("A"), path, message);
         }},
        {"picture",
         [](const std::string& path) {
             std::string error;
             return WritePngFile(path, 1, 1, {RGBColor(1, 2, 3)}, error);
         }},
    };
}

TEST_F(FileTargetTest, EveryWriterRefusesTheSameTargetsAndNeverReplacesAStream) {
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        const fs::path plain = dir / "plain";
        ASSERT_TRUE(w.write(plain.string()));
        const std::string bytes = contents(plain);
        ASSERT_FALSE(bytes.empty());

        // A read-only file stays, even for root, who could write it.
        const fs::path locked = dir / "locked";
        std::ofstream(locked) << "old";
        ::chmod(locked.c_str(), 0444);
        EXPECT_FALSE(w.write(locked.string()));
        EXPECT_EQ(contents(locked), "old");

        EXPECT_FALSE(w.write(dir.string()));
        EXPECT_TRUE(fs::is_directory(dir));

        // A FIFO with a reader gets the bytes and stays a FIFO.
        const fs::path fifo = dir / "fifo";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
        EXPECT_FALSE(w.write(fifo.string())) << "no reader: nothing would ever take the bytes";
        const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        EXPECT_TRUE(w.write(fifo.string()));
        std::string got(bytes.size() + 16, '\0');
        const ssize_t n = ::read(reader, got.data(), got.size());
        ::close(reader);
        got.resize(n > 0 ? static_cast<size_t>(n) : 0);
        EXPECT_EQ(got, bytes);
        EXPECT_TRUE(fs::is_fifo(fifo));

        EXPECT_TRUE(w.write("/dev/null"));
        EXPECT_TRUE(fs::is_character_file("/dev/null"));

        EXPECT_EQ(names(), (std::vector<std::string>{"fifo", "locked", "plain"}));
        fs::remove(fifo);
        fs::permissions(locked, fs::perms::owner_all);
        fs::remove(locked);
        fs::remove(plain);
    }
    // The wave writer says why in its box; the others return their texts.
    EXPECT_EQ(boxes.shown.size(), 3u);
}

// The new file of a process that is gone is removed by the next write beside
// the same target; one of a running process is left alone.
TEST_F(FileTargetTest, NewFilesOfDeadProcessesAreRemovedByTheNextWrite) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = ".out.wav.korvane-" + std::to_string(child) + "-0.tmp";
    const std::string alive = ".out.wav.korvane-" + std::to_string(::getppid()) + "-3.tmp";
    const std::string other = ".other.wav.korvane-" + std::to_string(child) + "-0.tmp";
    for (const std::string& name : {dead, alive, other}) std::ofstream(dir / name) << "partial";
    ASSERT_TRUE(writers()[0].write((dir / "out.wav").string()));
    EXPECT_EQ(names(), (std::vector<std::string>{other, alive, "out.wav"}));
}

// A signal in the middle of a write takes the new file with it; the old one
// stays whole.
TEST_F(FileTargetTest, ASignalDuringAWriteRemovesTheNewFile) {
    const fs::path target = dir / "out.xml";
    std::ofstream(target) << "old";
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        const pid_t child = ::fork();
        if (child == 0) {
            // A signal this process was started to ignore ends nothing; one
            // whose clean-up an earlier test of this process installed keeps it
            // (the clean-up is installed once a process).
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) ::signal(sig, SIG_DFL);
            TFileReplacement file;
            if (!file.Open(target.string()) || !file.Write("new, not yet whole", 18)) ::_exit(2);
            ::kill(::getpid(), sig);
            ::_exit(3);  // not reached: the signal ends the process
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(names(), (std::vector<std::string>{"out.xml"}));
        EXPECT_EQ(contents(target), "old");
    }
}

}  // namespace

// The outputs of one command go in place together. A target refused by the
// checks stops them all before any rename; a rename that fails after the
// checks (here a folder put in a target's place meanwhile) puts back what the
// renames before it replaced and removes what they made. Nothing new stays
// beside the targets either way.
TEST_F(FileTargetTest, FilesCommittedTogetherAppearAllOrNone) {
    const MonoSound sound(korvane::testing::makeWave({5, 6}), 8000, 2);
    const fs::path a = dir / "a.wav", b = dir / "b.wav", c = dir / "c.wav";
    std::ofstream(a) << "old a";
    const auto write = [&](const std::vector<fs::path>& targets) {
        bool failed = false;
        std::vector<std::string> names;
        for (const fs::path& t : targets) names.push_back(t.string());
        return WriteWaveFiles(failed, names, std::vector<const Sound*>(targets.size(), &sound));
    };
    fs::create_directory(c);
    EXPECT_FALSE(write({a, b, c}));
    EXPECT_EQ(contents(a), "old a");
    EXPECT_EQ(names(), (std::vector<std::string>{"a.wav", "c.wav"}));
    fs::remove(c);
    std::ofstream(c) << "old c";
    fs::permissions(c, fs::perms::owner_read);
    EXPECT_FALSE(write({a, b, c}));
    EXPECT_EQ(names(), (std::vector<std::string>{"a.wav", "c.wav"}));
    fs::permissions(c, fs::perms::owner_all);

    TFileReplacement files[3];
    const fs::path targets[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(files[i].Open(targets[i].string()));
        ASSERT_TRUE(files[i].Write("new", 3));
    }
    fs::remove(c);
    fs::create_directories(c / "in-the-way");
    TFileReplacement* all[3] = {&files[0], &files[1], &files[2]};
    EXPECT_FALSE(TFileReplacement::CommitAll(all, 3));
    EXPECT_EQ(contents(a), "old a");
    EXPECT_EQ(names(), (std::vector<std::string>{"a.wav", "c.wav"}));

    fs::remove_all(c);
    ASSERT_TRUE(write({a, b, c}));
    EXPECT_EQ(names(), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    for (const fs::path& t : {a, b, c}) EXPECT_EQ(contents(t).size(), 48u);
}
