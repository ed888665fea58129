#include "shell/MusicInstruments.h"

#include <QString>
#include <QStringList>

#include "platform/Messages.h"
#include "processing/TWorkspace.h"
#include "music/TUnitMuz.h"
#include "render/Instruments.h"
#include "shell/DialogRunner.h"

namespace korvane {

namespace {

const char* const kInstrumentFilter = "Wave Files (*.wav);;All files (*)";

std::string listed(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n    " + line;
    return text;
}

}  // namespace

void FindInstruments(TWorkspace& space, TDialogRunner& runner, QWidget* parent, const TUnitMuz& doc,
                     const std::string& musicFile) {
    const TInstrumentsFound found = OpenInstrumentsBeside(space, doc, musicFile);
    if (found.Missing.empty()) return;
    const std::string text = "The music plays these instruments, which are neither open nor beside the music file "
                             "as NAME.wav:" +
                             listed(found.Missing) + "\n\nDo you want to locate their wave files?";
    if (messages().askYesNoCancel("Missing instruments", text) != MessageAnswer::Yes) return;
    for (const std::string& name : found.Missing) {
        if (space.FindWave(name)) continue;
        const QStringList files = runner.OpenFileNames(
            parent, QString::fromStdString("Locate the instrument \"" + name + "\""), kInstrumentFilter);
        if (files.isEmpty()) continue;
        const std::string file = files.front().toStdString();
        std::unique_ptr<Sound> sound;
        std::string reason;
        if (!ReadWaveFile(file, sound, reason)) {
            ShowWaveReadError(file, reason);
            continue;
        }
        auto unit = std::make_unique<TUnitWave>(std::move(sound), file);
        unit->Records = space.Records;
        TUnitWave& wave = space.AddWave(std::move(unit));
        // The name rule's box says why a name cannot be taken.
        if (!space.SetName(wave, name)) space.Close(wave);
    }
}

std::vector<TUnitWave*> OfferToSaveInstruments(const TWorkspace& space, const TUnitMuz& doc,
                                               const std::string& musicFile) {
    std::vector<TUnitWave*> saved;
    const std::vector<TUnitWave*> unsaved = UnsavedInstruments(space, doc);
    if (unsaved.empty()) return saved;
    std::vector<std::string> files;
    for (TUnitWave* wave : unsaved) files.push_back(InstrumentFileBeside(musicFile, wave->Name));
    const std::string text = "The music plays instrument waves that are not saved. Save them beside the music "
                             "file, where it finds them when it is opened again?" +
                             listed(files);
    if (messages().askYesNoCancel("Unsaved instruments", text) != MessageAnswer::Yes) return saved;
    for (size_t i = 0; i < unsaved.size(); ++i) {
        // A wave that cannot be written has shown its box; the others still go.
        if (!unsaved[i]->SaveAs(files[i], false)) continue;
        unsaved[i]->SetFileName(files[i]);
        saved.push_back(unsaved[i]);
    }
    return saved;
}

}  // namespace korvane

namespace korvane {

bool TInstrumentNotices::ShouldShow(const TUnitMuz& doc, const std::string& error,
                                    const std::vector<std::string>& waveNames) {
    if (waveNames != waves_) {
        shown_.clear();
        waves_ = waveNames;
    }
    return shown_[doc.Serial].insert(error).second;
}

void TInstrumentNotices::Played(const TUnitMuz& doc) { shown_.erase(doc.Serial); }

}  // namespace korvane
