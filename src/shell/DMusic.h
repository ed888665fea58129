#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "music/MusicDialogModel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace korvane {

class TMusicDialogHost;
class TMDIChildMuz;

// "Music": the tempo of the active music document, its staves, the note
// groups of the current stave and the one-players of the current group.
// Modeless; the main window makes it once and points it at the active music
// window. The cursors of the three browsers live in the document, so the
// dialog only fills its controls from TMusicDialogModel and hands every
// event to it.
class TDlgMusic : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 51;
    // The pages of pcPlay are the player kinds 0 to 4; one more page without
    // a tab is shown while there is no kind to show.
    static constexpr int kNoPage = 5;

    explicit TDlgMusic(TMusicDialogHost& main);
    ~TDlgMusic() override;

    // Shows this window's document; none empties and disables the dialog.
    void ShowFor(TMDIChildMuz* child);
    // Fills the controls anew after the document changed elsewhere (the music
    // window dragged a stave border, a command changed the staves).
    void Refresh();
    TUnitMuz* Doc() const;

    // Leaving an edit box or a sample-wave box: a changed text is committed;
    // a refused one shows its Input Error box, keeps the old value and puts
    // the focus back. False when refused.
    bool ExitControl(QWidget* control);
    // "Apply": commits the pending edit and gives the focus back to it.
    void Apply();
    // The sample-wave boxes list the names of the open waves; done whenever
    // the dialog is activated.
    void FillWaveNames();

    // Told after every change the dialog made to the document.
    std::function<void()> Changed;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // One browser: its group box, counters and buttons (btnStaveFirst ...).
    struct Browser {
        QGroupBox* box = nullptr;
        QLineEdit* count = nullptr;
        QLineEdit* cursor = nullptr;
        std::array<QPushButton*, musicButtonCount> buttons{};
    };
    // An edit box or sample-wave box and what reads and writes its text.
    struct TextField {
        QWidget* control;
        int level;  // -1 for the document, else the TMusicLevel whose item it edits
        int page;   // the pcPlay page it belongs to, or -1
        std::function<bool(TMusicDialogModel&, const std::string&, std::string&)> set;
        std::function<std::string(TMusicDialogModel&)> text;
    };
    // Raised while the dialog fills its controls: their change events do nothing.
    struct Updating {
        explicit Updating(int& counter) : counter_(counter) { ++counter_; }
        ~Updating() { --counter_; }
        int& counter_;
    };

    void build();
    QWidget* buildBrowser(TMusicLevel level, const QString& noun, Browser& browser);
    QWidget* buildStave();
    QWidget* buildGroup();
    QWidget* buildPlayer();
    QLineEdit* addEdit(const QString& name, int level, int page,
                       std::function<bool(TMusicDialogModel&, const std::string&, std::string&)> set,
                       std::function<std::string(TMusicDialogModel&)> text);
    QComboBox* addSampleWave(const QString& name, int page);
    QPushButton* addColourBox(const QString& name, std::function<void(TMusicDialogModel&, int)> set);
    void watch(QWidget* control);
    TextField* fieldOf(QWidget* control);

    void fill();
    void fillBrowser(TMusicDialogModel* model, TMusicLevel level);
    void fillText(TMusicDialogModel* model, const TextField& field);
    void setColour(QPushButton* box, int colour);
    // Commits the pending edit first; false when it was refused.
    bool settle();
    // Runs a change that takes effect at once, then repaints and tells.
    void change(const std::function<void(TMusicDialogModel&)>& operation);
    void committed();
    void press(TMusicLevel level, TMusicButton button);
    void chooseColour(QPushButton* box, const std::function<void(TMusicDialogModel&, int)>& set);
    void choosePage(int page);
    void play(bool stave);

    TMusicDialogHost& main_;
    // The window whose document is shown; the document is asked of it each
    // time, so a closed window leaves nothing behind.
    QPointer<TMDIChildMuz> child_;
    int updating_ = 0;
    // The control whose text changed and is not committed yet (the changed flag).
    QWidget* pending_ = nullptr;
    // A focus loss commits after the focus has settled; this is that control.
    QWidget* exitQueued_ = nullptr;
    QWidget* lastExited_ = nullptr;
    std::vector<TextField> fields_;
    std::array<Browser, musicLevelCount> browsers_;

public:
    // The controls, by the names the tests and the form know them.
    QLineEdit* editTempo = nullptr;
    QLabel* labelQuarterRate = nullptr;
    QLineEdit* editStaveRoomUp = nullptr;
    QLineEdit* editStaveRoomDown = nullptr;
    QPushButton* colbStaveForeground = nullptr;
    QPushButton* colbStaveBackground = nullptr;
    QCheckBox* chkStaveAllowJoinFlags = nullptr;
    QCheckBox* chkStaveEnableSound = nullptr;
    QCheckBox* chkStaveExtraLines = nullptr;
    QPushButton* btnStavePlay = nullptr;
    QPushButton* colbGroupNoteColor = nullptr;
    QGroupBox* grpGroupNoteShape = nullptr;
    QRadioButton* rbGroupNoteShapeNormal = nullptr;
    QRadioButton* rbGroupNoteShapeRectangle = nullptr;
    QCheckBox* chkGroupDrawSticksUp = nullptr;
    QCheckBox* chkGroupDrawSticksDown = nullptr;
    QPushButton* btnGroupPlay = nullptr;
    QLineEdit* editPlayVolumeFactor = nullptr;
    QLineEdit* editPlayFreqUp = nullptr;
    QTabWidget* pcPlay = nullptr;
    std::array<QComboBox*, 5> sampleWaves{};  // cboPlaySOSSampleWave ... by page
    QLineEdit* editPlaySOSBasicFreq = nullptr;
    QLineEdit* editPlayRSResonantFactor = nullptr;
    QLineEdit* editPlayROSBasicFreq = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* Button(TMusicLevel level, TMusicButton button) const { return browsers_[level].buttons[button]; }
    QLineEdit* CountBox(TMusicLevel level) const { return browsers_[level].count; }
    QLineEdit* CursorBox(TMusicLevel level) const { return browsers_[level].cursor; }
};

}  // namespace korvane
