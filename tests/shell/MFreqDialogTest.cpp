#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ShellApp.h"
#include "TestSupport.h"
#include "processing/TWorkspace.h"
#include "shell/DMFreqProps.h"
#include "shell/Help.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

QApplication& app() { return ShellApp(); }

struct Opened : OpenedDialog {
    TDlgMFreqProps& d() { return dynamic_cast<TDlgMFreqProps&>(*dialog); }
    TMFreqRecordBrowser& browser() { return d().Browser(); }
    QLineEdit* row(const char* caption) { return d().RowEdit(caption); }
    void click(const char* button) { browser().Button(button)->click(); }
};

class MFreqDialogTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        app();
        doc = &space.AddWave(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({}), 1000, 2), "d.wav"));
        // Four samples: at 250 Hz each output sample reads the next one.
        TUnitWave& form = space.AddWave(
            std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({0, 1000, 0, -1000}), 1000, 2), "f.wav"));
        ASSERT_TRUE(space.SetName(form, "form"));
    }
    template <class F>
    static void set(F& field, const std::string& text) {
        std::string message;
        ASSERT_TRUE(field.FromText(text, "", message)) << message;
    }
    // 8 ms of two partials of the wave "form".
    void twoRows() {
        TMFreqProps& p = doc->Records.MFreq;
        set(p.Length, "8 ms");
        std::string message;
        ASSERT_TRUE(p.Form.FromName("form", "Wave Form", message,
                                    [this](const std::string& n, const std::string&) { return space.FindWave(n); }));
        p.Rows.assign(2, TMFreqRow());
        set(p.Rows[0].Volume, "1");
        set(p.Rows[0].Frequency, "250 Hz");
        set(p.Rows[0].VolumeFactor, "1");
        set(p.Rows[1].Frequency, "250 Hz");
        set(p.Rows[1].StartAngle, "0.25");
        set(p.Rows[1].VolumeFactor, "1");
    }
    Opened open() {
        Opened o;
        OpenCommandDialog(o, space, *doc, "MakeMFreq");
        return o;
    }
    // Presses OK; on acceptance the main window would run the step.
    bool ok(Opened& o) {
        o.dialog->accept();
        if (o.dialog->result() != QDialog::Accepted) return false;
        EXPECT_EQ(o.step->Run(space, *doc, nullptr).kind, StepResult::Done);
        return true;
    }
    std::vector<int> samples() { return samplesOf(doc->TheSound->GetLeft()); }
    std::string lastBox() { return boxes.shown.empty() ? "" : boxes.shown.back().text; }

    TWorkspace space;
    TUnitWave* doc = nullptr;
};

