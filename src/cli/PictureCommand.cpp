#include "cli/PictureCommand.h"

#include "audiofile/AudioFile.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

#include "cli/CliCommon.h"
#include "commands/CommandStep.h"
#include "core/Sample.h"
#include "core/WavFile.h"
#include "musicfile/MuzFile.h"
#include "platform/Messages.h"
#include "platform/PngWriter.h"
#ifdef KORVANE_WITH_QT_PICTURES
#include "cli/QtPictureLoader.h"
#endif
#include "score/ScoreHit.h"
#include "platform/FileReplace.h"
#include "score/LayoutDump.h"
#include "score/ScoreLayout.h"
#include "values/StringReader.h"
#include "wavewindow/VolumeDiagram.h"
#include "wavewindow/WaveView.h"

namespace korvane::cli {

namespace {

constexpr const char* kUsage =
    "picture IN.wav OUT.png --view wave|volume [--width W] [--height H] [GLOBAL...] [view options]";

constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 400;

struct PictureUsage {
    std::string text;
};

// A choice option: the value must be one of `names`; gives its index.
int choice(const std::string& option, const std::string& value, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i)
        if (value == names[i]) return static_cast<int>(i);
    std::string all;
    for (const auto& n : names) all += (all.empty() ? "" : "|") + n;
    throw PictureUsage{option + " takes " + all};
}

bool onOff(const std::string& option, const std::string& value) { return choice(option, value, {"off", "on"}) == 1; }

TColor colour(const std::string& option, const std::string& value) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    bool ok = value.size() == 7 && value[0] == '#';
    int v[6] = {};
    for (int i = 0; ok && i < 6; ++i) ok = (v[i] = hex(value[i + 1])) >= 0;
    if (!ok) throw PictureUsage{option + " takes #RRGGBB"};
    return RGBColor(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
}

int pixels(const std::string& option, const std::string& value) {
    bool digits = !value.empty() && value.size() <= 6 && value.find_first_not_of("0123456789") == std::string::npos;
    int v = digits ? std::stoi(value) : 0;
    if (v < 1 || v > 16384) throw PictureUsage{option + " takes a number of pixels from 1 to 16384"};
    return v;
}

// A whole number option of --view score, at least `from`.
int wholeNumber(const std::string& option, const std::string& value, int from) {
    bool digits = !value.empty() && value.size() <= 7 && value.find_first_not_of("0123456789") == std::string::npos;
    int v = digits ? std::stoi(value) : -1;
    if (v < from) throw PictureUsage{option + " takes a whole number from " + std::to_string(from)};
    return v;
}

// What a call of `picture ... --view score` asks for.
struct ScorePictureCall {
    std::vector<std::string> positional;
    int width = 1600, height = 800, scroll = 0, selectStave = 0, selectSymbol = 0;
    std::string layoutFile;
};

ScorePictureCall readScorePictureCall(const std::vector<std::string>& args) {
    constexpr const char* usage =
        "picture MUSIC OUT.png --view score [--width W] [--height H] [--scroll X] [--select S N] [--layout FILE]";
    ScorePictureCall call;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w.rfind("--", 0) != 0 || w.size() <= 2) {
            call.positional.push_back(w);
            continue;
        }
        const size_t values = w == "--select" ? 2 : 1;
        if (i + values >= args.size()) throw PictureUsage{"missing value for " + w};
        const std::string& v = args[i + 1];
        if (w == "--view")
            ;  // the caller saw "score"
        else if (w == "--width")
            call.width = pixels(w, v);
        else if (w == "--height")
            call.height = pixels(w, v);
        else if (w == "--scroll")
            call.scroll = wholeNumber(w, v, 0);
        else if (w == "--select")
            call.selectStave = wholeNumber(w, v, 1), call.selectSymbol = wholeNumber(w, args[i + 2], 1);
        else if (w == "--layout")
            call.layoutFile = v;
        else
            throw PictureUsage{"unknown option " + w + " of --view score"};
        i += values;
    }
    if (call.positional.size() != 2) throw PictureUsage{usage};
    if (static_cast<int64_t>(call.width) * call.height > 50'000'000)
        throw PictureUsage{"--width x --height too large"};
    return call;
}

