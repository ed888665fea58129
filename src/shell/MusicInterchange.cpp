#include "shell/MusicInterchange.h"

#include "core/WavFile.h"
#include "interchange/Interchange.h"
#include "interchange/MusicXmlRead.h"
#include "platform/Messages.h"
#include "shell/ChildMuz.h"
#include "shell/Main.h"

namespace korvane {

namespace {

void showReport(const char* title, const TInterchangeReport& report) {
    if (report.Empty()) return;
    std::string text;
    for (const std::string& line : report.Lines()) text += (text.empty() ? "" : "\n") + line;
    messages().show(title, text, MessageIcon::Information);
}

}  // namespace

bool ExportMusicFile(TUnitMuz& doc, const std::string& path) {
    TInterchangeReport report;
    std::string error;
    if (!ExportMusicFile(doc, path, 0, report, error)) {
        messages().show(kWaveWriteErrorTitle, "Cannot write the file: \"" + path + "\", " + error, MessageIcon::Error);
        return false;
    }
    showReport("Export", report);
    return true;
}

// File > Import of a score: a new "New" music window. Our own music file,
// which a .xml may be, simply opens.
void TMainForm::importMusic(const QString& file) {
    const std::string path = file.toStdString();
    auto doc = std::make_unique<TUnitMuz>();
    TInterchangeReport report;
    std::string error;
    if (!ImportMusicFile(path, *doc, {}, report, error)) {
        if (error == kKorvaneFileMessage) {
            OpenMusicFiles({file});
            return;
        }
        messages().show(kWaveReadErrorTitle, "Cannot read the file: \"" + path + "\", " + error, MessageIcon::Error);
        return;
    }
    showReport("Import", report);
    doc->SelectedTreeItem = doc->GetStartPart();
    doc->Name = space_.NextNewName();
    doc->MarkNew();
    AddMusicWindow(std::move(doc));
}

void TMainForm::exportMusic(const QString& path) {
    TMDIChildMuz* child = ActiveMusicChild();
    if (!child) return;
    ExportMusicFile(*child->Doc(), path.toStdString());
}

}  // namespace korvane
