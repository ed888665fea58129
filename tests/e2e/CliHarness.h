#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Runs the built korvane-cli as a user would and collects what it printed.
namespace korvane::e2e {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A fresh folder per test for the files a call reads and writes.
class CliTest : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() / "korvane-e2e" /
              (std::string(info->test_suite_name()) + "." + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure()) std::filesystem::remove_all(dir);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    CliResult cli(const std::vector<std::string>& args) const {
        std::string command = quote(KORVANE_CLI_PATH);
        for (const auto& a : args) command += " " + quote(a);
        std::string outFile = path("stdout.txt"), errFile = path("stderr.txt");
        command += " >" + quote(outFile) + " 2>" + quote(errFile) + " </dev/null";
        int raw = std::system(command.c_str());
        CliResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(outFile);
        r.err = slurp(errFile);
        return r;
    }

    std::string bytes(const std::string& name) const { return slurp(path(name)); }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

    // A 16-bit PCM file of the given interleaved samples.
    void writeWav(const std::string& name, int channels, int freq, const std::vector<int16_t>& samples) const {
        std::ofstream out(path(name), std::ios::binary);
        auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        uint32_t data = static_cast<uint32_t>(samples.size() * 2);
        out.write("RIFF", 4);
        u32(data + 36);
        out.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(static_cast<uint16_t>(channels));
        u32(static_cast<uint32_t>(freq));
        u32(static_cast<uint32_t>(freq * channels * 2));
        u16(static_cast<uint16_t>(channels * 2));
        u16(16);
        out.write("data", 4);
        u32(data);
        out.write(reinterpret_cast<const char*>(samples.data()), data);
    }

    // The interleaved 16-bit samples of a file our writer made (44-byte header).
    std::vector<int16_t> readSamples(const std::string& name) const {
        std::string b = bytes(name);
        std::vector<int16_t> s;
        for (size_t i = 44; i + 1 < b.size(); i += 2)
            s.push_back(static_cast<int16_t>(static_cast<uint8_t>(b[i]) | (static_cast<uint8_t>(b[i + 1]) << 8)));
        return s;
    }
};

}  // namespace korvane::e2e
