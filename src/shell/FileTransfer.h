#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace korvane {

// The line Open's "File Error" box adds: our WAV reader refuses what Import
// can still read (floating point, extensible, chunks before the data).
inline constexpr const char* kImportHint =
    "File > Import... reads WAV files that Open refuses (float, extensible, extra chunks).";

// One kind of file that File > Import brings in and File > Export writes.
// The window keeps one list of them; a new kind (a score format, say) is one
// more entry, with the files it takes and what importing and exporting do.
struct TTransferKind {
    QString title;        // "FLAC Files"
    QStringList suffixes; // "flac"; the first is what Export adds to a bare name
    // Brings the file in; empty when this kind is not imported.
    std::function<void(const QString& path)> import;
    // Asks for the settings and writes the file; empty when not exported.
    std::function<void(const QString& path)> exportTo;
};

// "FLAC Files (*.flac)"
QString TransferFilterEntry(const TTransferKind& kind);
// The filter of the kinds that have `import` (or `exportTo`), one entry each,
// after "All <allTitle>" (for import) and before "All files (*)" (for import).
QString TransferFilter(const std::vector<TTransferKind>& kinds, bool forImport, const QString& allTitle);
// The kind whose suffixes end `path` (any letter case), for import or
// export; null when none does.
const TTransferKind* TransferKindOf(const std::vector<TTransferKind>& kinds, const QString& path, bool forImport);

// The formats the open dialog offers besides WAV, as filter entries.
QString SoundOpenFilter();

}  // namespace korvane