// Paints the score into the PNG file and writes the layout file if asked.
int writeScorePicture(const ScorePictureCall& call, TUnitMuz& unitMuz, const TXTouchMuzSymbol* selected,
                      std::ostream& err) {
#ifdef KORVANE_WITH_QT_PICTURES
    std::vector<TColor> image;
    std::string error;
    TScoreLayout layout(unitMuz);
    // The window's drawing origin: x = 5 - scroll position.
    auto paint = [&](Canvas& canvas) { LayoutAndPaintScore(canvas, layout, 5 - call.scroll, 0, selected); };
    if (!PaintWithQtModule(call.width, call.height, paint, image, error)) {
        err << "picture --view score is not available: " << error << "\n";
        return exitUsage;
    }
    if (!WritePngFile(call.positional[1], call.width, call.height, image, error)) {
        err << error << "\n";
        return exitFile;
    }
    if (!call.layoutFile.empty()) {
        const std::string text = ScoreLayoutDump(layout);
        if (!ReplaceFileWith(call.layoutFile, text.data(), text.size())) {
            err << "Cannot write the file \"" << call.layoutFile << "\".\n";
            return exitFile;
        }
    }
    return exitOk;
#else
    (void)call, (void)unitMuz, (void)selected;
    err << "picture --view score is not available: korvane-cli was built without Qt\n";
    return exitUsage;
#endif
}

// `picture MUSIC OUT.png --view score`: the score as the music window
// paints it, with Qt on the offscreen platform.
int PictureScore(const std::vector<std::string>& args, std::ostream& err) {
    const ScorePictureCall call = readScorePictureCall(args);
    TUnitMuz unitMuz;
    std::string message;
    if (!OpenMuz(unitMuz, call.positional[0], message)) {
        err << "Cannot read the file: \"" << call.positional[0] << "\", " << message << "\n";
        return message == kMemoryMessage ? exitMemory : exitFile;
    }
    const TXTouchMuzSymbol* selected = nullptr;
    if (call.selectStave > 0) {
        selected = NthSymbolOfStave(unitMuz, call.selectStave, call.selectSymbol);
        if (!selected)
            throw PictureUsage{"--select: stave " + std::to_string(call.selectStave) + " has no symbol " +
                               std::to_string(call.selectSymbol)};
    }
    return writeScorePicture(call, unitMuz, selected, err);
}

std::string hexColour(TColor c) {
    static const char* digits = "0123456789ABCDEF";
    std::string text = "#";
    for (int v : {RedOf(c), GreenOf(c), BlueOf(c)}) {
        text += digits[v >> 4];
        text += digits[v & 15];
    }
    return text;
}

std::string joined(const std::vector<std::string>& all) {
    std::string text;
    for (const auto& n : all) text += (text.empty() ? "" : "|") + n;
    return text;
}

// One option of a view: how it sets the view's settings and what help shows
// for it, the default taken from a fresh record so that the two cannot differ.
template <class Props>
struct ViewOption {
    std::string name;
    std::string takes;
    std::function<void(Props&, std::vector<TFieldText>&, const std::string&)> set;
    std::function<std::string(Props&)> shown;
};

template <class Props, class Field>
ViewOption<Props> typed(const char* name, const char* takes, Field Props::*field) {
    return {
        name, takes,
        [field](Props& p, std::vector<TFieldText>& texts, const std::string& v) { texts.emplace_back(p.*field, v); },
        [field](Props& p) { return (p.*field).ToText(); }};
}

template <class Props>
ViewOption<Props> chosen(const char* name, std::vector<std::string> values, int Props::*field) {
    return {name, joined(values),
            [=](Props& p, std::vector<TFieldText>&, const std::string& v) { p.*field = choice(name, v, values); },
            [=](Props& p) { return values[p.*field]; }};
}

template <class Props>
ViewOption<Props> flag(const char* name, bool Props::*field) {
    return {name, "on|off",
            [=](Props& p, std::vector<TFieldText>&, const std::string& v) { p.*field = onOff(name, v); },
            [=](Props& p) { return std::string(p.*field ? "on" : "off"); }};
}

template <class Props>
ViewOption<Props> colourOf(const char* name, TColor Props::*field) {
    return {name, "#RRGGBB",
            [=](Props& p, std::vector<TFieldText>&, const std::string& v) { p.*field = colour(name, v); },
            [=](Props& p) { return hexColour(p.*field); }};
}

