#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstring>
#include <iostream>

#include "platform/Messages.h"
#include "journal/Journal.h"
#include "shell/ChildWave.h"
#include "shell/LongWorkDialog.h"
#include "shell/Main.h"
#include "shell/QtMessages.h"

namespace {
const char* const kUsage =
    "usage: korvane [OPTION]... [FILE | NAME=FILE.wav]...\n"
    "Opens the Korvane sound workshop with each FILE in its own window: music files\n"
    "(.korvanem, .xml) in music windows, every other file as a wave. NAME=FILE.wav\n"
    "opens the wave under the registered name NAME, as the music players find their\n"
    "instruments (\"sample=examples/sample.wav\").\n"
    "\n"
    "  --help      show this text and stop\n"
    "  --version   show the version and stop\n"
    "\n"
    "Qt options such as -platform offscreen are accepted too.\n"
    "\n"
    "Unsaved changes are kept in a recovery journal in $XDG_STATE_HOME/korvane\n"
    "(~/.local/state/korvane), offered back after a crash; KORVANE_JOURNAL=off\n"
    "turns it off.\n"
    "\n"
    "Every document keeps a history of its states since it was opened: File > Step\n"
    "Back (Alt+Backspace) and Step Forward (Shift+Alt+Backspace) go through it, View >\n"
    "History lists it. Older wave states are kept as WAV files in the journal's\n"
    "folder (with the journal off, in a temporary folder removed at exit); a\n"
    "recovered document comes back with its history.\n";
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
        korvane::TLongWorkDialog longWork(&form);
        korvane::SetLongWorkRunner(&longWork);
        form.show();
        // What a crashed window left unsaved comes back first; then this
        // window keeps its own journal.
        form.StartJournal(korvane::DefaultJournalRoot());
        // Qt has taken its own options out of the arguments by now.
        QStringList music;
        for (const QString& argument : QApplication::arguments().mid(1)) {
            if (argument.endsWith(".korvanem", Qt::CaseInsensitive) || argument.endsWith(".xml", Qt::CaseInsensitive)) {
                music << argument;
                continue;
            }
            const int eq = argument.indexOf('=');
            const bool named = eq > 0 && !QFileInfo::exists(argument);
            const size_t before = form.Children().size();
            form.OpenWaveFiles({named ? argument.mid(eq + 1) : argument});
            if (named && form.Children().size() > before && form.ActiveWaveChild())
                form.Workspace().SetName(*form.ActiveWaveChild()->Doc(), argument.left(eq).toStdString());
        }
        // The music last, so that its window comes to the front.
        form.OpenMusicFiles(music);
        status = QApplication::exec();
        korvane::SetLongWorkRunner(nullptr);
        boxes.SetParent(nullptr);
    }
    korvane::setMessages(nullptr);
    return status;
}
