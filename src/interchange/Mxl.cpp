#include "interchange/Mxl.h"

#include <zip.h>

#include <memory>

namespace korvane {

namespace {

constexpr const char* kContainer =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<container>\n  <rootfiles>\n"
    "    <rootfile full-path=\"score.musicxml\" media-type=\"application/vnd.recordare.musicxml+xml\"/>\n"
    "  </rootfiles>\n</container>\n";
constexpr const char* kMimeType = "application/vnd.recordare.musicxml";
constexpr zip_int64_t kMaxEntries = 10000;

bool addEntry(zip_t* archive, const char* name, const std::string& data, bool store) {
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (!source) return false;
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    // The fastest deflate: a score's text packs well at any level.
    return zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : 1) == 0;
}

// Reads one entry, refusing more than the limit whatever its header claims.
bool readEntry(zip_t* archive, zip_int64_t index, std::string& out, std::string& error) {
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        error = "The compressed score cannot be unpacked.";
        return false;
    }
    out.clear();
    char buffer[65536];
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            zip_fclose(file);
            error = "The compressed score is damaged.";
            return false;
        }
        if (n == 0) break;
        if (out.size() + static_cast<size_t>(n) > kMaxUnpackedScore) {
            zip_fclose(file);
            error = "The compressed score unpacks to more than " + std::to_string(kMaxUnpackedScore >> 20) + " MB.";
            return false;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    zip_fclose(file);
    return true;
}

}  // namespace

bool PackMxl(const std::string& musicXml, std::string& archive, std::string& error) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &ze);
    zip_t* za = target ? zip_open_from_source(target, ZIP_TRUNCATE, &ze) : nullptr;
    zip_error_fini(&ze);
    if (!za) {
        if (target) zip_source_free(target);
        error = "The compressed score cannot be made.";
        return false;
    }
    zip_source_keep(target);
    const std::string mime = kMimeType, container = kContainer;
    bool ok = addEntry(za, "mimetype", mime, true) && addEntry(za, "META-INF/container.xml", container, false) &&
              addEntry(za, "score.musicxml", musicXml, false);
    ok = zip_close(za) == 0 && ok;
    if (!ok) zip_discard(za);
    if (ok && zip_source_open(target) == 0) {
        zip_source_seek(target, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(target);
        zip_source_seek(target, 0, SEEK_SET);
        archive.assign(static_cast<size_t>(size > 0 ? size : 0), '\0');
        ok = size >= 0 && zip_source_read(target, archive.data(), static_cast<zip_uint64_t>(size)) == size;
        zip_source_close(target);
    } else {
        ok = false;
    }
    zip_source_free(target);
    if (!ok) error = "The compressed score cannot be made.";
    return ok;
}

bool UnpackMxl(const std::string& archive, std::string& musicXml, std::string& error) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &ze);
    zip_t* za = source ? zip_open_from_source(source, ZIP_RDONLY, &ze) : nullptr;
    zip_error_fini(&ze);
    if (!za) {
        if (source) zip_source_free(source);
        error = "The file is not a compressed MusicXML score (no zip archive).";
        return false;
    }
    std::unique_ptr<zip_t, int (*)(zip_t*)> owner(za, zip_close);
    const zip_int64_t entries = zip_get_num_entries(za, 0);
    if (entries > kMaxEntries) {
        error = "The compressed score holds more than " + std::to_string(kMaxEntries) + " files.";
        return false;
    }
    std::string path;
    const zip_int64_t container = zip_name_locate(za, "META-INF/container.xml", 0);
    if (container >= 0) {
        std::string text;
        if (!readEntry(za, container, text, error)) return false;
        const size_t at = text.find("full-path=\"");
        if (at != std::string::npos) {
            const size_t end = text.find('"', at + 11);
            if (end != std::string::npos) path = text.substr(at + 11, end - at - 11);
        }
    }
    zip_int64_t index = path.empty() ? -1 : zip_name_locate(za, path.c_str(), 0);
    for (zip_int64_t i = 0; index < 0 && i < entries; ++i) {
        const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), 0);
        const std::string n = name ? name : "";
        if (n.rfind("META-INF/", 0) == 0) continue;
        if (n.size() > 4 && (n.ends_with(".xml") || n.ends_with(".musicxml"))) index = i;
    }
    if (index < 0) {
        error = "The compressed score holds no MusicXML file.";
        return false;
    }
    return readEntry(za, index, musicXml, error);
}

}  // namespace korvane
