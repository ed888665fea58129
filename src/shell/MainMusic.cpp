// The main window's music documents: new, open, duplicate, save, properties,
// play, generate, single notes and the status bar of a music window.
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <cmath>
#include <numeric>

#include "music/MusicEdit.h"
#include "music/MusicReadout.h"
#include "musicfile/MuzFile.h"
#include "platform/Messages.h"
#include "render/MusicRender.h"
#include "shell/BusyCursor.h"
#include "shell/ChildMuz.h"
#include "shell/DMusTree.h"
#include "shell/DMusic.h"
#include "shell/DWaveFileProp.h"
#include "shell/Main.h"
#include "shell/MusicInstruments.h"
#include "values/ValueWriters.h"

namespace korvane {

namespace {

const char* const kMusicFilter = "Music Files (*.korvanem);;XML Files (*.xml);;All files (*)";

// A length in whole notes as a fraction: "1/4", "3/8", "1".
std::string lengthText(double length) {
    const long long unit = 1024;
    long long n = std::llround(length * unit);
    long long d = unit;
    const long long g = std::gcd(n, d);
    if (g > 0) {
        n /= g;
        d /= g;
    }
    return d == 1 ? std::to_string(n) : std::to_string(n) + "/" + std::to_string(d);
}

// A note's name with its accidental and octave, the C of the middle octave
// being "c4": "fis4", "bes3", "eses5".
std::string noteName(const TMuzNote& note) {
    static const char letters[7] = {'c', 'd', 'e', 'f', 'g', 'a', 'b'};
    const int pitch = note.GetPitch();
    const int step = ((pitch % 7) + 7) % 7;
    const int octave = 4 + (pitch - step) / 7;
    const char letter = letters[step];
    const bool vowel = letter == 'a' || letter == 'e';
    std::string name(1, letter);
    switch (note.GetNoteShiftKind()) {
        case noteShiftKruis: name += "is"; break;
        case noteShiftDoubleKruis: name += "isis"; break;
        case noteShiftMol: name += vowel ? "s" : "es"; break;
        case noteShiftDoubleMol: name += vowel ? "ses" : "eses"; break;
        default: break;
    }
    return name + std::to_string(octave);
}

}  // namespace

TMDIChildMuz* TMainForm::ActiveMusicChild() const {
    TMDIChildKorvane* child = ActiveChild();
    return child && child->Kind() == unitKindMuz ? static_cast<TMDIChildMuz*>(child) : nullptr;
}

TMDIChildMuz* TMainForm::showMusic(TUnitMuz& unit) {
    unit.Sounder = this;
    auto* child = new TMDIChildMuz(unit);
    child->QueryClose = [this](TMDIChildKorvane& c) { return queryClose(c); };
    child->Closed = [this](TMDIChildKorvane& c) { childClosed(c); };
    child->Changed = [this] {
        UpdateActions();
        // A stave border dragged in the score shows in Room Up and Room Down.
        musicDialog_->Refresh();
        musTreeDialog_->Refresh();
    };
    child->ToggleMusicDialog = [this] { MusicDialogExecute(); };
    child->Duplicate = [this] { DuplicateMuzExecute(); };
    QMdiSubWindow* sub = mdi_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(760, 420);
    child->RefreshCaption();
    sub->show();
    placer_->PlaceNew(sub);
    mdi_->setActiveSubWindow(sub);
    child->setFocus();
    UpdateActions();
    return child;
}

TMDIChildMuz* TMainForm::AddMusicWindow(std::unique_ptr<TUnitMuz> doc) {
    TUnitMuz& unit = *doc;
    space_.AddUnit(std::move(doc));
    return showMusic(unit);
}

void TMainForm::FileNewMuzExecute() {
    auto doc = std::make_unique<TUnitMuz>();
    doc->InitNew();
    doc->SelectedTreeItem = doc->GetStartPart();
    doc->Name = space_.NextNewName();
    AddMusicWindow(std::move(doc));
}

void TMainForm::FileOpenMuzExecute() { OpenMusicFiles(runner_->OpenFileNames(this, "Open music", kMusicFilter)); }

void TMainForm::OpenMusicFiles(const QStringList& files) {
    for (const QString& file : files) {
        const std::string path = file.toStdString();
        auto doc = std::make_unique<TUnitMuz>();
        std::string message;
        if (!OpenMuz(*doc, path, message)) {
            messages().show("File Error", "Cannot read the file: \"" + path + "\", " + message, MessageIcon::Error);
            continue;
        }
        if (!doc->SelectedTreeItem) doc->SelectedTreeItem = doc->GetStartPart();
        doc->SetFileName(path);
        // Its instruments come with it from beside the file, each in a window.
        FindInstruments(space_, *runner_, this, *doc, path);
        adoptNewDocuments();
        AddMusicWindow(std::move(doc));
        rememberFile(path);
    }
}

void TMainForm::DuplicateMuzExecute() {
    TMDIChildMuz* m = ActiveMusicChild();
    if (!m) return;
    auto copy = std::make_unique<TUnitMuz>();
    std::string message;
    if (!DuplicateMuz(*m->Doc(), *copy, message)) {
        messages().show("Error", message, MessageIcon::Error);
        return;
    }
    copy->SampleFreq = m->Doc()->SampleFreq;
    copy->Channels = m->Doc()->Channels;
    copy->BytesPSample = m->Doc()->BytesPSample;
    if (!copy->SelectedTreeItem) copy->SelectedTreeItem = copy->GetStartPart();
    copy->MarkNew();
    copy->Name = space_.NextNewName();
    AddMusicWindow(std::move(copy));
}

bool TMainForm::saveMusic(TMDIChildKorvane& child, TUnitMuz& doc, bool askName) {
    std::string path = doc.FileName;
    if (askName || doc.HasNoFile()) {
        QString start = QString::fromStdString(doc.FileName.empty() ? doc.Name + ".xml" : doc.FileName);
        QString name = runner_->SaveFileName(this, "Save As", start, kMusicFilter, "xml");
        if (name.isEmpty()) return false;
        path = name.toStdString();
    }
    BusyCursor busy;
    if (!SaveMuzShowing(doc, path)) return false;
    doc.SetFileName(path);
    child.RefreshCaption();
    rememberFile(path);
    if (!OfferToSaveInstruments(space_, doc, path).empty())
        for (TMDIChildKorvane* c : Children()) c->RefreshCaption();
    return true;
}

void TMainForm::musicProperties(TMDIChildMuz& child) {
    TUnitMuz& doc = *child.Doc();
    WaveFileProps old{doc.SampleFreq, doc.Channels, doc.BytesPSample};
    TDlgWaveFileProp dialog(this, old);
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    WaveFileProps chosen = dialog.Props();
    if (chosen.MonoStereo == old.MonoStereo && chosen.SampleFreq == old.SampleFreq &&
        chosen.BytesPSample == old.BytesPSample)
        return;
    doc.ChangeProperties(old, chosen);
    doc.MarkChanged();
}

void TMainForm::PlayMusic(TUnitMuz& doc, const TRenderFilter& filter) {
    std::unique_ptr<Sound> sound;
    {
        BusyCursor busy;
        sound = RenderMusic(doc, space_, filter);
    }
    if (sound) playSound(*sound);
}

void TMainForm::PlayMusicPart(TUnitMuz& doc, TPartMuz& part) {
    std::unique_ptr<Sound> sound;
    {
        BusyCursor busy;
        sound = RenderMusicPart(doc, part, space_);
    }
    if (sound) playSound(*sound);
}

void TMainForm::playSound(const Sound& sound) {
    if (sound.GetValues() > 0 && playRecord_->Available()) playRecord_->PlaySound(sound, 0, sound.GetValues());
    UpdateActions();
}

QStringList TMainForm::WaveNames() const {
    QStringList names;
    for (const auto& unit : space_.Units())
        if (unit->Kind == unitKindWave && !unit->Name.empty()) names << QString::fromStdString(unit->Name);
    return names;
}

void TMainForm::makeMusicDialogs() {
    musicDialog_ = new TDlgMusic(*this);
    musicDialog_->Changed = [this] { musicChangedByDialog(musicDialog_); };
    musTreeDialog_ = new TDlgMusTree(*this);
    musTreeDialog_->Changed = [this] { musicChangedByDialog(musTreeDialog_); };
}

void TMainForm::followActiveMusic() {
    TMDIChildMuz* m = ActiveMusicChild();
    if (musicDialog_) musicDialog_->ShowFor(m);
    if (musTreeDialog_) musTreeDialog_->ShowFor(m);
}

void TMainForm::musicChangedByDialog(QWidget* dialog) {
    // The dialog has filled itself; filling it again here would pull its
    // controls away under the event that made the change.
    if (dialog != musicDialog_) musicDialog_->Refresh();
    if (dialog != musTreeDialog_) musTreeDialog_->Refresh();
    UpdateActions();
}

void TMainForm::MusicDialogExecute() {
    if (musicDialog_->isVisible()) {
        musicDialog_->close();
    } else {
        musicDialog_->ShowFor(ActiveMusicChild());
        musicDialog_->show();
        musicDialog_->raise();
    }
    UpdateActions();
}

void TMainForm::MusicPartsExecute() {
    if (musTreeDialog_->isVisible()) {
        musTreeDialog_->close();
    } else {
        musTreeDialog_->ShowFor(ActiveMusicChild());
        musTreeDialog_->show();
        musTreeDialog_->raise();
    }
    UpdateActions();
}

void TMainForm::MusicGenerateExecute() {
    TMDIChildMuz* m = ActiveMusicChild();
    if (!m) return;
    TUnitWave* made;
    {
        BusyCursor busy;
        made = MusicGenerate(space_, *m->Doc());
    }
    if (made) adoptNewDocuments();
}

void TMainForm::SoundNote(const TMuzNote& note) {
    // Without a sound output the player said so once; the notes of every
    // later click would only repeat it.
    if (!playRecord_->Available() || noteOutputFailed_) return;
    bool ok = true;
    std::string error;
    std::unique_ptr<Sound> sound = PlayNoteSound(note, space_, ok, error);
    const TUnitMuz* doc = note.GetUnitMuz();
    if (!ok) {
        // Once per document for a missing instrument: auto play would ask at every click.
        std::vector<std::string> waves;
        for (const QString& name : WaveNames()) waves.push_back(name.toStdString());
        if (!doc || instrumentNotices_->ShouldShow(*doc, error, waves))
            messages().show("Error", kCannotCreateMusic + error, MessageIcon::Error);
        return;
    }
    if (doc) instrumentNotices_->Played(*doc);
    if (!sound || sound->GetValues() == 0) return;
    playRecord_->PlaySound(*sound, 0, sound->GetValues());
    if (!playRecord_->PlayChecked() && !playRecord_->PlayPending()) noteOutputFailed_ = true;
}

void TMainForm::fillMusicStatus(const TUnitMuz& doc) {
    QString texts[5];
    // Panel 1: the kind with its bar, beat and value, or what a click inserts.
    texts[0] = QString::fromStdString(MusicReadout(doc));
    switch (doc.GetSelMuzSymbolKind()) {
        case muzSymbolStave: {
            auto* s = static_cast<TStaveSymbol*>(doc.SelectedSymbol);
            texts[1] = QString::fromStdString("pos: " + WritePrecision(s->GetSymbolPosition(), 7, true));
            if (s->GetStaveSymbolKind() != staveSymbolKey) {
                auto* t = static_cast<TStaveTimeSymbol*>(s);
                texts[2] = QString::fromStdString("len: " + lengthText(t->GetTotalLength() / t->GetMultiOol()));
            }
            if (s->GetStaveSymbolKind() == staveSymbolNote)
                texts[3] = QString::fromStdString(noteName(*static_cast<TMuzNote*>(s)));
            break;
        }
        case muzSymbolBar: {
            auto* bar = static_cast<TMuzBar*>(doc.SelectedSymbol);
            texts[2] = QString("len: %1/%2").arg(bar->GetCountNotes()).arg(bar->GetNoteLength());
            break;
        }
        default: break;
    }
    // Panel 1 names the symbol; 2 to 4 its place, length and note; 7 the state.
    status_->ShowInPanel1(texts[0], 0);
    musicPanel1_ = true;
    for (int i = 1; i < 4; ++i)
        if (status_->Panel(i + 1)->text() != texts[i]) status_->Panel(i + 1)->setText(texts[i]);
    status_->Panel(5)->clear();
    status_->Panel(6)->clear();
    const QString state = QString::fromStdString(doc.StateText());
    if (status_->Panel(7)->text() != state) status_->Panel(7)->setText(state);
}

}  // namespace korvane
