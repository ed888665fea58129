#pragma once

#include <string>

#include "processing/SplitMerge.h"

namespace korvane {

class TMDIChildWave;
class TSplitMergeHost;
class TWindowPlacer;
class TWorkspace;

// Split and merge as the window runs them: they replace their source windows
// by new ones, placed where the source showed its wave. The choices of their
// dialogs are kept for the whole run.
class TWindowSplitter {
public:
    TWindowSplitter(TSplitMergeHost& host, TWorkspace& space, TWindowPlacer& placer)
        : host_(host), space_(space), placer_(placer) {}

    // Runs SplitH, SplitV, MergeH or MergeV from the wave window `source`;
    // false for any other action.
    bool Execute(const std::string& action, TMDIChildWave& source);
    // Closes a window whose wave went into new windows, without the save question.
    static void CloseReplaced(TMDIChildWave& window);

private:
    void splitHorizontally(TMDIChildWave& source);
    void splitVertically(TMDIChildWave& source);
    void mergeWindows(bool horizontally, TMDIChildWave& active);

    TSplitMergeHost& host_;
    TWorkspace& space_;
    TWindowPlacer& placer_;
    TSplitHorProps splitHor_;
    TMergeHorProps mergeHor_;
    TMergeVertProps mergeVert_;
};

}  // namespace korvane
