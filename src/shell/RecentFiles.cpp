#include "shell/RecentFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/FileReplace.h"

namespace korvane {

std::string TRecentFiles::DefaultPath() {
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') folder = config;
    else if (const char* home = std::getenv("HOME"); home && *home) folder = std::string(home) + "/.config";
    else return {};
    return folder + "/korvane/recent-files";
}

void TRecentFiles::Load() {
    files_.clear();
    if (path_.empty()) return;
    std::ifstream in(path_);
    std::string line;
    while (files_.size() < kMost && std::getline(in, line))
        if (!line.empty() && line[0] == '/' && std::find(files_.begin(), files_.end(), line) == files_.end())
            files_.push_back(line);
}

bool TRecentFiles::Add(const std::string& file) {
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(file, ec).lexically_normal().string();
    if (ec || absolute.empty() || absolute.find('\n') != std::string::npos) return false;
    files_.erase(std::remove(files_.begin(), files_.end(), absolute), files_.end());
    files_.insert(files_.begin(), absolute);
    if (files_.size() > kMost) files_.resize(kMost);
    return save();
}

bool TRecentFiles::Remove(const std::string& file) {
    auto at = std::find(files_.begin(), files_.end(), file);
    if (at == files_.end()) return true;
    files_.erase(at);
    return save();
}

bool TRecentFiles::save() const {
    if (path_.empty()) return false;
    const std::size_t slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::error_code ec;
        std::filesystem::create_directories(path_.substr(0, slash), ec);
    }
    std::string text;
    for (const std::string& f : files_) text += f + "\n";
    TFileReplacement out;
    return out.Open(path_) && out.Write(text.data(), text.size()) && out.Commit();
}

}  // namespace korvane
