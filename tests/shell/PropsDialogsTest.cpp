#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ShellApp.h"
#include "TestSupport.h"
#include "processing/TWorkspace.h"
#include "shell/DLeftRightProps.h"
#include "shell/DRegisterWave.h"
#include "shell/Help.h"
#include "shell/PropsDlg.h"
#include "shell/RecordBrowser.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

QApplication& app() { return ShellApp(); }

struct Opened : OpenedDialog {
    TPropsDlg& props() { return dynamic_cast<TPropsDlg&>(*dialog); }
};

class PropsDialogsTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        app();
        doc = &addWave("", 1000, 2);
    }
    TUnitWave& addWave(const std::string& name, int values, int channels = 1) {
        std::unique_ptr<Sound> sound;
        if (channels == 1) sound = std::make_unique<MonoSound>(makeWave(std::vector<int>(values, 100)), 1000, 2);
        else sound = std::make_unique<StereoSound>(makeWave(std::vector<int>(values, 100)),
                                                   makeWave(std::vector<int>(values, -100)), 1000, 2);
        TUnitWave& w = space.AddWave(std::make_unique<TUnitWave>(std::move(sound), "x.wav"));
        if (!name.empty()) space.SetName(w, name);
        return w;
    }
    Opened open(const std::string& action) {
        Opened o;
        OpenCommandDialog(o, space, *doc, action);
        return o;
    }
    // Presses OK; on acceptance the main window would run the step.
    bool ok(Opened& o) {
        o.dialog->accept();
        if (o.dialog->result() != QDialog::Accepted) return false;
        EXPECT_EQ(o.step->Run(space, *doc, nullptr).kind, StepResult::Done);
        return true;
    }

    TWorkspace space;
    TUnitWave* doc = nullptr;
};

TEST_F(PropsDialogsTest, TwoWrongFieldsGiveOneMessageForTheFirstAndTheDialogStaysOpen) {
    Opened o = open("MakeLine");
    ASSERT_TRUE(o.dialog);
    EXPECT_EQ(o.dialog->windowTitle(), "Make Line");
    o.props().Edit("First Value")->setText("abc");
    o.props().Edit("Length")->setText("20");
    EXPECT_FALSE(ok(o));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "In First Value: Input has no value.");
    EXPECT_EQ(o.props().Edit("First Value")->text(), "abc");
    // The next try reports what is still wrong.
    o.props().Edit("First Value")->setText("10 %");
    EXPECT_FALSE(ok(o));
    EXPECT_EQ(boxes.shown.back().text, "In Length: Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'.");
    o.props().Edit("Length")->setText("20 ms");
    EXPECT_TRUE(ok(o));
    EXPECT_EQ(doc->Records.Line.First.ToText(), "10 %");
}

TEST_F(PropsDialogsTest, AnEnvelopeAlternativeWithNoNamedWaveRefusesOK) {
    for (const char* action : {"Volume", "FilterLow", "Balance"}) {
        boxes.shown.clear();
        Opened o = open(action);
        o.props().Radio("Envelope")->setChecked(true);
        EXPECT_FALSE(ok(o)) << action;
        ASSERT_EQ(boxes.shown.size(), 1u) << action;
        EXPECT_NE(boxes.shown[0].text.find(": You have to select a Wave"), std::string::npos) << action;
    }
    // Distort has no other alternative.
    boxes.shown.clear();
    Opened d = open("Distort");
    EXPECT_FALSE(ok(d));
    EXPECT_EQ(boxes.shown.at(0).text, "In Distort Envelope: You have to select a Wave");
}

TEST_F(PropsDialogsTest, WavePickersListNamedWavesLatestFirstWithTheirFilter) {
    space.SetName(*doc, "active");
    addWave("mono1", 10);
    addWave("", 10);
    addWave("stereo", 10, 2);
    addWave("mono2", 10);
    TWavePicker all(nullptr, space, doc, waveFilterAll);
    TWavePicker others(nullptr, space, doc, waveFilterOthers);
    TWavePicker mono(nullptr, space, doc, waveFilterOtherMono);
    auto items = [](const QComboBox& c) {
        QStringList l;
        for (int i = 0; i < c.count(); ++i) l << c.itemText(i);
        return l.join(",");
    };
    EXPECT_EQ(items(all), "mono2,stereo,mono1,active");
    EXPECT_EQ(items(others), "mono2,stereo,mono1");
    EXPECT_EQ(items(mono), "mono2,mono1");
    EXPECT_EQ(others.currentIndex(), -1);
    others.Select("stereo");
    EXPECT_EQ(others.Wave(), space.FindWave("stereo"));
}

