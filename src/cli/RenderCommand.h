#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace korvane {
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
};

// `render MUSIC OUT.wav [--wave ...]... [--stave N] [--group N] [--channels 1|2]
// [--frequency HZ] [--bits 8|16]`. Returns the exit status.
int MusicRender(const std::vector<std::string>& args, const RenderContext& context);
// The synopsis of `render` and its options with their defaults, for `help render`.
void MusicRenderHelp(std::ostream& out);

}  // namespace korvane::cli