TEST_F(MFreqDialogTest, ShowsTheDocumentsRowsAndMakesTheSoundOfTheConfirmedOnes) {
    twoRows();
    Opened o = open();
    EXPECT_EQ(o.dialog->windowTitle(), "Multi Frequency");
    EXPECT_EQ(o.d().HelpContext(), 37);
    EXPECT_EQ(o.d().Edit("Length")->text(), "8 ms");
    EXPECT_TRUE(o.d().Radio("Wave Form")->isChecked());
    EXPECT_EQ(o.d().Picker("Wave Form")->currentText(), "form");
    EXPECT_EQ(o.browser().CountLabel()->text(), "2");
    EXPECT_EQ(o.row("Volume")->text(), "1");
    EXPECT_EQ(o.row("Frequency")->text(), "250 Hz");
    o.click("btnNext");
    EXPECT_EQ(o.row("Volume")->text(), "50 %");
    EXPECT_EQ(o.row("Start Angle")->text(), "0.25");
    EXPECT_EQ(o.row("Time")->text(), "1 s");
    ASSERT_TRUE(ok(o)) << lastBox();
    // The first partial reads the form from its start, the second at half
    // volume a quarter further on.
    EXPECT_EQ(samples(), (std::vector<int>{500, 1000, 0, 500, 1000, 0, 500, 1000}));
    ASSERT_EQ(doc->Records.MFreq.Rows.size(), 2u);

    // The next opening shows them again; one partial alone sounds different.
    Opened again = open();
    EXPECT_EQ(again.browser().CountLabel()->text(), "2");
    again.click("btnLast");
    EXPECT_EQ(again.row("Start Angle")->text(), "0.25");
    again.click("btnDelete");
    EXPECT_EQ(again.row("Volume")->text(), "1");
    ASSERT_TRUE(ok(again)) << lastBox();
    EXPECT_EQ(samples(), (std::vector<int>{0, 1000, 0, 0, 1000, 0, 0, 1000}));
    EXPECT_EQ(doc->Records.MFreq.Rows.size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MFreqDialogTest, OnlyTheFirstWrongThingIsReportedAndTheBrowserStaysUsable) {
    twoRows();
    Opened o = open();
    o.row("Frequency")->setText("xyz");
    o.d().Edit("Length")->setText("10 %");
    EXPECT_FALSE(ok(o));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "In Length: Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'.");
    EXPECT_TRUE(o.browser().IsOpen());

    o.d().Edit("Length")->setText("20 ms");
    EXPECT_FALSE(ok(o));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "In Frequency: Input has no value.");
    EXPECT_TRUE(o.browser().IsOpen());
    EXPECT_EQ(o.row("Frequency")->text(), "xyz");

    // Walking away from the wrong row gives the same one message and stays.
    o.click("btnNext");
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2].text, "In Frequency: Input has no value.");
    EXPECT_EQ(o.browser().Cursor(), 0);
    o.row("Frequency")->setText("500 Hz");
    o.click("btnNext");
    EXPECT_EQ(o.browser().Cursor(), 1);
    ASSERT_TRUE(ok(o)) << lastBox();
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(doc->Records.MFreq.Rows.at(0).Frequency.ToText(), "500 Hz");
    EXPECT_EQ(doc->GetValues(), 20);
}

// The step refuses an empty wave form after the rows were read; the user
// goes on at the same row, and the document keeps its sound.
TEST_F(MFreqDialogTest, AnEmptyWaveFormIsRefusedAndTheBrowserStaysOpenAtItsRow) {
    twoRows();
    TUnitWave& empty =
        space.AddWave(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({}), 1000, 2), "e.wav"));
    ASSERT_TRUE(space.SetName(empty, "empty"));
    Opened o = open();
    o.d().Picker("Wave Form")->Select("empty");
    o.click("btnNext");
    o.row("Volume")->setText("20 %");
    EXPECT_FALSE(ok(o));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "In Wave Form: The wave is empty.");
    ASSERT_TRUE(o.browser().IsOpen());
    EXPECT_EQ(o.browser().Cursor(), 1);
    EXPECT_EQ(o.row("Volume")->text(), "20 %");
    o.click("btnFirst");
    EXPECT_EQ(o.row("Volume")->text(), "1");
    o.click("btnNext");
    EXPECT_EQ(o.row("Volume")->text(), "20 %");
    EXPECT_EQ(doc->GetValues(), 0);
    EXPECT_EQ(doc->Records.MFreq.Rows.at(1).Volume.ToText(), "50 %");
    // The same rows with the form that has samples.
    o.d().Picker("Wave Form")->Select("form");
    ASSERT_TRUE(ok(o)) << lastBox();
    EXPECT_EQ(samples(), (std::vector<int>{200, 1000, 0, 200, 1000, 0, 200, 1000}));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(MFreqDialogTest, SinusClearsTheFormAndAWaveFormNeedsANamedWave) {
    twoRows();
    Opened o = open();
    o.d().Radio("Sinus")->setChecked(true);
    ASSERT_TRUE(ok(o)) << lastBox();
    EXPECT_EQ(doc->Records.MFreq.Form.ToText(), "");
    EXPECT_EQ(doc->Records.MFreq.Form.GetUnitWave(), nullptr);
    // The sine table rather than the form: full scale a quarter period in.
    std::vector<int> sine = samples();
    ASSERT_EQ(sine.size(), 8u);
    EXPECT_EQ(sine[0], 16383);
    EXPECT_GT(sine[1], 32000);

    Opened again = open();
    EXPECT_TRUE(again.d().Radio("Sinus")->isChecked());
    EXPECT_EQ(again.d().Picker("Wave Form")->currentIndex(), -1);
    again.d().Radio("Wave Form")->setChecked(true);
    EXPECT_FALSE(ok(again));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "In Wave Form: You have to select a Wave");
    EXPECT_TRUE(again.browser().IsOpen());
    // Choosing a wave chooses the alternative.
    again.d().Radio("Sinus")->setChecked(true);
    again.d().Picker("Wave Form")->setCurrentIndex(0);
    Q_EMIT again.d().Picker("Wave Form")->activated(0);
    EXPECT_TRUE(again.d().Radio("Wave Form")->isChecked());
    ASSERT_TRUE(ok(again)) << lastBox();
    EXPECT_EQ(doc->Records.MFreq.Form.ToText(), "form");
    EXPECT_EQ(samples(), (std::vector<int>{500, 1000, 0, 500, 1000, 0, 500, 1000}));
}