// Each dialog shows the document's record, and what it confirms is what the
// next opening shows.
TEST_F(PropsDialogsTest, ConfirmedValuesComeBackAtTheNextOpening) {
    addWave("env", 50);
    struct Case {
        const char* action;
        const char* caption;
        const char* text;
        const char* title;
    };
    const Case cases[] = {
        {"MakeSilence", "Length", "20 ms", "Make Silence"},
        {"MakeNoise", "Amplitude", "25 %", "Make Noise"},
        {"MakeSinus", "Period", "100 Hz", "Make Sinus"},
        {"MakeBlock", "Height 1", "30 %", "Make Block"},
        {"MakeTriangle", "Period", "50 Hz", "Make Triangle"},
        {"Volume", "Constant", "-6 dB", "Change Volume"},
        {"Up", "Add Value", "10 %", "Up / Down"},
        {"Rotate", "Factor", "0.25", "Rotate"},
        {"Balance", "Direction Constant", "45 '", "Balance"},
        {"FilterHigh", "Frequency", "2 kHz", "High Filter"},
        {"FilterNotch", "Width Constant", "0.5", "Notch Filter"},
        {"FilterBlock", "Block Time", "5 ms", "Block Filter"},
        {"Length", "Length Factor", "200 %", "Change Length"},
        {"RollIn", "Length", "100 ms", "Roll in"},
        {"PerEcho", "Count", "3", "Period Echo"},
        {"MixLeftRight", "from Left to Right", "20 %", "Mix Left Right"},
    };
    for (const Case& c : cases) {
        Opened o = open(c.action);
        ASSERT_NE(dynamic_cast<TPropsDlg*>(o.dialog.get()), nullptr) << c.action;
        EXPECT_EQ(o.dialog->windowTitle(), c.title);
        QLineEdit* edit = o.props().Edit(c.caption);
        ASSERT_NE(edit, nullptr) << c.action;
        edit->setText(c.text);
        EXPECT_TRUE(ok(o)) << c.action << (boxes.shown.empty() ? "" : boxes.shown.back().text);
        Opened again = open(c.action);
        EXPECT_EQ(again.props().Edit(c.caption)->text(), c.text) << c.action;
    }
    // A chosen envelope comes back selected, with its alternative.
    Opened v = open("Volume");
    v.props().Picker("Envelope")->Select("env");
    v.props().ChangeAt(v.props().Radio("Envelope"));
    EXPECT_TRUE(ok(v));
    EXPECT_EQ(doc->Records.Volume.Kind, 1);
    Opened v2 = open("Volume");
    EXPECT_TRUE(v2.props().Radio("Envelope")->isChecked());
    EXPECT_EQ(v2.props().Picker("Envelope")->currentText(), "env");
}

TEST_F(PropsDialogsTest, TypingIntoAnAlternativeChoosesIt) {
    Opened o = open("MakeSinus");
    EXPECT_TRUE(o.props().Radio("Count")->isChecked());
    Q_EMIT o.props().Edit("Length")->textEdited("2 s");
    EXPECT_TRUE(o.props().Radio("Length")->isChecked());
    // An alternative not chosen is not read, even when it is wrong.
    o.props().Edit("Count")->setText("abc");
    o.props().Edit("Length")->setText("2 s");
    EXPECT_TRUE(ok(o)) << (boxes.shown.empty() ? "" : boxes.shown.back().text);
    EXPECT_EQ(doc->Records.Sinus.LengthKind, 1);
    // 2 s of 440 Hz periods, truncated to whole samples.
    EXPECT_NEAR(doc->GetValues(), 1000 + 2000, 1);
}

TEST_F(PropsDialogsTest, RotateRefusesATimeLongerThanTheSelection) {
    Opened o = open("Rotate");
    o.props().Radio("Time")->setChecked(true);
    o.props().Edit("Time")->setText("2 s");
    EXPECT_FALSE(ok(o));
    EXPECT_EQ(boxes.shown.at(0).text, "In Time: Time may not be longer than the time of the sound.");
}

