#include <QApplication>
#include <QStringList>
#include <cstring>
#include <iostream>

#include "platform/Messages.h"
#include "shell/Main.h"
#include "shell/QtMessages.h"

namespace {
const char* const kUsage =
    "usage: korvane [OPTION]... [FILE]...\n"
    "Opens the Korvane sound workshop with each FILE in its own window: music files\n"
    "(.korvanem, .xml) in music windows, every other file as a wave.\n"
    "\n"
    "  --help      show this text and stop\n"
    "  --version   show the version and stop\n"
    "\n"
    "Qt options such as -platform offscreen are accepted too.\n";
}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "korvane 7.1\n";
            return 0;
        }
        if (std::strncmp(argv[i], "--", 2) == 0) {
            std::cerr << "korvane: unknown option " << argv[i] << "\n" << kUsage;
            return 2;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Korvane");
    QApplication::setApplicationVersion("7.1");
    korvane::TQtMessages boxes;
    korvane::setMessages(&boxes);
    int status;
    {
        korvane::TMainForm form;
        boxes.SetParent(&form);
        form.show();
        // Qt has taken its own options out of the arguments by now.
        QStringList waves, music;
        for (const QString& file : QApplication::arguments().mid(1)) {
            const bool isMusic =
                file.endsWith(".korvanem", Qt::CaseInsensitive) || file.endsWith(".xml", Qt::CaseInsensitive);
            (isMusic ? music : waves) << file;
        }
        form.OpenWaveFiles(waves);
        form.OpenMusicFiles(music);
        status = QApplication::exec();
        boxes.SetParent(nullptr);
    }
    korvane::setMessages(nullptr);
    return status;
}