TEST_F(MFreqDialogTest, WalkingKeepsEditedRowsAndUneditedValuesExactly) {
    twoRows();
    // A frequency its text shows rounded.
    set(doc->Records.MFreq.Rows[0].Frequency, "440.123456789 Hz");
    const double exact = doc->Records.MFreq.Rows[0].Frequency.GetValue();
    Opened o = open();
    const QString shown = o.row("Frequency")->text();
    TMFreqRow reread;
    set(reread.Frequency, shown.toStdString());
    ASSERT_NE(reread.Frequency.GetValue(), exact) << shown.toStdString();

    o.row("Volume")->setText("25 %");
    o.click("btnNext");
    o.row("Time")->setText("2 s");
    o.click("btnPrevious");
    EXPECT_EQ(o.row("Volume")->text(), "25 %");
    EXPECT_EQ(o.row("Frequency")->text(), shown);
    // A copy carries the exact value too.
    o.click("btnCopy");
    o.click("btnAppend");
    EXPECT_EQ(o.browser().Cursor(), 1);
    EXPECT_EQ(o.browser().CountLabel()->text(), "3");
    EXPECT_EQ(o.row("Volume")->text(), "50 %");
    EXPECT_EQ(o.row("Frequency")->text(), "440 Hz");
    o.click("btnPaste");
    o.row("Start Angle")->setText("0.5");
    o.click("btnLast");
    EXPECT_EQ(o.row("Time")->text(), "2 s");
    ASSERT_TRUE(ok(o)) << lastBox();

    const auto& rows = doc->Records.MFreq.Rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Volume.ToText(), "25 %");
    EXPECT_EQ(rows[0].Frequency.GetValue(), exact);
    EXPECT_EQ(rows[1].Volume.ToText(), "25 %");
    EXPECT_EQ(rows[1].Frequency.GetValue(), exact);
    EXPECT_EQ(rows[1].StartAngle.ToText(), "0.5");
    EXPECT_EQ(rows[2].Time.ToText(), "2 s");
    EXPECT_EQ(rows[2].StartAngle.ToText(), "0.25");
}

TEST_F(MFreqDialogTest, TheHelpPageNamesTheFieldsAndButtons) {
    Opened o = open();
    QString page = HelpPage(o.d().HelpContext());
    for (const char* text : {"Length", "Sinus", "Wave Form", "Record n of m"}) EXPECT_TRUE(page.contains(text)) << text;
    TMFreqRow row;
    TFieldList fields = row.Fields();
    for (const TFieldEntry& e : fields.Entries()) {
        ASSERT_NE(o.row(e.Caption.c_str()), nullptr) << e.Caption;
        EXPECT_TRUE(page.contains(QString::fromStdString(e.Caption))) << e.Caption;
    }
    for (const char* button : {"btnInsert", "btnAppend", "btnDelete", "btnCopy", "btnPaste", "btnClear"})
        EXPECT_TRUE(page.contains(o.browser().Button(button)->text())) << button;
}

}  // namespace
