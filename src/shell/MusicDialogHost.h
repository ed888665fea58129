#pragma once

#include <QStringList>

class QDialog;
class QWidget;

namespace korvane {

class TUnitMuz;
class TPartMuz;
struct TRenderFilter;

// The few things the two music dialogs ask of the window they belong to:
// their parent, whether sound can play, the names of the open waves, a
// dialog of their own run as the window runs dialogs, and playing music.
class TMusicDialogHost {
public:
    virtual ~TMusicDialogHost() = default;
    virtual QWidget* HostWidget() = 0;
    virtual bool CanPlay() = 0;
    virtual QStringList WaveNames() const = 0;
    virtual int RunDialog(QDialog& dialog) = 0;
    // Renders music (all of it, or the notes the filter lets through) and
    // plays it; a render failure has shown its box.
    virtual void PlayMusic(TUnitMuz& doc, const TRenderFilter& filter) = 0;
    // Renders one part with its subtree and plays it.
    virtual void PlayMusicPart(TUnitMuz& doc, TPartMuz& part) = 0;
};

}  // namespace korvane
