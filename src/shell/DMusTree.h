#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

#include "music/MusicTree.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvane {

class TMusicDialogHost;
class TMDIChildMuz;

// "Music Parts": the part tree of the active music document, with the
// commands that build and rearrange it. A modeless window that stays on top,
// with its own menus, tool bar and a status bar for the hints. Every
// operation is TMusTree's; this window fills the tree view from its listing
// and hands the events to it.
class TDlgMusTree : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 52;

    explicit TDlgMusTree(TMusicDialogHost& main);
    ~TDlgMusTree() override;

    // Shows this window's document; none empties the tree and disables everything.
    void ShowFor(TMDIChildMuz* child);
    // Builds the tree view anew after the document changed elsewhere.
    void Refresh();
    TUnitMuz* Doc() const;

    QAction* Action(TMusTreeAction action) const { return actions_[action]; }
    // An action of the menus and the tool bar, as if chosen.
    void RunAction(TMusTreeAction action);
    // Leaving Count or Pitch: a changed text is committed for the node it was
    // typed for; a refused one shows its Input Error box and puts the focus
    // back. False when refused.
    bool ExitControl(QWidget* control);
    // "Apply": commits the pending edit.
    void Apply();
    // The tree view's item of a node, or null.
    QTreeWidgetItem* ItemOf(const TMusTreeItem* node) const;

    // Told after every change the dialog made to the document.
    std::function<void()> Changed;

    QTreeWidget* tvMusParts = nullptr;
    QGroupBox* grpMusicPart = nullptr;
    QLineEdit* editCount = nullptr;
    QLineEdit* editPitch = nullptr;
    QLineEdit* editOctave = nullptr;
    QCheckBox* chkPlayDraw = nullptr;
    QPushButton* btnPlay = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnHelp = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Updating {
        explicit Updating(int& counter) : counter_(counter) { ++counter_; }
        ~Updating() { --counter_; }
        int& counter_;
    };

    void buildActions();
    void buildForm();
    void buildTree(QWidget* central);
    // The group of the selected part's settings, with its Play button.
    void buildPartGroup(QWidget* central);
    // The edits', box's and buttons' signals.
    void connectForm();
    void rebuild();
    void relabel();
    void fillPart();
    // The node an item of the view shows, while it is still in the tree.
    TMusTreeItem* nodeOf(QTreeWidgetItem* item) const;
    bool settle();
    void committed();
    void currentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void labelEdited(QTreeWidgetItem* item);
    void openedOrClosed(QTreeWidgetItem* item, bool open);
    void playDrawClicked();
    void playSubtree();
    void pitchTyped();

    TMusicDialogHost& main_;
    QPointer<TMDIChildMuz> child_;
    std::array<QAction*, treeActionCount> actions_{};
    int updating_ = 0;
    // The root has no flag of its own in the document; the view keeps it.
    bool rootOpen_ = true;
    // The edit typed into and not committed yet, and the node it was typed for.
    QWidget* pending_ = nullptr;
    TMusTreeItem* pendingNode_ = nullptr;
    QWidget* exitQueued_ = nullptr;
    QWidget* lastExited_ = nullptr;
};

// The pictures of the tree's nodes, by TMusTreeImage.
QIcon MusTreeNodeIcon(TMusTreeImage image);

}  // namespace korvane
