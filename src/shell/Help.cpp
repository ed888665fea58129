#include "shell/Help.h"

#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <vector>

namespace korvane {

namespace {

struct Page {
    const char* title;
    const char* what;
    const char* fields;  // lines separated by '|'
};

// Written for the dialogs of this program; each says what the dialog does and
// what its fields mean.
const std::map<int, Page>& pages() {
    static const std::map<int, Page> all{
        {2, {"Wave Properties", "Sets the sample frequency, the channels and the sample width of a new wave, or converts the active wave to them.",
             "Frequency: samples per second, 1 to 1000000|Mono or Stereo|8 or 16 Bits"}},
        {3, {"Volume Diagram", "Sets the frequency bands and colours of the volume diagram view.",
             "Lowest and highest frequency of the bands|Band count and resonance width|Colours of loud and quiet"}},
        {4, {"Mix", "Mixes the clipboard into the wave.",
             "Align Begin: the clipboard starts at the selection's begin|Align End: the clipboard ends at the selection's end|Stretch: the clipboard is stretched over the selection"}},
        {5, {"Make Line", "Makes a straight or exponential line from a first to a last value.",
             "First Value and Last Value: wave values (1, 50 %, 1000 $)|Length: a time|Exponential: an exponential curve; neither value may be 0"}},
        {6, {"Make Block or Triangle", "Makes a block or triangle wave between two heights.",
             "Height 1 and Height 2: wave values|Period: a time or frequency|Middle: constant phase of the turn (0 to 1) or an envelope wave|Length: a time|Start: the phase to begin with"}},
        {7, {"Make Sinus", "Makes a sine wave.",
             "Amplitude: a wave value|Period: a time or frequency (440 Hz, A4)|Count of periods or Length|Start Angle: a phase (0.25, 90')"}},
        {8, {"Make Noise", "Makes white noise.", "Amplitude: a wave value|Length: a time"}},
        {9, {"Change Volume", "Multiplies the selection by a factor, or by an envelope wave stretched over it.",
             "Constant: a volume factor (50 %, -6 dB)|Envelope: a named wave; full scale is factor 1"}},
        {11, {"Balance", "Places a stereo sound between left and right.",
              "Direction: -1 left to 1 right, or degrees (-90' to 90'), or an envelope wave|Time Difference: delay the far side|Volume Difference: none, volume or filter"}},
        {12, {"Period Echo", "Adds echoes at a regular time.",
              "Time: the time between echoes, optionally from an envelope wave|Volume: the factor of each echo, or an envelope wave|Count: the number of echoes"}},
        {13, {"Random Echo", "Makes a new sound of randomly changed echoes.",
              "Count, Random Seed and Time Difference|One tab per aspect (time, volume, length, balance, pitch, tempo): how it changes, its envelope and its die"}},
        {15, {"High and Low Filter", "Lets through the high or the low frequencies.",
              "Frequency: constant or an envelope wave|Volume Factor: between 0 and 1|Count: how many times the filter runs|Maximize Volume"}},
        {16, {"Resonant and Notch Filter", "Strengthens or removes one frequency.",
              "Frequency: constant or an envelope wave|Width: constant (0 to 1) or an envelope wave"}},
        {17, {"Block Filter", "Averages the sound over blocks of a time.", "Block Time: a time|Envelope: a wave that varies the block time"}},
        {19, {"Up / Down", "Adds a value to every sample.", "Add Value: a wave value, negative for down"}},
        {20, {"Make Silence", "Inserts silence.", "Length: a time"}},
        {21, {"Rotate", "Rotates the selection left or right.",
              "Left or Right|Factor: part of the selection|Time: a time no longer than the selection"}},
        {23, {"Wave View", "Sets how the wave window draws the wave.", "Colours, lines and grid of the wave view"}},
        {24, {"Register", "Gives the wave a name by which other dialogs and the music players find it.",
              "Name: unique among the open documents; empty removes the name"}},
        {36, {"Mix Left Right", "Mixes the two channels of a stereo sound into each other.",
              "from Left to Left, from Left to Right, from Right to Left, from Right to Right: volume factors|Examples: fill the four boxes"}},
        {37, {"Multi Frequency", "Adds partials of a wave form into one sound.",
              "Length: a time|Sinus: the partials read the sine table, or Wave Form: they read a named wave|Volume: a partial's volume at the start|Frequency: a frequency or period (440 Hz, A4)|Start Angle: a phase (0.25, 90')|Volume Factor: what is left of the volume after Time|Time: a time|Record n of m: the partial shown|The arrow buttons go to the first, previous, next and last partial|Insert and Append add a default partial before or after the shown one, Delete removes the shown one|Copy and Paste carry the values of one partial to another, Clear leaves one default partial"}},
        {38, {"Split Horizontally", "Cuts the wave in time into new windows, which take the place of its window. With only a cursor the wave is cut in two there without this dialog.",
              "Three parts: before, the selection, after|Two parts, both inclusive selected part: both parts hold the selection|Two parts, both exclusive selected part: the selection is left out"}},
        {40, {"Select and Zoom", "Selects or zooms to typed positions.", "Begin and End: positions in the wave"}},
        {43, {"Block", "Makes the sound blocky in time, in height or both.",
              "Horizontal: no change, a count of blocks, or a time|Vertical: no change, a count of levels, or a height"}},
        {44, {"Roll in", "Wraps the selection into a loop of a length.", "Length: a time|Start at or End at: a position"}},
        {45, {"Distort", "Maps every sample through a wave used as a function.", "Distort Envelope: a named wave"}},
        {46, {"Roll out", "Plays the selection as a loop into a new length.",
              "Speed Factor, optionally from an envelope|Length: a factor, a new length, the length of another wave, or a count|Start Position"}},
        {47, {"Merge Horizontally", "Joins two waves one after the other in a new window, which takes the place of both.",
              "First and Last: two different waves|Tabs for the properties in which they differ: Mono/Stereo, Frequency, Bits, Display"}},
        {48, {"Merge Vertically", "Joins two waves as left and right channel of a stereo wave in a new window, which takes the place of both.",
              "Left and Right: two different waves|Length rule when they differ in length|Frequency, Bits, Display"}},
        {49, {"Change Length", "Stretches or shrinks the selection.", "Length: a factor, a new length or the length of another wave"}},
        {50, {"Pitch Tempo", "Changes pitch and tempo independently.",
              "Frequency Factor and Speed Factor, each optionally from an envelope|Length rule|Quality and Block Size"}},
        {51, {"Music", "Edits the tempo of the active music, its staves, the note groups of the shown stave and the players of the shown note group. Changes take effect in the score at once; an edit box is taken when you leave it.",
              "Tempo: the length of a whole note (2 s) or its frequency|The arrow buttons go to the first, previous, next and last stave, note group or player; the boxes show which one of how many|Insert and Append add a new one before or after the shown one, Delete removes it (with its notes), the move buttons exchange it with its neighbour|Room Up and Room Down: the room in pixels above and below a stave|Foreground, Background, Note: colours; Enable Sound off mutes a stave|Allow Join Flags, Draw Extra Horizontal Lines, Shape, Draw Sticks Up or Down: how the notes are drawn|Play: the shown stave alone, or the notes of the shown note group|Volume Factor (50 %, -6 dB) and Freq Up (Hz) of a player|The pages are the kinds of player; each keeps its own settings|Sample Wave: the name of an open wave the player takes its sound from|Basic Frequency: the frequency of the sample as recorded (440 Hz, A4)|Resonant Factor: between 0 and 1"}},
        {52, {"Music Parts", "Arranges the music as a tree of parts: single parts hold the notes, a repeat plays its part Count times, turns play their part only in the passes of the enclosing repeat that their turn items name, transposed by the turn's Pitch.",
              "Add: a new single part before or after the selected one, a repeat or turns around it, a turn item to the selected turns|Move: exchange with the next or previous part, into the next or previous repeat or turns, or out of the repeat or turns around it|Delete: removes a turn item, or a repeat or turns (keeping its part), or a single part with its music after you confirm|View: open or close a node and everything below it|Go To Symbol: selects the first or last symbol of the part in the score|Click a selected name to give the part a label; an empty label brings back the default name|Count: the passes of a repeat, or the pass of a turn item; two turn items of the same turns cannot have the same count|Pitch: semitones, shown as octaves in Octave|Play and Draw Subtree: off leaves the part out of the score and of what is played; greyed means a part above it is off|Play Subtree: plays the selected part alone"}},
        // The pages that teach the windows rather than one dialog.
        {kHelpWaveWindow, {"The Wave Window", "Shows one wave. The selection is what the commands change; with no selection they work on the whole wave, and the Make commands insert at the cursor.",
              "Click: puts the cursor there; drag: selects from there|Shift+click: moves the cursor end of the selection there|Ctrl+click: keeps the end of the selection nearer the click and moves the other end there|Left and Right: one pixel; Up and Down: ten pixels (Up to the left)|Home and End (or Edit, Go to Begin and Go to End): to the begin or end of the wave|Shift with a key: moves only the cursor end, extending the selection|Ctrl with a key: moves only the other end; Ctrl+Page Up and Ctrl+Page Down move the whole selection by its own length|Ctrl+Shift with a key: moves the whole selection|View, Zoom In shows the selection over the whole window; No Zoom shows all of the wave again|The status bar shows the time and height under the mouse, the selection while it changes, and while playing the time played; an orange line follows the sound|Draw Wave Linear and Draw Wave Smooth on an empty mono wave: click to place points, drag them, drag one out of the window to delete it|The ruler over the wave shows the time in seconds; the wheel scrolls a zoomed wave, Ctrl+wheel zooms in or out around the mouse and leaves the selection as it is|The Window menu lists the open windows; choose one to bring it to the front"}},
        {kHelpValues, {"Typing Values", "Every field that takes a value reads a number with an optional unit; the value comes back in the unit you typed it in.",
              "Times: 1.5 s, 250 ms, 0:01:30 (a clock time), 44100 smp (samples)|Frequencies and periods: 440 Hz, A4, C#3, Bb2 (notes), 2 ms as a period|Volumes and factors: 0.5, 50 %, -6 dB|Wave values (heights): 16384, 50 %, 1000 $|Angles and phases: 0.25 (of a turn), 90' (degrees)|Fractions: 1/3; a comma is read as a decimal point: 0,25|A wrong value is refused with a box that names the field and says why, and the dialog stays open"}},
        {kHelpMusicWindow, {"The Music Window", "Shows the music as staves of notes. The mode buttons of the Music Note, Music Silence and Music Bar tool bars decide what a click does.",
              "In an add mode a click on a stave adds the chosen note, silence, key or bar line there; the pitch is the line or space clicked|In the select mode a click selects the symbol under the mouse|Left and Right: select the symbol before or after; Up and Down: the note above or below in a chord|Home and End: the first or last symbol of the stave; Page Up and Page Down: the symbol at the same time in the stave above or below (with Shift: in the first or last stave)|Ctrl+Left and Ctrl+Right move the selected symbol; Ctrl+Up and Ctrl+Down change its pitch, Ctrl+Shift+Up and Ctrl+Shift+Down by an octave|Alt+N adds a note and Alt+S a silence of the current length; L makes the length longer, Shift+L shorter; Alt+L and Shift+Alt+L step the articulation toward legato or staccatissimo|Ctrl+D opens the music dialog; D duplicates the music|Drag the border between two staves to give a stave more room|Music, Generate makes a new wave of the music; Play plays it|The wheel (and Shift+wheel) scrolls the score sideways; what you insert or select comes into view|The status bar shows the selected symbol's bar, beat and note value (Note · bar 3, beat 2½ · 1/8 triplet), in an add mode what a click inserts; the length, key, accidental, articulation and stick buttons show the current setting checked|The instruments are the waves the players name: opening music also opens NAME.wav beside the music file for each instrument that is not open, and saving offers to save unsaved instruments there"}},
        {kHelpRecovery, {"Unsaved Work After a Crash", "While you work, Korvane keeps a copy of every document with unsaved changes, so that a crash, a kill or a power cut loses nothing: the next start offers the copies back.",
              "The copies are in the folder korvane of $XDG_STATE_HOME (else ~/.local/state/korvane), one folder per running window; saving or closing a document removes its copy, and leaving Korvane the folder|A wave is kept as a WAV file, which you can also open by hand; music as its 7.1 file|A recording is written to its copy while it is made, so a crash keeps what was recorded|After a crash Korvane asks \"Recover N unsaved documents?\" and lists them: Yes opens each as it was, changed, with its name and file; No throws them away; Cancel keeps them for the next start|A copy that cannot be read is left out, and one message names it: Yes keeps it for the next start, No throws it away|A journal folder that is not yours, that others may write in, or that is a link is never opened: the question names it and why|Starting Korvane with KORVANE_JOURNAL=off keeps no copies"}},
        {kHelpHistory, {"Undo and the History", "Undo takes back the last change of any document; the history of each document keeps every state it had since you opened or created it, and you can go back and forth through them.",
              "File, Undo (Ctrl+Z) takes back the last change, a wave command or a score edit; pressed again it puts the change back. When the change was in a window behind the active one, that window comes to the front first|File, Step Back (Alt+Backspace) and Step Forward (Shift+Alt+Backspace) go one state back or forward in the active document's history. A step is a change like any other: the document is marked changed, and Undo takes the step back|A command after a step back starts a new line of states: the states forward of it are dropped|View, History shows the states of the active document, each named by its command and the time (\"Low Filter, 10:42:13\"); the current one is marked; click a state to go there|For music only changes of what the file holds make a state: notes, staves, groups, players, the part tree, the tempo; modes, insert settings and the selection do not. On a very large score, edits in quick succession are one state and one Undo|The newest states are kept in memory, up to a quarter of the memory of the computer; older wave states are kept as WAV files in the recovery journal's folder (with KORVANE_JOURNAL=off in a temporary folder removed when Korvane ends) and read back when you go there. Beyond 4 GiB per window (or half the free space) the oldest states are dropped, and the panel says how many|After a crash a recovered document comes back with its history; a saved document's history is not kept across a crash. Saving does not clear the history"}},
        {kHelpOnHelp, {"Help on Help", "The help window stays open beside your work: it never blocks a dialog, and a dialog never blocks it.",
              "F1 in the main window opens the contents; F1 or Help in a dialog opens the dialog's page|Click a link to go to its page; Contents at the foot of a page goes back|Type words in the search box: the pages that hold all of them are listed"}},
    };
    return all;
}

QString escaped(const char* text) { return QString::fromUtf8(text).toHtmlEscaped(); }

}  // namespace

QString HelpPage(int context) {
    if (context == 0) {
        QString html = "<h2>Korvane Help</h2><p>Using Korvane:</p><ul>";
        for (int number : {kHelpWaveWindow, kHelpMusicWindow, kHelpValues, kHelpRecovery, kHelpHistory, kHelpOnHelp})
            html += QString("<li><a href=\"#%1\">%2</a></li>").arg(number).arg(escaped(pages().at(number).title));
        html += "</ul><p>The dialogs:</p><ul>";
        for (const auto& [number, page] : pages())
            if (number < kHelpWaveWindow)
                html += QString("<li><a href=\"#%1\">%2</a></li>").arg(number).arg(escaped(page.title));
        return html + "</ul>";
    }
    auto it = pages().find(context);
    if (it == pages().end()) return {};
    QString html = "<h2>" + escaped(it->second.title) + "</h2><p>" + escaped(it->second.what) + "</p><ul>";
    for (const QString& line : QString::fromUtf8(it->second.fields).split('|')) html += "<li>" + line.toHtmlEscaped() + "</li>";
    return html + "</ul><p><a href=\"#0\">Contents</a></p>";
}

std::vector<int> FindHelpPages(const QString& words) {
    const QStringList wanted = words.split(' ', Qt::SkipEmptyParts);
    std::vector<int> found;
    if (wanted.isEmpty()) return found;
    for (const auto& [number, page] : pages()) {
        const QString text = QString::fromUtf8(page.title) + ' ' + QString::fromUtf8(page.what) + ' ' +
                             QString::fromUtf8(page.fields);
        bool all = true;
        for (const QString& word : wanted) all = all && text.contains(word, Qt::CaseInsensitive);
        if (all) found.push_back(number);
    }
    return found;
}

THelpWindow::THelpWindow() : QDialog(nullptr) {
    setWindowTitle("Korvane Help");
    setObjectName("HelpWindow");
    search_ = new QLineEdit(this);
    search_->setObjectName("HelpSearch");
    search_->setPlaceholderText("Search the help");
    search_->setClearButtonEnabled(true);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& words) {
        if (!words.trimmed().isEmpty()) ShowSearch(words);
    });
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { ShowContext(url.fragment().toInt()); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addWidget(browser_);
    resize(480, 420);
}

