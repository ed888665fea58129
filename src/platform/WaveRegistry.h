#pragma once

#include <string>

namespace korvane {

class TUnitWave;

// Finds an open wave document by its registered name. Dialogs use it for
// envelope and form pickers, note players for their samples; the main window
// and the batch front end each keep the documents and answer it.
class WaveRegistry {
public:
    virtual ~WaveRegistry() = default;
    // Null when no open wave document has exactly that name.
    virtual TUnitWave* FindWave(const std::string& name) const = 0;
};

}  // namespace korvane