TEST_F(PropsDialogsTest, AnExampleFillsTheFourBoxesAndStaysChosenUntilTheUserTypes) {
    Opened o = open("MixLeftRight");
    auto& d = dynamic_cast<TDlgLeftRightProps&>(*o.dialog);
    d.Examples()->setCurrentIndex(2);
    Q_EMIT d.Examples()->activated(2);  // "Extra Stereo"
    EXPECT_EQ(d.Examples()->currentText(), "Extra Stereo");
    EXPECT_EQ(d.Edit("from Left to Left")->text(), "75 %");
    EXPECT_EQ(d.Edit("from Left to Right")->text(), "-25 %");
    // "Normal" changes only the boxes that differ; the user's next edit
    // still clears the example.
    d.Examples()->setCurrentIndex(0);
    Q_EMIT d.Examples()->activated(0);
    EXPECT_EQ(d.Examples()->currentText(), "Normal");
    d.Edit("from Right to Left")->setText("10 %");
    EXPECT_EQ(d.Examples()->currentIndex(), -1);
    EXPECT_TRUE(ok(o));
    EXPECT_EQ(doc->Records.LeftRight.LeftToLeft.ToText(), "100 %");
    EXPECT_EQ(doc->Records.LeftRight.RightToLeft.ToText(), "10 %");
}

// Typing starts in the first field of every dialog, never on OK.
TEST_F(PropsDialogsTest, EveryDialogOpensWithTheFocusInItsFirstField) {
    int dialogs = 0;
    for (const Command& command : Commands()) {
        if (command.kind != DocKind::Wave || !command.HasDialog() || !command.makeStep) continue;
        SCOPED_TRACE(command.action);
        Opened o = open(command.action);
        if (!o.dialog) continue;
        auto* frame = dynamic_cast<TOKDlg*>(o.dialog.get());
        ASSERT_NE(frame, nullptr);
        frame->show();
        QWidget* focus = frame->focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_TRUE(frame->Body()->isAncestorOf(focus)) << focus->metaObject()->className();
        EXPECT_EQ(focus, FirstField(frame->Body()));
        // The first field is the first control from the top left.
        for (QWidget* w : frame->Body()->findChildren<QWidget*>()) {
            if (w != focus && w->isVisibleTo(frame) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) {
                EXPECT_FALSE(w->mapTo(frame, QPoint()).y() + 4 < focus->mapTo(frame, QPoint()).y() &&
                             w->mapTo(frame, QPoint()).x() + 4 < focus->mapTo(frame, QPoint()).x())
                    << w->metaObject()->className() << " lies above and left of the focus";
            }
        }
        frame->hide();
        ++dialogs;
    }
    EXPECT_GT(dialogs, 25);
}

// A taken name is refused with its message and the dialog stays open; an
// empty name is always taken.
TEST_F(PropsDialogsTest, RegisterStaysOpenUntilTheNameIsFree) {
    addWave("Taken", 10);
    TDlgRegisterWave dialog(nullptr, "", [&](const QString& n) { return space.SetName(*doc, n.toStdString()); });
    dialog.show();
    EXPECT_EQ(dialog.focusWidget(), dialog.NameEdit());
    dialog.NameEdit()->setText(" Taken ");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "A wave with name \"Taken\" already exists.");
    EXPECT_EQ(doc->Name, "");
    dialog.NameEdit()->setText("Free");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(doc->Name, "Free");
    TDlgRegisterWave again(nullptr, "Free", [&](const QString& n) { return space.SetName(*doc, n.toStdString()); });
    again.NameEdit()->clear();
    again.accept();
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(doc->Name, "");
}

TEST_F(PropsDialogsTest, HelpOpensThePageOfTheDialogsContext) {
    Opened o = open("FilterRes");
    auto& d = o.props();
    EXPECT_EQ(d.HelpContext(), 16);
    EXPECT_TRUE(d.HelpButton()->isVisibleTo(&d));
    d.HelpButton()->click();
    THelpWindow* help = ShowHelp(nullptr, 16);
    EXPECT_EQ(help->Context(), 16);
    EXPECT_TRUE(help->PageText().contains("Resonant and Notch Filter"));
    EXPECT_TRUE(help->PageText().contains("Width"));
    ShowHelpContents(nullptr);
    EXPECT_EQ(help->Context(), 0);
    EXPECT_TRUE(help->PageText().contains("Multi Frequency"));
    delete help;
    // Every wave command's own dialog has a page.
    for (const char* action : {"MakeLine", "MakeBlock", "MakeSinus", "MakeNoise", "MakeSilence", "Volume", "Balance",
                               "PerEcho", "RndEcho", "FilterHigh", "FilterRes", "FilterBlock", "Up", "Rotate",
                               "MixLeftRight", "Block", "RollIn", "Distort", "RollOut", "Length", "TempoPitch"}) {
        Opened x = open(action);
        EXPECT_FALSE(HelpPage(x.props().HelpContext()).isEmpty()) << action;
    }
}

