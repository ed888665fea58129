#include "shell/MusicInterchange.h"

#include "interchange/Interchange.h"
#include "interchange/MusicXmlRead.h"
#include "platform/Messages.h"
#include "shell/ChildMuz.h"
#include "shell/DialogRunner.h"
#include "shell/Main.h"

namespace korvane {

const char* const kMusicImportFilter = "Music of other programs (*.musicxml *.mxl *.xml *.mid *.midi);;All files (*)";
const char* const kMusicExportFilter = "MusicXML (*.musicxml);;Compressed MusicXML (*.mxl);;MIDI (*.mid)";

namespace {

void showReport(const char* title, const TInterchangeReport& report) {
    if (report.Empty()) return;
    std::string text;
    for (const std::string& line : report.Lines()) text += (text.empty() ? "" : "\n") + line;
    messages().show(title, text, MessageIcon::Information);
}

}  // namespace

std::unique_ptr<TUnitMuz> ImportMusicFile(const std::string& path) {
    auto doc = std::make_unique<TUnitMuz>();
    TInterchangeReport report;
    std::string error;
    if (!ImportMusicFile(path, *doc, {}, report, error)) {
        const std::string text = error == kKorvaneFileMessage ? "\"" + path + "\" " + error
                                                              : "Cannot read the file: \"" + path + "\", " + error;
        messages().show("File Error", text, MessageIcon::Error);
        return nullptr;
    }
    showReport("Import", report);
    return doc;
}

bool ExportMusicFile(TUnitMuz& doc, const std::string& path) {
    TInterchangeReport report;
    std::string error;
    if (!ExportMusicFile(doc, path, 0, report, error)) {
        messages().show("FileError", "Cannot write the file: \"" + path + "\", " + error, MessageIcon::Error);
        return false;
    }
    showReport("Export", report);
    return true;
}

// The menu commands; the file type decides the format.
void TMainForm::FileImportMusicExecute() {
    for (const QString& file : runner_->OpenFileNames(this, "Import music", kMusicImportFilter)) {
        auto doc = ImportMusicFile(file.toStdString());
        if (!doc) continue;
        doc->SelectedTreeItem = doc->GetStartPart();
        doc->Name = space_.NextNewName();
        doc->MarkNew();
        AddMusicWindow(std::move(doc));
    }
}

void TMainForm::FileExportMusicExecute() {
    TMDIChildMuz* child = ActiveMusicChild();
    if (!child) return;
    TUnitMuz& doc = *child->Doc();
    const QString start = QString::fromStdString(doc.Name + ".musicxml");
    const QString name = runner_->SaveFileName(this, "Export music", start, kMusicExportFilter, "musicxml");
    if (name.isEmpty()) return;
    ExportMusicFile(doc, name.toStdString());
}

}  // namespace korvane
