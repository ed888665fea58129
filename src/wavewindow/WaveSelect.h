#pragma once

#include <cstdint>
#include <string>

#include "wavewindow/WaveView.h"

namespace korvane {

// The two ends of a selection: the cursor moves, the anchor stays.
struct TSelectionEnds {
    int32_t Cursor = 0;
    int32_t Anchor = 0;
};

enum class TSelKey { Left, Right, Up, Down, Home, End, PageUp, PageDown };

// The selection keys of the wave window. Movements are in pixels of the
// present mapping; a movement that stays inside one sample (far zoomed in)
// still moves by one sample, so the keys never get stuck. Returns false when
// the key does nothing with these modifiers.
bool KeySelection(TSelectionEnds& sel, TSelKey key, bool shift, bool ctrl, int32_t values, const TWaveMapping& map);

// A left button press at column x (not hand-drawing). Needs two samples or
// more; returns false (nothing changed) otherwise.
bool MouseDownSelection(TSelectionEnds& sel, int x, bool shift, bool ctrl, int32_t values, const TWaveMapping& map);

// The cursor while dragging: the column is kept inside the client area.
int32_t DragCursor(int x, int32_t values, const TWaveMapping& map);

// The horizontal scroll bar of a zoomed window.
struct TZoomBar {
    int64_t Range = 0;
    int64_t Position = 0;
    int PageStep = 0;
};

// The bar that shows [begin, end) of `values` samples over `width` columns.
// The range is kept below 2^30 so a platform scroll bar can hold it: a zoom
// narrower than that allows is widened around its start.
TZoomBar ZoomBarFor(double begin, double end, int32_t values, int width);
// The zoom range a bar position shows.
void ZoomFromBar(int64_t position, int64_t range, int32_t values, int width, double& begin, double& end);

// The values of the "Select and Zoom" dialog, as typed.
struct TSelZoomInput {
    bool Part = false;  // "Part" chosen, else "Cursor"
    std::string CursorAt, PartBegin, PartEnd;
    bool Zoomed = false;
    std::string ZoomBegin, ZoomEnd;
};

struct TSelZoomResult {
    std::string Error;  // the one "Input Error" text; empty when all is well
    int32_t SelBegin = 0;
    int32_t SelEnd = 0;  // equal to SelBegin for a cursor
    bool Zoomed = false;
    int32_t ZoomBegin = 0;
    int32_t ZoomEnd = 0;
};

// Reads the dialog's times (time x frequency + 0.5, truncated) and checks them
// against the wave; the first wrong value gives the error.
TSelZoomResult ReadSelZoom(const TSelZoomInput& input, int32_t values, int32_t freq);

}  // namespace korvane
