#include "shell/RecentMenu.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "platform/Messages.h"
#include "shell/RecentMenuHost.h"

namespace korvane {

TRecentMenu::TRecentMenu(TRecentMenuHost& host, QMenu& file, QAction& exit) : host_(host), file_(file), exit_(exit) {
    refresh();
}

void TRecentMenu::Remember(const std::string& file) {
    files_.Add(file);
    refresh();
}

void TRecentMenu::refresh() {
    for (QAction* a : actions_) {
        file_.removeAction(a);
        a->deleteLater();
    }
    actions_.clear();
    const auto& files = files_.Files();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString name = QString::fromStdString(files[i]);
        // "&1 name": the digit opens it from the keyboard; an & of the name stays an &.
        QString shown = name;
        shown.replace('&', "&&");
        auto* a = new QAction(QString("&%1 %2").arg(i + 1).arg(shown), &file_);
        a->setData(name);
        a->setStatusTip(name);
        QObject::connect(a, &QAction::triggered, a, [this, name] { open(name); });
        file_.insertAction(&exit_, a);
        actions_.push_back(a);
    }
    if (!files.empty()) {
        QAction* line = file_.insertSeparator(&exit_);
        actions_.push_back(line);
    }
}

void TRecentMenu::open(const QString& file) {
    if (!QFileInfo::exists(file)) {
        messages().show("File Error", "Cannot read the file: \"" + file.toStdString() + "\", it is no longer there.",
                        MessageIcon::Error);
        files_.Remove(file.toStdString());
        refresh();
        return;
    }
    const bool music = file.endsWith(".xml", Qt::CaseInsensitive) || file.endsWith(".korvanem", Qt::CaseInsensitive);
    if (music) host_.OpenMusicFiles({file});
    else host_.OpenWaveFiles({file});
    host_.UpdateActions();
}

}  // namespace korvane
