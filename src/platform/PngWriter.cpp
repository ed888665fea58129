#include "platform/PngWriter.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/FileReplace.h"

namespace korvane {

namespace {

const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, PngCrc32(out.data() + start, out.size() - start));
}

}  // namespace

uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc) {
    const auto& t = crcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = t[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t PngAdler32(const uint8_t* data, size_t size) {
    uint32_t a = 1, b = 0;
    while (size > 0) {
        // 5552 bytes is the most that cannot overflow before the reduction.
        size_t n = size < 5552 ? size : 5552;
        for (size_t i = 0; i < n; ++i) {
            a += data[i];
            b += a;
        }
        a %= 65521;
        b %= 65521;
        data += n;
        size -= n;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<TColor>& pixels) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    // Scan lines, each behind filter type 0.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            size_t i = static_cast<size_t>(y) * width + x;
            TColor c = i < pixels.size() ? pixels[i] : 0;
            raw.push_back(static_cast<uint8_t>(RedOf(c)));
            raw.push_back(static_cast<uint8_t>(GreenOf(c)));
            raw.push_back(static_cast<uint8_t>(BlueOf(c)));
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    put32(z, PngAdler32(raw.data(), raw.size()));

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    return png;
}

bool WritePngFile(const std::string& fileName, int width, int height, const std::vector<TColor>& pixels,
                  std::string& error) {
    std::vector<uint8_t> png = EncodePng(width, height, pixels);
    TFileReplacement file;
    if (!file.Open(fileName)) {
        error = "Cannot create the file \"" + fileName + "\".";
        return false;
    }
    if (!file.Write(png.data(), png.size()) || !file.Commit()) {
        error = "Cannot write the file \"" + fileName + "\".";
        return false;
    }
    return true;
}

}  // namespace korvane
