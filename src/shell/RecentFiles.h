#pragma once

#include <string>
#include <vector>

namespace korvane {

// The files opened and saved last, newest first, kept between runs in one
// small file of the user's configuration folder: one absolute name per line.
class TRecentFiles {
public:
    static constexpr std::size_t kMost = 8;

    // "$XDG_CONFIG_HOME/korvane/recent-files", else under ~/.config; empty
    // when neither can be found.
    static std::string DefaultPath();

    explicit TRecentFiles(std::string path = DefaultPath()) : path_(std::move(path)) { Load(); }

    const std::vector<std::string>& Files() const { return files_; }
    // Puts the file first (once), drops the oldest beyond kMost, and keeps
    // the list; false when it could not be written (the list still changes).
    bool Add(const std::string& file);
    // A file that is gone leaves the list.
    bool Remove(const std::string& file);
    // Reads the kept list; a missing or unreadable file is an empty list.
    void Load();

private:
    bool save() const;
    std::string path_;
    std::vector<std::string> files_;
};

}  // namespace korvane
