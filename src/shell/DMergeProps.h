#pragma once

#include <QString>
#include <vector>

#include "processing/SplitMerge.h"
#include "shell/OKDlg.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QRadioButton;
class QTabWidget;

namespace korvane {

class TMDIChildWave;
class TUnitWave;

// The common body of the two merge dialogs: two boxes choosing the open wave
// windows by name, and, once both are chosen, one tab for each property in
// which the two waves differ, showing both present values and a
// preselection. A property without a tab takes the first wave's value.
class TMergeDlg : public TOKDlg {
    Q_OBJECT
public:
    // `first` and `last` name the two boxes ("First", "Left").
    TMergeDlg(QWidget* parent, const QString& caption, int helpContext, const QString& first, const QString& last,
              const std::vector<TMDIChildWave*>& windows, TMDIChildWave* active);

    QComboBox* FirstBox() const { return boxes_[0]; }
    QComboBox* LastBox() const { return boxes_[1]; }
    TMDIChildWave* First() const;
    TMDIChildWave* Last() const;
    QTabWidget* Tabs() const { return tabs_; }
    // The titles of the tabs shown now.
    QStringList TabTitles() const;
    // A radio button on the tabs by its text; null when its tab is not shown.
    QRadioButton* Radio(const QString& text) const;
    // The frequency list; null when the frequencies agree.
    QComboBox* FrequencyList() const { return frequency_; }

protected:
    bool OKBtnClick() override;
    // Adds the tabs of the properties the two differ in, preselected.
    virtual void FillTabs(const TMDIChildWave& first, const TMDIChildWave& last) = 0;
    // Takes the chosen values, and the first wave's for a property without a tab.
    virtual void ReadTabs(const TMDIChildWave& first, const TMDIChildWave& last) = 0;

    // A tab of radio buttons with the two present values above them;
    // `chosen` is checked.
    QButtonGroup* AddChoiceTab(const QString& title, const QString& firstValue, const QString& lastValue,
                               const QStringList& choices, int chosen, const QString& groupTitle = {});
    // The "Frequency" tab, when the two frequencies differ.
    void AddFrequencyTab(const TUnitWave& first, const TUnitWave& last, int32_t preselected);
    // The frequency chosen in the tab, or `otherwise` without the tab.
    int32_t ChosenFrequency(int32_t otherwise) const;
    static int Checked(const QButtonGroup* group, int otherwise);
    // Whether the two windows show their waves alike (view kind and settings).
    static bool SameDisplay(const TMDIChildWave& a, const TMDIChildWave& b);
    static QString DisplayText(const TMDIChildWave& w);

    // Shows the tabs of the chosen pair; the derived dialog calls it once
    // it is built, and the boxes call it on every change.
    void Rebuild();

    QString names_[2];

private:
    std::vector<TMDIChildWave*> windows_;
    QComboBox* boxes_[2];
    QTabWidget* tabs_;
    QLabel* same_;
    QComboBox* frequency_ = nullptr;
    std::vector<QButtonGroup*> groups_;
};

// "Merge Horizontally": the last wave after the first.
class TDlgMergeHorProps : public TMergeDlg {
    Q_OBJECT
public:
    TDlgMergeHorProps(QWidget* parent, const std::vector<TMDIChildWave*>& windows, TMDIChildWave* active,
                      const TMergeHorProps& props);
    const TMergeHorProps& Record() const { return props_; }

protected:
    void FillTabs(const TMDIChildWave& first, const TMDIChildWave& last) override;
    void ReadTabs(const TMDIChildWave& first, const TMDIChildWave& last) override;

private:
    TMergeHorProps props_;
    QButtonGroup* channels_ = nullptr;
    QButtonGroup* bits_ = nullptr;
    QButtonGroup* display_ = nullptr;
};

// "Merge Vertically": the left wave as left channel, the right one as right.
class TDlgMergeVertProps : public TMergeDlg {
    Q_OBJECT
public:
    TDlgMergeVertProps(QWidget* parent, const std::vector<TMDIChildWave*>& windows, TMDIChildWave* active,
                       const TMergeVertProps& props);
    const TMergeVertProps& Record() const { return props_; }

protected:
    void FillTabs(const TMDIChildWave& first, const TMDIChildWave& last) override;
    void ReadTabs(const TMDIChildWave& first, const TMDIChildWave& last) override;

private:
    TMergeVertProps props_;
    QButtonGroup* rule_ = nullptr;
    QButtonGroup* bits_ = nullptr;
    QButtonGroup* display_ = nullptr;
};

}  // namespace korvane
