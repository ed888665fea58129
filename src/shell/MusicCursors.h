#pragma once

#include <QCursor>

namespace korvane {

// The cursors of the score, drawn here: "NOTE" (placing a note), "SIL"
// (placing a silence or a key), "DELETE" (delete mode over a symbol that can
// go) and "REJECT" (a click that cannot be used). Made once, on first use.
QCursor MusicCursor(const char* name);

}  // namespace korvane