void THelpWindow::ShowContext(int context) {
    QString html = HelpPage(context);
    context_ = html.isEmpty() ? 0 : context;
    browser_->setHtml(html.isEmpty() ? HelpPage(0) : html);
}

void THelpWindow::ShowSearch(const QString& words) {
    const std::vector<int> found = FindHelpPages(words);
    QString html = "<h2>Search: " + words.toHtmlEscaped() + "</h2>";
    if (found.empty()) {
        html += "<p>No page holds all of these words.</p>";
    } else {
        html += "<ul>";
        for (int number : found) {
            const QString page = HelpPage(number);
            const int from = page.indexOf("<h2>") + 4;
            html += QString("<li><a href=\"#%1\">%2</a></li>").arg(number).arg(page.mid(from, page.indexOf("</h2>") - from));
        }
        html += "</ul>";
    }
    browser_->setHtml(html + "<p><a href=\"#0\">Contents</a></p>");
    context_ = -1;
}

void THelpWindow::FocusSearch() {
    search_->setFocus();
    search_->selectAll();
}

QString THelpWindow::PageText() const { return browser_->toPlainText(); }

namespace {
QPointer<THelpWindow>& helpWindow() {
    static QPointer<THelpWindow> window;
    return window;
}
}  // namespace

THelpWindow* CurrentHelpWindow() { return helpWindow(); }

