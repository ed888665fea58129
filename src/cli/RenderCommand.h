#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace korvane {
class Sound;
class TWorkspace;
}

namespace korvane::cli {

// What `render` borrows from the running call.
struct RenderContext {
    TWorkspace& space;
    std::ostream& out;
    std::ostream& err;
    // Opens the `--wave NAME=FILE.wav[@B:E]` documents as every command does;
    // returns the exit status.
    std::function<int(const std::vector<std::string>& waves)> openWaves;
    // The status, or the memory status once the memory message was shown.
    std::function<int(int)> memoryOr;
    // Reads the OUT options (--out-quality ...) at args[i]; false when args[i] is none.
    std::function<bool(const std::vector<std::string>& args, size_t& i)> takeOutOption;
    // A usage problem with the OUT options for this OUT, or empty.
    std::function<std::string(const std::string& outFile)> outProblem;
    // Writes OUT in the format its extension names; false on failure.
    std::function<bool(bool& failed, const std::string& outFile, const Sound& sound)> writeOut;
};

// `render MUSIC OUT.wav [--wave ...]... [--stave N] [--group N] [--channels 1|2]
// [--frequency HZ] [--bits 8|16]`. Returns the exit status.
int MusicRender(const std::vector<std::string>& args, const RenderContext& context);
// The synopsis of `render` and its options with their defaults, for `help render`.
void MusicRenderHelp(std::ostream& out);

}  // namespace korvane::cli
