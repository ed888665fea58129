#pragma once

#include <QStringList>

namespace korvane {

// What the File menu's recent files ask of the window they belong to: the
// files opened as File > Open opens them, and the commands' states brought
// up to date after.
class TRecentMenuHost {
public:
    virtual ~TRecentMenuHost() = default;
    virtual void OpenWaveFiles(const QStringList& files) = 0;
    virtual void OpenMusicFiles(const QStringList& files) = 0;
    virtual void UpdateActions() = 0;
};

}  // namespace korvane
