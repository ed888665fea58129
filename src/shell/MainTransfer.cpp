// The main window's File > Open of sounds, File > Import and File > Export.
#include <QApplication>
#include <QDialog>
#include <QFileInfo>

#include "audiofile/AudioFile.h"
#include "core/WavFile.h"
#include "platform/Messages.h"
#include "shell/BusyCursor.h"
#include "shell/ChildWave.h"
#include "shell/DExportProps.h"
#include "shell/ChildMuz.h"
#include "shell/FileTransfer.h"
#include "shell/Main.h"

namespace korvane {

std::vector<TTransferKind> TMainForm::transferKinds() {
    std::vector<TTransferKind> kinds;
    auto sound = [&](QString title, QStringList suffixes, AudioFormat format) {
        kinds.push_back({std::move(title), std::move(suffixes), false,
                         [this](const QString& path) { importSound(path); },
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
        kinds.push_back({title, {suffix}, false, [this](const QString& path) { importSound(path); }, {}});
    // Scores of other programs; a plain .xml may also be one of our own.
    auto music = [this](const QString& path) { importMusic(path); };
    auto exportMusic = [this](const QString& path) { this->exportMusic(path); };
    kinds.push_back({"MusicXML Files", {"musicxml"}, true, music, exportMusic});
    kinds.push_back({"Compressed MusicXML Files", {"mxl"}, true, music, exportMusic});
    kinds.push_back({"MIDI Files", {"mid", "midi"}, true, music, exportMusic});
    kinds.push_back({"XML Files", {"xml"}, true, music, {}});
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
    const QStringList files =
        runner_->OpenFileNames(this, "Import", ImportFilter(transferKinds_, "All sounds and scores"));
    for (const QString& file : files) {
        // A file of no known kind is read by its content, as a sound.
        const TTransferKind* kind = ImportKindOf(transferKinds_, file);
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
    // The active window decides: its music goes out as a score, its wave as
    // a sound.
    const TUnit* doc = nullptr;
    bool music = false;
    if (TMDIChildMuz* m = ActiveMusicChild()) {
        doc = m->Doc();
        music = true;
    } else if (TMDIChildWave* w = ActiveWaveChild(); w && NeedsSamples(state()).empty()) {
        doc = w->Doc();
    }
    if (!doc) return;
    const std::string base = doc->FileName.empty() ? doc->Name : doc->FileName;
    const QString start = QFileInfo(QString::fromStdString(base)).completeBaseName();
    const QString filter = ExportFilter(transferKinds_, music);
    const QString suffix = music ? "musicxml" : "flac";
    const QString path = runner_->SaveFileName(this, "Export", start, filter, suffix);
    if (path.isEmpty()) return;
    const TTransferKind* kind = ExportKindOf(transferKinds_, path, music);
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
