#include "shell/DSelZoom.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/Messages.h"
#include "shell/ChildWave.h"
#include "shell/Help.h"
#include "shell/OKDlg.h"
#include "values/ValueWriters.h"
#include "wavewindow/WaveSelect.h"

namespace korvane {

namespace {
QString timeText(double samples, int32_t freq) {
    return QString::fromStdString(WriteNumber(samples / freq, 1, 0, 6) + " s");
}
}  // namespace

TDlgSelZoom::TDlgSelZoom(QWidget* parent, std::function<TMDIChildWave*()> activeWave)
    : QDialog(parent), activeWave_(std::move(activeWave)) {
    setWindowTitle("Select and Zoom");
    auto* form = new QFormLayout;
    rbCursor = new QRadioButton("Cursor", this);
    rbPart = new QRadioButton("Part", this);
    rbCursor->setChecked(true);
    editCursor = new QLineEdit(this);
    editPartBegin = new QLineEdit(this);
    editPartEnd = new QLineEdit(this);
    chkZoomed = new QCheckBox("Zoomed", this);
    editZoomBegin = new QLineEdit(this);
    editZoomEnd = new QLineEdit(this);
    form->addRow(rbCursor);
    form->addRow("Cursor At:", editCursor);
    form->addRow(rbPart);
    form->addRow("Part Begin:", editPartBegin);
    form->addRow("Part End:", editPartEnd);
    form->addRow(chkZoomed);
    form->addRow("Zoom Begin:", editZoomBegin);
    form->addRow("Zoom End:", editZoomEnd);
    // Typing into an alternative's edit box chooses it.
    connect(editCursor, &QLineEdit::textEdited, this, [this] { rbCursor->setChecked(true); });
    connect(editPartBegin, &QLineEdit::textEdited, this, [this] { rbPart->setChecked(true); });
    connect(editPartEnd, &QLineEdit::textEdited, this, [this] { rbPart->setChecked(true); });
    connect(editZoomBegin, &QLineEdit::textEdited, this, [this] { chkZoomed->setChecked(true); });
    connect(editZoomEnd, &QLineEdit::textEdited, this, [this] { chkZoomed->setChecked(true); });

    auto* apply = new QPushButton("Apply", this);
    auto* close = new QPushButton("Close", this);
    auto* help = new QPushButton("Help", this);
    apply->setDefault(true);
    connect(help, &QPushButton::clicked, this, [this] { ShowHelp(this, 40); });
    // F1 as in the other dialogs; this one is modeless and has no OK frame.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelp(this, 40); });
    connect(apply, &QPushButton::clicked, this, &TDlgSelZoom::Apply);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(apply);
    buttons->addWidget(close);
    buttons->addWidget(help);
    buttons->addStretch();
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(form, 1);
    outer->addLayout(buttons);
}

void TDlgSelZoom::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FillFromWindow();
    if (!focusWidget())
        if (QWidget* first = FirstField(this)) first->setFocus(Qt::TabFocusReason);
}

void TDlgSelZoom::FillFromWindow() {
    TMDIChildWave* child = activeWave_ ? activeWave_() : nullptr;
    if (!child || !child->Doc() || child->Doc()->GetFreq() <= 0) return;
    const TUnitWave& doc = *child->Doc();
    int32_t freq = doc.GetFreq();
    editCursor->setText(timeText(doc.FirstSel, freq));
    editPartBegin->setText(timeText(doc.SelBegin(), freq));
    editPartEnd->setText(timeText(doc.SelEnd(), freq));
    (doc.HasSelection() ? rbPart : rbCursor)->setChecked(true);
    TWaveMapping m = child->Mapping();
    chkZoomed->setChecked(child->Zoomed());
    editZoomBegin->setText(timeText(m.ZoomBegin, freq));
    editZoomEnd->setText(timeText(m.ZoomEnd, freq));
}

void TDlgSelZoom::Apply() {
    TMDIChildWave* child = activeWave_ ? activeWave_() : nullptr;
    if (!child || !child->Doc()) return;
    TUnitWave& doc = *child->Doc();
    TSelZoomInput in;
    in.Part = rbPart->isChecked();
    in.CursorAt = editCursor->text().toStdString();
    in.PartBegin = editPartBegin->text().toStdString();
    in.PartEnd = editPartEnd->text().toStdString();
    in.Zoomed = chkZoomed->isChecked();
    in.ZoomBegin = editZoomBegin->text().toStdString();
    in.ZoomEnd = editZoomEnd->text().toStdString();
    TSelZoomResult r = ReadSelZoom(in, doc.GetValues(), doc.GetFreq());
    if (!r.Error.empty()) {
        messages().show("Input Error", r.Error, MessageIcon::Error);
        return;
    }
    if (r.SelBegin == r.SelEnd) {
        doc.SetCursor(r.SelBegin);
    } else {
        doc.SetCursor(r.SelBegin);
        doc.SetFirstEnd(r.SelEnd);
    }
    if (r.Zoomed) child->ZoomTo(r.ZoomBegin, r.ZoomEnd);
    else child->Unzoom();
}

}  // namespace korvane