// In the order they are read, which decides the error a call with several
// wrong options gets.
const std::vector<ViewOption<TVoldViewProps>>& voldOptions() {
    using P = TVoldViewProps;
    static const std::vector<ViewOption<P>> table{
        typed("--top", "time or frequency", &P::Top),
        typed("--bottom", "time or frequency", &P::Bottom),
        typed("--vertical", "bands", &P::Vertical),
        typed("--width-factor", "factor", &P::Width),
        typed("--strength", "factor", &P::Strength),
        chosen("--distribution", {"frequency-linear", "logaritmic", "time-linear"}, &P::HorDistribution),
        flag("--two-waves", &P::TwoWaves),
        chosen("--sensitivity", {"low", "normal", "high", "very-high"}, &P::Sensitivity),
        colourOf("--background", &P::Background),
        colourOf("--single", &P::Single),
        colourOf("--left", &P::Left),
        colourOf("--right", &P::Right),
        colourOf("--cursor", &P::Cursor),
    };
    return table;
}

const std::vector<ViewOption<TWaveViewProps>>& waveOptions() {
    using P = TWaveViewProps;
    static const std::vector<ViewOption<P>> table{
        typed("--values-per-pixel", "count", &P::ValuesPerPixel),
        typed("--strength", "factor up to 1", &P::Strength),
        chosen("--draw", {"lines", "points"}, &P::Draw),
        chosen("--distribution", {"constant", "random", "peaks"}, &P::Distribution),
        flag("--draw-grid", &P::DrawGrid),
        flag("--two-waves", &P::TwoWaves),
        chosen("--combine", {"mixed", "left-at-front", "right-at-front"}, &P::Combine),
        colourOf("--grid", &P::Grid),
        colourOf("--background", &P::Background),
        colourOf("--single-wave", &P::SingleWave),
        colourOf("--left", &P::Left),
        colourOf("--right", &P::Right),
    };
    return table;
}

template <class Props>
void listOptions(std::ostream& out, const std::vector<ViewOption<Props>>& table) {
    Props fresh;
    for (const auto& o : table) out << "  " << o.name << " " << o.takes << "  (" << o.shown(fresh) << ")\n";
}

// The words of a call of `picture IN.wav OUT.png`: its files, its options by
// name and its --wave options in order.
struct WavePictureCall {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::vector<std::string> waves;
    bool printSettings = false;

    // Every option is taken once; what is left over was not ours.
    std::optional<std::string> take(const std::string& name) {
        auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        std::string v = it->second;
        options.erase(it);
        return v;
    }
};

WavePictureCall readWavePictureCall(const std::vector<std::string>& args) {
    WavePictureCall call;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "--print-settings") {
            call.printSettings = true;
        } else if (w.rfind("--", 0) == 0 && w.size() > 2) {
            if (i + 1 >= args.size()) throw PictureUsage{"missing value for " + w};
            if (w == "--wave")
                call.waves.push_back(args[++i]);
            else
                call.options[w] = args[++i];
        } else {
            call.positional.push_back(w);
        }
    }
    if (call.positional.size() != 2 || !call.options.count("--view")) throw PictureUsage{kUsage};
    return call;
}

// Other waves are opened as the other commands open them, so an unreadable
// one fails the same way. Gives the exit status of a failure, else exitOk.
int openOtherWaves(const std::vector<std::string>& waves, std::ostream& err) {
    std::string reason, format;
    for (const std::string& waveOption : waves) {
        std::string name, file, range;
        if (!SplitWaveOption(waveOption, name, file, range)) throw PictureUsage{"--wave takes NAME=FILE.wav[@B:E]"};
        std::unique_ptr<Sound> other;
        if (!ReadSoundFile(file, other, reason, format)) {
            err << WaveReadErrorText(file, reason) << "\n";
            return exitFile;
        }
    }
    return exitOk;
}

// The picture of a wave being made: where it is painted and what of the
// call both views need.
struct WavePicture {
    const Sound& sound;
    ImageCanvas& canvas;
    int width, height;
    int32_t first, second;
    bool printSettings;
    std::ostream& out;
    std::ostream& err;
};

// Sets the view's settings from the call's options of its table; an option
// left over was not one of the view's.
template <class Props>
std::vector<TFieldText> readViewOptions(WavePictureCall& call, Props& props,
                                        const std::vector<ViewOption<Props>>& table, const char* view) {
    std::vector<TFieldText> texts;
    for (const auto& o : table)
        if (auto v = call.take(o.name)) o.set(props, texts, *v);
    if (!call.options.empty())
        throw PictureUsage{"unknown option " + call.options.begin()->first + " of --view " + view};
    return texts;
}

