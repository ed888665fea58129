#include <cmath>

#include "CliHarness.h"

namespace korvane::e2e {
namespace {

uint32_t be32(const std::string& b, size_t at) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8) | static_cast<uint8_t>(b[at + 3]);
}

uint32_t crc32(const std::string& data) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char ch : data) {
        c ^= ch;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

// A decoded picture: checks every chunk's CRC, the stored deflate blocks and
// the Adler-32 of the image data on the way.
struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB
    uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    int countInColumn(int x, uint32_t colour) const {
        int n = 0;
        for (uint32_t y = 0; y < height; ++y) n += at(x, y) == colour;
        return n;
    }
};

Picture decode(const std::string& png) {
    Picture p;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::string idat;
    size_t pos = 8;
    bool ended = false;
    while (pos + 12 <= png.size()) {
        uint32_t len = be32(png, pos);
        std::string type = png.substr(pos + 4, 4);
        std::string body = png.substr(pos + 8, len);
        EXPECT_EQ(be32(png, pos + 8 + len), crc32(png.substr(pos + 4, 4 + len))) << type;
        if (type == "IHDR") {
            p.width = be32(body, 0);
            p.height = be32(body, 4);
            EXPECT_EQ(body.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
        } else if (type == "IDAT") {
            idat += body;
        } else if (type == "IEND") {
            ended = true;
        }
        pos += 12 + len;
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(pos, png.size());
    std::string raw;
    size_t z = 2;
    for (bool last = false; !last && z + 5 <= idat.size();) {
        uint8_t head = static_cast<uint8_t>(idat[z]);
        last = head & 1;
        EXPECT_EQ(head >> 1, 0);  // stored
        uint32_t n = static_cast<uint8_t>(idat[z + 1]) | (static_cast<uint8_t>(idat[z + 2]) << 8);
        uint32_t nn = static_cast<uint8_t>(idat[z + 3]) | (static_cast<uint8_t>(idat[z + 4]) << 8);
        EXPECT_EQ(n ^ 0xFFFF, nn);
        raw += idat.substr(z + 5, n);
        z += 5 + n;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(be32(idat, z), (b << 16) | a);
    size_t stride = p.width * 3 + 1;
    EXPECT_EQ(raw.size(), stride * p.height);
    for (uint32_t y = 0; y < p.height && raw.size() == stride * p.height; ++y) {
        EXPECT_EQ(raw[y * stride], 0);
        for (uint32_t x = 0; x < p.width; ++x) {
            const char* px = raw.data() + y * stride + 1 + x * 3;
            p.rgb.push_back((static_cast<uint8_t>(px[0]) << 16) | (static_cast<uint8_t>(px[1]) << 8) |
                            static_cast<uint8_t>(px[2]));
        }
    }
    return p;
}

class CliPicture : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        writeWav("silence.wav", 1, 44100, std::vector<int16_t>(10000, 0));
        std::vector<int16_t> sine(22050);
        for (size_t i = 0; i < sine.size(); ++i) sine[i] = static_cast<int16_t>(20000 * std::sin(i * 0.05));
        writeWav("sine.wav", 1, 22050, sine);
    }
};

TEST_F(CliPicture, VolumeDiagramOfSilenceShowsTheSelectionInvertedAndTheCursor) {
    auto r = cli({"picture", path("silence.wav"), path("out.png"), "--view", "volume", "--width", "100", "--height",
                  "70", "--select", "6000:2000"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Picture p = decode(bytes("out.png"));
    ASSERT_EQ(p.width, 100u);
    ASSERT_EQ(p.height, 70u);
    // Columns 20..59 are selected; the cursor (the first end) stands at 60.
    for (int x = 0; x < 100; ++x) {
        uint32_t want = x >= 20 && x < 60 ? 0xFFFFFF : 0x000000;
        if (x == 60) want = 0xFF00FF;
        EXPECT_EQ(p.countInColumn(x, want), 70) << "column " << x;
    }
}

TEST_F(CliPicture, ColoursAndSettingsComeFromTheOptions) {
    auto r = cli({"picture",
                  path("sine.wav"),
                  path("out.png"),
                  "--view",
                  "volume",
                  "--width",
                  "40",
                  "--height",
                  "30",
                  "--background",
                  "#102030",
                  "--cursor",
                  "#00ff00",
                  "--vertical",
                  "30",
                  "--print-settings",
                  "--distribution",
                  "time-linear",
                  "--sensitivity",
                  "low"});
    ASSERT_EQ(r.status, 0) << r.err;
    // 20000 Hz is shown raised to two periods of 22050 Hz.
    EXPECT_EQ(r.out, "Top: 11025 Hz\nBottom: 20 Hz\nVertical Resolution: 30\nFrequency Width: 1\nStrength: 1.3\n");
    Picture p = decode(bytes("out.png"));
    EXPECT_EQ(p.countInColumn(0, 0x00FF00), 30);
    // Time-linear bands 1.66 ms apart: the sine's 5.7 ms period lights the
    // fourth or fifth row; the top row stays at the background.
    int brightest = 0;
    for (int y = 0; y < 30; ++y)
        if ((p.at(20, y) & 0xFF) > (p.at(20, brightest) & 0xFF)) brightest = y;
    EXPECT_GE(brightest, 3);
    EXPECT_LE(brightest, 4);
    EXPECT_EQ(p.at(20, 0), 0x102030u);
}

TEST_F(CliPicture, WaveViewPaintsTheWaveOnItsBackgroundWithTheGrid) {
    auto r = cli({"picture", path("sine.wav"), path("out.png"), "--view", "wave", "--width", "200", "--height", "101",
                  "--single-wave", "#0000ff", "--values-per-pixel", "20"});
    ASSERT_EQ(r.status, 0) << r.err;
    Picture p = decode(bytes("out.png"));
    int blue = 0, white = 0;
    for (uint32_t c : p.rgb) {
        blue += c == 0x0000FF;
        white += c == 0xFFFFFF;
    }
    EXPECT_GT(blue, 1000);
    EXPECT_GT(white, 5000);
    // The middle line of the grid in grey, where the wave does not cover it.
    EXPECT_EQ(p.at(199, 50), 0x808080u);
    // The sine never reaches the top rows (20000 of 32767).
    EXPECT_EQ(p.at(100, 2), 0xFFFFFFu);
}

TEST_F(CliPicture, PeaksDrawTheWholeSwingOfEveryColumn) {
    // About 110 samples a column, nearly a period of the sine: 20000 lies at y
    // 19 and -20000 at y 81, so a column holding both crests draws 63 pixels.
    auto r = cli({"picture", path("sine.wav"), path("out.png"), "--view", "wave", "--width", "200", "--height", "101",
                  "--single-wave", "#0000ff", "--draw-grid", "off", "--distribution", "peaks"});
    ASSERT_EQ(r.status, 0) << r.err;
    Picture p = decode(bytes("out.png"));
    for (int x = 1; x < 200; ++x) EXPECT_GE(p.countInColumn(x, 0x0000FF), 55) << x;  // column 0: the cursor
}

TEST_F(CliPicture, RefusalsLeaveTheOldPicture) {
    std::ofstream(path("out.png")) << "old";
    auto r = cli(
        {"picture", path("silence.wav"), path("out.png"), "--view", "volume", "--top", "100 Hz", "--bottom", "10 ms"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Top Frequency and Bottom Frequency must be different.\n");
    r = cli({"picture", path("silence.wav"), path("out.png"), "--view", "volume", "--top", "50 kHz"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Top Frequency may not be higher than the sample Frequency.\n");
    r = cli({"picture", path("silence.wav"), path("out.png"), "--view", "volume", "--vertical", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("In Vertical Resolution: ", 0), 0u) << r.err;
    r = cli({"picture", path("silence.wav"), path("out.png"), "--view", "wave", "--strength", "2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("In Strength: ", 0), 0u) << r.err;
    r = cli({"picture", path("silence.wav"), path("out.png"), "--view", "wave", "--top", "1 kHz"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "usage: unknown option --top of --view wave\n");
    r = cli({"picture", path("silence.wav"), path("out.png"), "--view", "volume", "--single", "white"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "usage: --single takes #RRGGBB\n");
    r = cli({"picture", path("silence.wav"), path("out.png"), "--view", "volume", "--width", "0"});
    EXPECT_EQ(r.status, 2);
    r = cli({"picture", path("missing.wav"), path("out.png"), "--view", "wave"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("missing.wav") + "\", Cannot open File.\n");
    EXPECT_TRUE(bytes("out.png") == "old");
    // A folder that does not exist: nothing is left behind and the status says so.
    r = cli({"picture", path("silence.wav"), path("no/out.png"), "--view", "wave"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(exists("no"));
}

}  // namespace
}  // namespace korvane::e2e
