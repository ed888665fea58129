#pragma once

#include <string>
#include <vector>

#include "shell/RecentFiles.h"

class QAction;
class QMenu;
class QString;

namespace korvane {

class TRecentMenuHost;

// The File menu's list of the files opened and saved last, above Exit: "&1
// name" opens the newest again from the keyboard.
class TRecentMenu {
public:
    // The entries go into `file` before `exit`, with a line after them.
    TRecentMenu(TRecentMenuHost& host, QMenu& file, QAction& exit);

    // The entries, newest first, and the line after them.
    const std::vector<QAction*>& Actions() const { return actions_; }
    // A file opened or saved goes first in the list and the menu.
    void Remember(const std::string& file);

private:
    void refresh();
    void open(const QString& file);

    TRecentMenuHost& host_;
    QMenu& file_;
    QAction& exit_;
    TRecentFiles files_;
    std::vector<QAction*> actions_;
};

}  // namespace korvane
