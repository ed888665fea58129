#include "cli/QtPictureLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "qtcanvas/QtPictureModule.h"

namespace korvane::cli {

namespace {

constexpr const char* kModuleName = "korvane-cli-qt.so";

// The folder of the running program, with its trailing slash; empty when the
// system does not say.
std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    const std::string program(path, static_cast<size_t>(n));
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string{} : program.substr(0, slash + 1);
}

struct Module {
    KorvanePaintPictureWithQt paint = nullptr;
    std::string error;
};

// Loaded once and kept for the life of the process: Qt does not take being
// unloaded and loaded again.
Module load() {
    Module m;
    std::vector<std::string> candidates;
    const std::string folder = programFolder();
    if (!folder.empty()) candidates.push_back(folder + kModuleName);
#ifdef KORVANE_QT_MODULE_PATH
    // The test programs run from a folder of their own.
    candidates.emplace_back(KORVANE_QT_MODULE_PATH);
#endif
    std::string reasons;
    for (const std::string& path : candidates) {
        if (::access(path.c_str(), F_OK) != 0) continue;
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            reasons = why ? why : path;
            continue;
        }
        m.paint = reinterpret_cast<KorvanePaintPictureWithQt>(::dlsym(handle, kKorvanePaintPictureWithQtName));
        if (m.paint) return m;
        reasons = path + " has no " + kKorvanePaintPictureWithQtName;
    }
    m.error = reasons.empty() ? std::string{"the Qt module "} + kModuleName + " is not beside korvane-cli"
                              : "the Qt module cannot be loaded: " + reasons;
    return m;
}

}  // namespace

bool PaintWithQtModule(int width, int height, const std::function<void(Canvas&)>& paint, std::vector<TColor>& pixels,
                       std::string& error) {
    static const Module module = load();
    if (!module.paint) {
        error = module.error;
        return false;
    }
    return module.paint(width, height, paint, pixels, error);
}

}  // namespace korvane::cli