// What both views do once their options are read: report a refused value,
// print the settings if asked, and paint the whole picture.
template <class Props, class Args, class PaintView>
bool paintView(WavePicture& picture, Props& props, const TReadResult& r, Args args, PaintView paint) {
    if (!r.Ok) {
        picture.err << r.Error << "\n";
        return false;
    }
    if (picture.printSettings)
        for (const auto& line : props.Fields().SettingsLines()) picture.out << line << "\n";
    args.TheSound = &picture.sound;
    args.Props = &props;
    args.Map = TWaveMapping{0, picture.width, 0, static_cast<double>(picture.sound.GetValues())};
    args.Top = 0;
    args.Bottom = picture.height;
    args.SelBegin = std::min(picture.first, picture.second);
    args.SelEnd = std::max(picture.first, picture.second);
    args.Cursor = picture.first;
    paint(picture.canvas, args, 0, picture.width);
    return true;
}

// Reads the options of the view asked for and paints it; false when a value
// was refused (reported).
bool paintAskedView(WavePictureCall& call, bool volume, WavePicture& picture) {
    if (volume) {
        TVoldViewProps props;
        RaiseVoldPeriods(props, picture.sound.Freq);  // as the dialog shows them
        std::vector<TFieldText> texts = readViewOptions(call, props, voldOptions(), "volume");
        return paintView(picture, props, ReadVoldViewProps(props, texts, picture.sound.Freq), TVoldPaintArgs{},
                         PaintVoldView);
    }
    TWaveViewProps props;
    std::vector<TFieldText> texts = readViewOptions(call, props, waveOptions(), "wave");
    return paintView(picture, props, props.Fields().Read(texts), TWavePaintArgs{}, PaintWaveView);
}

// `picture IN.wav OUT.png --view wave|volume`.
int PictureWave(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    WavePictureCall call = readWavePictureCall(args);
    bool volume = choice("--view", call.options["--view"], {"wave", "volume"}) == 1;
    call.take("--view");
    int width = kDefaultWidth, height = kDefaultHeight;
    if (auto v = call.take("--width")) width = pixels("--width", *v);
    if (auto v = call.take("--height")) height = pixels("--height", *v);
    if (static_cast<int64_t>(width) * height > 50'000'000) throw PictureUsage{"--width x --height too large"};
    std::optional<std::string> select = call.take("--select");
    call.take("--name");  // a registered name changes nothing in a picture

    std::unique_ptr<Sound> sound;
    std::string reason, format;
    if (!ReadSoundFile(call.positional[0], sound, reason, format)) {
        err << WaveReadErrorText(call.positional[0], reason) << "\n";
        return reason == kMemoryMessage ? exitMemory : exitFile;
    }
    if (int status = openOtherWaves(call.waves, err); status != exitOk) return status;

    int32_t first = 0, second = 0;
    if (select && !ReadSelectionText(*select, sound->Freq, sound->GetValues(), first, second))
        throw PictureUsage{"--select takes B:E"};

    ImageCanvas canvas(width, height);
    WavePicture picture{*sound, canvas, width, height, first, second, call.printSettings, out, err};
    if (!paintAskedView(call, volume, picture)) return exitUsage;

    std::string error;
    if (!WritePngFile(call.positional[1], width, height, canvas.Pixels(), error)) {
        err << error << "\n";
        return exitFile;
    }
    return exitOk;
}

}  // namespace

void PictureHelp(std::ostream& out) {
    out << "korvane-cli " << kUsage << "\n"
        << "  --view wave|volume|score\n"
        << "  --width W  pixels, 1 to 16384  (" << kDefaultWidth << ")\n"
        << "  --height H  pixels, 1 to 16384  (" << kDefaultHeight << ")\n"
        << "  --select B:E  the selection: sample indices or times  (none)\n"
        << "  --wave NAME=FILE.wav[@B:E], --name NAME, --print-settings  as for apply\n"
        << "--view wave:\n";
    listOptions(out, waveOptions());
    out << "--view volume (Top and Bottom are raised to two sample periods):\n";
    listOptions(out, voldOptions());
    out << "korvane-cli picture MUSIC OUT.png --view score [--width W] [--height H] [--scroll X] [--select S N] "
           "[--layout FILE]\n"
        << "--view score (the score as the music window paints it; 1600 x 800 unless told):\n"
        << "  --scroll X  pixels scrolled to the right  (0)\n"
        << "  --select S N  the N-th symbol of stave S selected, both from 1  (none)\n"
        << "  --layout FILE  also write the layout drawn, one line per symbol  (none)\n";
}

int Picture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "--view" && args[i + 1] == "score") return PictureScore(args, err);
        return PictureWave(args, out, err);
    } catch (const PictureUsage& e) {
        err << "usage: " << e.text << "\n";
        return exitUsage;
    }
}

}  // namespace korvane::cli
