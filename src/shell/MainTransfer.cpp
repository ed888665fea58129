// The main window's File > Open of sounds, File > Import and File > Export.
#include <QApplication>
#include <QDialog>
#include <QFileInfo>

#include "audiofile/AudioFile.h"
#include "core/WavFile.h"
#include "platform/Messages.h"
#include "shell/DExportProps.h"
#include "shell/FileTransfer.h"
#include "shell/Main.h"
#include "wavewindow/ChildWave.h"

namespace korvane {

namespace {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

std::vector<TTransferKind> TMainForm::transferKinds() {
    std::vector<TTransferKind> kinds;
    auto sound = [&](QString title, QStringList suffixes, AudioFormat format) {
        kinds.push_back({std::move(title), std::move(suffixes), [this](const QString& path) { importSound(path); },
                         [this, format](const QString& path) { exportSound(path, format); }});
    };
    // Export's file dialog starts on the first kind, FLAC: WAV has Save As.
    sound("FLAC Files", {"flac"}, AudioFormat::Flac);
    sound("Ogg Vorbis Files", {"ogg", "oga"}, AudioFormat::OggVorbis);
    sound("Opus Files", {"opus"}, AudioFormat::Opus);
    sound("MP3 Files", {"mp3"}, AudioFormat::Mp3);
    sound("AIFF Files", {"aif", "aiff", "aifc"}, AudioFormat::Aiff);
    sound("Wave Files", {"wav"}, AudioFormat::Wav);
    for (auto [title, suffix] : {std::pair{"CAF Files", "caf"}, {"W64 Files", "w64"}, {"RF64 Files", "rf64"}})
        kinds.push_back({title, {suffix}, [this](const QString& path) { importSound(path); }, {}});
    return kinds;
}

void TMainForm::FileOpenWaveExecute() {
    QStringList files = runner_->OpenFileNames(this, "Open wave", SoundOpenFilter());
    OpenWaveFiles(files);
}

void TMainForm::OpenWaveFiles(const QStringList& files) {
    for (const QString& file : files) {
        const std::string path = file.toStdString();
        if (!IsOwnWaveFile(path)) {
            importSound(file);
            continue;
        }
        std::unique_ptr<Sound> sound;
        std::string reason;
        if (!ReadWaveFile(path, sound, reason)) {
            messages().show(kWaveReadErrorTitle, WaveReadErrorText(path, reason) + "\n" + kImportHint,
                            MessageIcon::Error);
            continue;
        }
        auto doc = std::make_unique<TUnitWave>(std::move(sound), path);
        doc->Records = space_.Records;
        AddWaveWindow(std::move(doc));
        rememberFile(path);
    }
}

void TMainForm::FileImportExecute() {
    const QStringList files = runner_->OpenFileNames(this, "Import", TransferFilter(transferKinds_, true, "All sounds"));
    for (const QString& file : files) {
        // A file of no known kind is read by its content, as a sound.
        const TTransferKind* kind = TransferKindOf(transferKinds_, file, true);
        if (kind) kind->import(file);
        else importSound(file);
    }
    UpdateActions();
}

// A sound read through libsndfile becomes a new document named after the
// file: it has no file of its own, so Save asks for a WAV name.
void TMainForm::importSound(const QString& file) {
    const std::string path = file.toStdString();
    std::unique_ptr<Sound> sound;
    std::string reason;
    {
        BusyCursor busy;
        if (!ReadAudioFile(path, sound, reason)) {
            ShowWaveReadError(path, reason);
            return;
        }
    }
    auto doc = std::make_unique<TUnitWave>(std::move(sound), "");
    doc->MarkNew();
    std::string name = QFileInfo(file).completeBaseName().toStdString();
    for (const auto& unit : space_.Units())
        if (unit->Name == name) name.clear();
    doc->Name = name.empty() ? space_.NextNewName() : name;
    doc->Records = space_.Records;
    AddWaveWindow(std::move(doc));
    rememberFile(path);
}

void TMainForm::FileExportExecute() {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w || !NeedsSamples(state()).empty()) return;
    const TUnitWave& doc = *w->Doc();
    const std::string base = doc.FileName.empty() ? doc.Name : doc.FileName;
    const QString start = QFileInfo(QString::fromStdString(base)).completeBaseName();
    const QString filter = TransferFilter(transferKinds_, false, QString());
    const TTransferKind* first = TransferKindOf(transferKinds_, start + ".flac", false);
    const QString path = runner_->SaveFileName(this, "Export", start, filter, first ? first->suffixes[0] : "flac");
    if (path.isEmpty()) return;
    const TTransferKind* kind = TransferKindOf(transferKinds_, path, false);
    if (!kind) {
        messages().show(kWaveWriteErrorTitle,
                        "Cannot export to \"" + path.toStdString() + "\": the name must end in the extension of a format.",
                        MessageIcon::Error);
        return;
    }
    kind->exportTo(path);
}

void TMainForm::exportSound(const QString& path, AudioFormat format) {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w || !w->Doc()) return;
    const TUnitWave& doc = *w->Doc();
    TDlgExportProps dialog(this, format, exportSettings_, doc.HasSelection(), exportSelectionOnly_);
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    exportSettings_ = dialog.Settings();
    exportSelectionOnly_ = dialog.SelectionOnly();
    int32_t begin = 0, end = doc.GetValues();
    if (exportSelectionOnly_) doc.EditRange(begin, end);
    BusyCursor busy;
    bool failed = false;
    // The document's own file and state stay as they are.
    WriteAudioFile(failed, path.toStdString(), format, *doc.TheSound, begin, end, exportSettings_);
}

}  // namespace korvane