// A browser of plain numbers in one edit box.
struct NumberRecord : TBrowseRecord {
    explicit NumberRecord(int v) : Value(v) {}
    int Value;
};

class NumberBrowser : public TRecordBrowser {
public:
    NumberBrowser(QWidget* panel, QLineEdit* edit) : TRecordBrowser(panel), edit_(edit) {}
    int made = 0;

protected:
    TBrowseRecord* ReadControls(std::string& error) override {
        bool good = false;
        int v = edit_->text().toInt(&good);
        if (!good) error = "In Number: Input has no value.";
        return good ? new NumberRecord(v) : nullptr;
    }
    void ShowRecord(const TBrowseRecord& r) override {
        edit_->setText(QString::number(static_cast<const NumberRecord&>(r).Value));
    }
    TBrowseRecord* NewRecord() override { return new NumberRecord(100 + made++); }
    TBrowseRecord* CopyRecord(const TBrowseRecord& r) override {
        return new NumberRecord(static_cast<const NumberRecord&>(r).Value);
    }

private:
    QLineEdit* edit_;
};

class RecordBrowserTest : public ::testing::Test {
protected:
    std::vector<int> values() {
        std::vector<int> v;
        for (TBrowseRecord* r = browser.First(); r; r = r->Next) v.push_back(static_cast<NumberRecord*>(r)->Value);
        return v;
    }
    bool on(const char* name) { return browser.Button(name)->isEnabled(); }
    // The widgets below need the application first, also when this test runs alone.
    QApplication& application = app();
    QWidget panel;
    QLineEdit edit;
    NumberBrowser browser{&panel, &edit};
};

TEST_F(RecordBrowserTest, WalksInsertsAppendsAndDeletes) {
    for (int v : {1, 2, 3}) browser.Add(new NumberRecord(v));
    browser.Open(2);
    EXPECT_EQ(edit.text(), "3");
    EXPECT_EQ(browser.CursorLabel()->text(), "3");
    EXPECT_TRUE(on("btnPrevious"));
    EXPECT_FALSE(on("btnNext"));
    // Deleting the last of three leaves the cursor on the new last record.
    browser.btnDeleteClick();
    EXPECT_EQ(browser.Cursor(), 1);
    EXPECT_EQ(edit.text(), "2");
    EXPECT_EQ(browser.CountLabel()->text(), "2");
    browser.btnFirstClick();
    edit.setText("7");  // kept when the record is left
    browser.btnAppendClick();
    EXPECT_EQ(browser.Cursor(), 1);
    EXPECT_EQ(edit.text(), "100");
    browser.btnInsertClick();
    EXPECT_EQ(browser.Cursor(), 1);
    EXPECT_EQ(edit.text(), "101");
    // A wrong record does not move.
    edit.setText("x");
    browser.btnNextClick();
    EXPECT_EQ(browser.Cursor(), 1);
    edit.setText("5");
    // Deleting in the middle makes the next record current.
    browser.btnDeleteClick();
    EXPECT_EQ(edit.text(), "100");
    ASSERT_TRUE(browser.Close());
    EXPECT_EQ(values(), (std::vector<int>{7, 100, 2}));
    EXPECT_EQ(browser.Count(), 3);
}

TEST_F(RecordBrowserTest, CopyPasteClearAndTheOneRecordList) {
    browser.Add(new NumberRecord(1));
    browser.Open(0);
    EXPECT_FALSE(on("btnDelete"));
    EXPECT_FALSE(on("btnPaste"));
    EXPECT_FALSE(on("btnPrevious"));
    EXPECT_FALSE(on("btnNext"));
    browser.btnDeleteClick();
    EXPECT_EQ(browser.CountLabel()->text(), "1");
    edit.setText("9");
    browser.btnCopyClick();
    EXPECT_TRUE(on("btnPaste"));
    browser.btnAppendClick();
    EXPECT_TRUE(on("btnDelete"));
    browser.btnPasteClick();
    EXPECT_EQ(edit.text(), "9");
    browser.btnLastClick();
    ASSERT_TRUE(browser.Close());
    EXPECT_EQ(values(), (std::vector<int>{9, 9}));
    browser.Open(0);
    browser.btnClearClick();
    EXPECT_EQ(browser.CountLabel()->text(), "1");
    EXPECT_EQ(browser.CursorLabel()->text(), "1");
    ASSERT_TRUE(browser.Close());
    EXPECT_EQ(values().size(), 1u);
}

}  // namespace
