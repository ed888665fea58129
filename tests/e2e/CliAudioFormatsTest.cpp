// korvane-cli with other sound formats: IN of any format, OUT by extension,
// the encoder options, info's format line and the read failures.
#include "CliHarness.h"

namespace korvane::e2e {
namespace {

class CliAudioFormats : public CliTest {};

std::vector<int16_t> ramp(int frames, int channels) {
    std::vector<int16_t> s;
    for (int i = 0; i < frames * channels; ++i) s.push_back(static_cast<int16_t>(i * 131 - 32000));
    return s;
}

// WAV to every lossless format and back gives the same WAV bytes; the lossy
// ones come back as WAV files of about the same length.
TEST_F(CliAudioFormats, OutIsWrittenInTheFormatItsExtensionNames) {
    writeWav("in.wav", 2, 48000, ramp(4800, 2));
    for (const char* name : {"a.flac", "a.AIFF", "a.aif"}) {
        ASSERT_EQ(cli({"apply", path("in.wav"), path(name)}).status, 0) << name;
        auto r = cli({"apply", path(name), path("back.wav")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(bytes("back.wav"), bytes("in.wav")) << name;
    }
    const std::pair<const char*, const char*> magic[] = {
        {"a.flac", "fLaC"}, {"a.aif", "FORM"}, {"a.ogg", "OggS"}, {"a.opus", "OggS"}, {"a.mp3", "\xFF\xFB"},
        {"a.txt", "RIFF"}, {"noextension", "RIFF"}};
    for (const auto& [name, head] : magic) {
        auto r = cli({"apply", path("in.wav"), path(name)});
        ASSERT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(bytes(name).substr(0, std::string(head).size()), head) << name;
    }
    EXPECT_EQ(bytes("a.txt"), bytes("in.wav"));
    // Opus holds 48 kHz here; its decode is within one frame of the length.
    auto r = cli({"info", path("a.opus")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("format: Opus\n"), std::string::npos) << r.out;
}

TEST_F(CliAudioFormats, InfoNamesTheFormatOnlyForFilesOurReaderDidNotRead) {
    writeWav("in.wav", 1, 44100, ramp(44100, 1));
    ASSERT_EQ(cli({"apply", path("in.wav"), path("x.flac")}).status, 0);
    ASSERT_EQ(cli({"apply", path("in.wav"), path("x.mp3"), "--out-bitrate", "96", "--out-vbr"}).status, 0);
    // A WAV under another name is still ours: it starts with "RIFF".
    ASSERT_EQ(cli({"apply", path("in.wav"), path("riff.data")}).status, 0);
    auto r = cli({"info", path("x.flac"), path("in.wav"), path("riff.data"), path("x.mp3")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string wav = "samples: 44100\nduration: 1.00000 s\nfrequency: 44.100 kHz\nbits: 16\nchannels: MO\n"
                            "size: 86.1 kb\n";
    EXPECT_EQ(r.out.substr(0, r.out.find("file: " + path("x.mp3"))),
              "file: " + path("x.flac") + "\n" + wav + "format: FLAC\nfile: " + path("in.wav") + "\n" + wav +
                  "file: " + path("riff.data") + "\n" + wav);
    EXPECT_NE(r.out.find("format: MP3\n"), std::string::npos);
}

TEST_F(CliAudioFormats, EncoderOptionsAreCheckedAgainstTheFormat) {
    writeWav("in.wav", 2, 44100, ramp(44100, 2));
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--out-quality", "5"}, "out.mp3"},     {{"--out-bitrate", "128"}, "out.flac"},
        {{"--out-vbr"}, "out.opus"},             {{"--out-quality", "9"}, "out.flac"},
        {{"--out-quality", "10.5"}, "out.ogg"},  {{"--out-bitrate", "5"}, "out.opus"},
        {{"--out-bitrate", "321"}, "out.mp3"},   {{"--out-quality", "x"}, "out.ogg"},
        {{"--out-quality", "5"}, "out.wav"},     {{"--out-bitrate"}, "out.mp3"},
    };
    for (const auto& [options, out] : refused) {
        std::vector<std::string> args{"apply", path("in.wav"), path(out)};
        args.insert(args.end(), options.begin(), options.end());
        auto r = cli(args);
        EXPECT_EQ(r.status, 2) << options[0] << " " << out;
        EXPECT_EQ(r.err.rfind("usage: ", 0), 0u) << r.err;
        EXPECT_FALSE(exists(out)) << out;
    }
    // Higher settings make bigger files.
    ASSERT_EQ(cli({"apply", path("in.wav"), path("low.ogg"), "--out-quality", "0"}).status, 0);
    ASSERT_EQ(cli({"apply", path("in.wav"), path("high.ogg"), "--out-quality", "10"}).status, 0);
    EXPECT_LT(bytes("low.ogg").size() * 2, bytes("high.ogg").size());
    ASSERT_EQ(cli({"new", path("low.opus"), "--out-bitrate", "16", "make-sinus"}).status, 0);
    ASSERT_EQ(cli({"new", path("high.opus"), "make-sinus", "--out-bitrate", "256"}).status, 0);
    EXPECT_LT(bytes("low.opus").size() * 4, bytes("high.opus").size());
}

TEST_F(CliAudioFormats, UnreadableFilesFailWithLibsndfilesReasonAndWriteNothing) {
    std::ofstream(path("bad.flac")) << "fLaC but nothing after it";
    std::ofstream(path("bad.wav")) << "RIFX";
    writeWav("in.wav", 1, 8000, ramp(100, 1));
    auto r = cli({"apply", path("bad.flac"), path("out.wav")});
    EXPECT_EQ(r.status, 1);
    const std::string start = "Cannot read the file: \"" + path("bad.flac") + "\", ";
    ASSERT_EQ(r.err.rfind(start, 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), start.size() + 2);
    EXPECT_FALSE(exists("out.wav"));
    // A .wav keeps our reader's message; a --wave file is read by the same rule.
    r = cli({"apply", path("bad.wav"), path("out.flac")});
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("bad.wav") + "\", \"RIFF\" not found.\n");
    r = cli({"apply", path("in.wav"), path("out.flac"), "--wave", "env=" + path("bad.flac")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(start, 0), 0u) << r.err;
    EXPECT_FALSE(exists("out.flac"));
}

}  // namespace
}  // namespace korvane::e2e
