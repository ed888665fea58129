#include "shell/FileTransfer.h"

namespace korvane {

namespace {

QString patterns(const QStringList& suffixes) {
    QStringList all;
    for (const QString& s : suffixes) all << "*." + s;
    return all.join(' ');
}

// What libsndfile reads besides WAV, with the names users know them by.
struct SoundType {
    const char* title;
    const char* suffixes;
};
constexpr SoundType kSoundTypes[] = {
    {"FLAC Files", "flac"}, {"Ogg Vorbis Files", "ogg oga"}, {"Opus Files", "opus"}, {"MP3 Files", "mp3"},
    {"AIFF Files", "aif aiff aifc"}, {"CAF Files", "caf"}, {"W64 Files", "w64"}, {"RF64 Files", "rf64"},
};

}  // namespace

QString TransferFilterEntry(const TTransferKind& kind) { return kind.title + " (" + patterns(kind.suffixes) + ")"; }

QString TransferFilter(const std::vector<TTransferKind>& kinds, bool forImport, const QString& allTitle) {
    QStringList entries, every;
    for (const TTransferKind& k : kinds) {
        if (!(forImport ? bool(k.import) : bool(k.exportTo))) continue;
        entries << TransferFilterEntry(k);
        every << k.suffixes;
    }
    if (forImport) {
        entries.prepend(allTitle + " (" + patterns(every) + ")");
        entries << "All files (*)";
    }
    return entries.join(";;");
}

const TTransferKind* TransferKindOf(const std::vector<TTransferKind>& kinds, const QString& path, bool forImport) {
    for (const TTransferKind& k : kinds) {
        if (!(forImport ? bool(k.import) : bool(k.exportTo))) continue;
        for (const QString& s : k.suffixes)
            if (path.endsWith("." + s, Qt::CaseInsensitive)) return &k;
    }
    return nullptr;
}

QString SoundOpenFilter() {
    QStringList entries, every{"wav"};
    for (const SoundType& t : kSoundTypes) {
        const QStringList suffixes = QString(t.suffixes).split(' ');
        entries << QString(t.title) + " (" + patterns(suffixes) + ")";
        every << suffixes;
    }
    return "Wave Files (*.wav);;All sounds (" + patterns(every) + ");;" + entries.join(";;") + ";;All files (*)";
}

}  // namespace korvane