void CloseHelpWindow() { delete helpWindow().data(); }

THelpWindow* ShowHelp(QWidget* parent, int context) {
    QPointer<THelpWindow>& window = helpWindow();
    // A window of its own, owned by no other: the dialogs are modal to the
    // main window only, so it takes clicks beside any of them.
    const bool made = !window;
    if (made) window = new THelpWindow();
    window->ShowContext(context);
    // Beside the dialog that asked, not over it: to its right where the
    // screen has room, else to its left.
    QWidget* asker = parent ? parent->window() : nullptr;
    if (asker && asker->isVisible() && (made || !window->isVisible())) {
        const QRect screen = asker->screen() ? asker->screen()->availableGeometry() : QRect();
        const QRect frame = asker->frameGeometry();
        QPoint at(frame.right() + 8, frame.top());
        if (screen.isValid()) {
            // The side with room for it; where neither has, the roomier one,
            // narrowed to fit when that still leaves a readable page.
            const int right = screen.right() - frame.right() - 8, left = frame.left() - 8 - screen.left();
            const int w = window->width();
            const bool onRight = w <= right || (w > left && right >= left);
            const int room = onRight ? right : left;
            if (w > room && room >= 280) window->resize(room, window->height());
            at.setX(onRight ? frame.right() + 8 : frame.left() - 8 - window->width());
            at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - window->width())));
            at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() - window->height())));
        }
        window->move(at);
    }
    window->show();
    window->raise();
    return window;
}

THelpWindow* ShowHelpContents(QWidget* parent) { return ShowHelp(parent, 0); }

}  // namespace korvane
