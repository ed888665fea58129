#include "cli/QtPictureLoader.h"

#include <unistd.h>

#include <climits>

#include "platform/LazyLibrary.h"
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

// Where the module is: beside the running program, else where the build put
// it (the test programs run from a folder of their own). Empty when neither
// holds it.
std::string modulePath() {
    const std::string folder = programFolder();
    if (!folder.empty() && ::access((folder + kModuleName).c_str(), F_OK) == 0) return folder + kModuleName;
#ifdef KORVANE_QT_MODULE_PATH
    if (::access(KORVANE_QT_MODULE_PATH, F_OK) == 0) return KORVANE_QT_MODULE_PATH;
#endif
    return {};
}

}  // namespace

bool PaintWithQtModule(int width, int height, const std::function<void(Canvas&)>& paint, std::vector<TColor>& pixels,
                       std::string& error) {
    static const std::string path = modulePath();
    if (path.empty()) {
        error = std::string{"the Qt module "} + kModuleName + " is not beside korvane-cli";
        return false;
    }
    // Kept for the life of the process: Qt does not take being unloaded and
    // loaded again.
    static TLazyLibrary module(path);
    static const auto entry = reinterpret_cast<KorvanePaintPictureWithQt>(module.Find(kKorvanePaintPictureWithQtName));
    if (!entry) {
        const std::string why = module.Error();
        error = why.empty() ? path + " has no " + kKorvanePaintPictureWithQtName : why;
        return false;
    }
    return entry(width, height, paint, pixels, error);
}

}  // namespace korvane::cli
