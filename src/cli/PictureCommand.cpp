#include "cli/PictureCommand.h"

#include <algorithm>
#include <map>
#include <optional>

#include "cli/Cli.h"
#include "core/Sample.h"
#include "core/WavFile.h"
#include "musicfile/MuzFile.h"
#include "platform/Messages.h"
#include "platform/PngWriter.h"
#ifdef KORVANE_WITH_QT_PICTURES
#include "qtcanvas/QtPicture.h"
#endif
#include "score/ScoreHit.h"
#include "score/ScoreLayout.h"
#include "values/StringReader.h"
#include "wavewindow/VolumeDiagram.h"
#include "wavewindow/WaveView.h"

namespace korvane::cli {

namespace {

constexpr const char* kUsage =
    "picture IN.wav OUT.png --view wave|volume [--width W] [--height H] [--select B:E] [view options]";

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

// A selection end as the other commands read it: a sample index, or a time
// (time x frequency + 0.5, truncated), limited to the wave.
bool position(const std::string& text, const Sound& sound, int32_t& pos) {
    if (text.empty()) return false;
    int64_t v;
    size_t digits = text[0] == '-' ? 1 : 0;
    if (digits < text.size() && text.find_first_not_of("0123456789", digits) == std::string::npos &&
        text.size() - digits <= 12) {
        v = std::stoll(text);
    } else {
        TStringReader reader(text);
        double seconds;
        if (!reader.ReadTime(seconds, ckNone)) return false;
        v = truncToInt32(seconds * sound.Freq + 0.5);
    }
    pos = static_cast<int32_t>(std::clamp<int64_t>(v, 0, sound.GetValues()));
    return true;
}

// `picture MUSIC OUT.png --view score`: the score as the music window
// paints it, with Qt on the offscreen platform.
int PictureScore(const std::vector<std::string>& args, std::ostream& err) {
    constexpr const char* usage =
        "picture MUSIC OUT.png --view score [--width W] [--height H] [--scroll X] [--select S N]";
    std::vector<std::string> positional;
    int width = 1600, height = 800, scroll = 0, selectStave = 0, selectSymbol = 0;
    auto count = [](const std::string& option, const std::string& value, int from) {
        bool digits = !value.empty() && value.size() <= 7 && value.find_first_not_of("0123456789") == std::string::npos;
        int v = digits ? std::stoi(value) : -1;
        if (v < from) throw PictureUsage{option + " takes a whole number from " + std::to_string(from)};
        return v;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w.rfind("--", 0) != 0 || w.size() <= 2) {
            positional.push_back(w);
            continue;
        }
        const size_t values = w == "--select" ? 2 : 1;
        if (i + values >= args.size()) throw PictureUsage{"missing value for " + w};
        const std::string& v = args[i + 1];
        if (w == "--view")
            ;  // the caller saw "score"
        else if (w == "--width")
            width = pixels(w, v);
        else if (w == "--height")
            height = pixels(w, v);
        else if (w == "--scroll")
            scroll = count(w, v, 0);
        else if (w == "--select")
            selectStave = count(w, v, 1), selectSymbol = count(w, args[i + 2], 1);
        else
            throw PictureUsage{"unknown option " + w + " of --view score"};
        i += values;
    }
    if (positional.size() != 2) throw PictureUsage{usage};
    if (static_cast<int64_t>(width) * height > 50'000'000) throw PictureUsage{"--width x --height too large"};

    TUnitMuz unitMuz;
    std::string message;
    if (!OpenMuz(unitMuz, positional[0], message)) {
        err << "Cannot read the file: \"" << positional[0] << "\", " << message << "\n";
        return exitFile;
    }
    const TXTouchMuzSymbol* selected = nullptr;
    if (selectStave > 0) {
        selected = NthSymbolOfStave(unitMuz, selectStave, selectSymbol);
        if (!selected)
            throw PictureUsage{"--select: stave " + std::to_string(selectStave) + " has no symbol " +
                               std::to_string(selectSymbol)};
    }
#ifdef KORVANE_WITH_QT_PICTURES
    std::vector<TColor> image;
    std::string error;
    TScoreLayout layout(unitMuz);
    // The window's drawing origin: x = 5 - scroll position.
    auto paint = [&](Canvas& canvas) { LayoutAndPaintScore(canvas, layout, 5 - scroll, 0, selected); };
    if (!PaintPictureWithQt(width, height, paint, image, error)) {
        err << "picture --view score is not available: " << error << "\n";
        return exitUsage;
    }
    if (!WritePngFile(positional[1], width, height, image, error)) {
        err << error << "\n";
        return exitFile;
    }
    return exitOk;
#else
    (void)selected, (void)scroll;
    err << "picture --view score is not available: korvane-cli was built without Qt\n";
    return exitUsage;
#endif
}

}  // namespace

int Picture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "--view" && args[i + 1] == "score") return PictureScore(args, err);
        std::vector<std::string> positional;
        std::map<std::string, std::string> options;
        std::vector<std::string> waves;
        bool printSettings = false;
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& w = args[i];
            if (w == "--print-settings") {
                printSettings = true;
            } else if (w.rfind("--", 0) == 0 && w.size() > 2) {
                if (i + 1 >= args.size()) throw PictureUsage{"missing value for " + w};
                if (w == "--wave")
                    waves.push_back(args[++i]);
                else
                    options[w] = args[++i];
            } else {
                positional.push_back(w);
            }
        }
        if (positional.size() != 2 || !options.count("--view")) throw PictureUsage{kUsage};
        bool volume = choice("--view", options["--view"], {"wave", "volume"}) == 1;

        // Every option is taken once; what is left over was not ours.
        auto take = [&](const std::string& name) -> std::optional<std::string> {
            auto it = options.find(name);
            if (it == options.end()) return std::nullopt;
            std::string v = it->second;
            options.erase(it);
            return v;
        };
        take("--view");
        int width = 800, height = 400;
        if (auto v = take("--width")) width = pixels("--width", *v);
        if (auto v = take("--height")) height = pixels("--height", *v);
        if (static_cast<int64_t>(width) * height > 50'000'000) throw PictureUsage{"--width x --height too large"};
        std::optional<std::string> select = take("--select");
        take("--name");  // a registered name changes nothing in a picture

        std::unique_ptr<Sound> sound;
        std::string reason;
        if (!ReadWaveFile(positional[0], sound, reason)) {
            err << WaveReadErrorText(positional[0], reason) << "\n";
            return reason == kMemoryMessage ? exitMemory : exitFile;
        }
        // Other waves are opened as the other commands open them, so an
        // unreadable one fails the same way.
        for (const std::string& waveOption : waves) {
            std::string name, file, range;
            if (!SplitWaveOption(waveOption, name, file, range)) throw PictureUsage{"--wave takes NAME=FILE.wav[@B:E]"};
            std::unique_ptr<Sound> other;
            if (!ReadWaveFile(file, other, reason)) {
                err << WaveReadErrorText(file, reason) << "\n";
                return exitFile;
            }
        }

        int32_t first = 0, second = 0;
        if (select) {
            size_t colon = select->find(':');
            if (colon == std::string::npos || !position(select->substr(0, colon), *sound, first) ||
                !position(select->substr(colon + 1), *sound, second))
                throw PictureUsage{"--select takes B:E"};
        }

        ImageCanvas canvas(width, height);
        TWaveMapping map{0, width, 0, static_cast<double>(sound->GetValues())};
        // What both views do once their options are read: report a refused
        // value, print the settings if asked, and paint the whole picture.
        auto paint = [&](auto& props, const TReadResult& r, auto args, auto paintView) {
            if (!r.Ok) {
                err << r.Error << "\n";
                return false;
            }
            if (printSettings)
                for (const auto& line : props.Fields().SettingsLines()) out << line << "\n";
            args.TheSound = sound.get();
            args.Props = &props;
            args.Map = map;
            args.Top = 0;
            args.Bottom = height;
            args.SelBegin = std::min(first, second);
            args.SelEnd = std::max(first, second);
            args.Cursor = first;
            paintView(canvas, args, 0, width);
            return true;
        };
        if (volume) {
            TVoldViewProps props;
            RaiseVoldPeriods(props, sound->Freq);  // as the dialog shows them
            std::vector<TFieldText> texts;
            if (auto v = take("--top")) texts.emplace_back(props.Top, *v);
            if (auto v = take("--bottom")) texts.emplace_back(props.Bottom, *v);
            if (auto v = take("--vertical")) texts.emplace_back(props.Vertical, *v);
            if (auto v = take("--width-factor")) texts.emplace_back(props.Width, *v);
            if (auto v = take("--strength")) texts.emplace_back(props.Strength, *v);
            if (auto v = take("--distribution"))
                props.HorDistribution = choice("--distribution", *v, {"frequency-linear", "logaritmic", "time-linear"});
            if (auto v = take("--two-waves")) props.TwoWaves = onOff("--two-waves", *v);
            if (auto v = take("--sensitivity"))
                props.Sensitivity = choice("--sensitivity", *v, {"low", "normal", "high", "very-high"});
            if (auto v = take("--background")) props.Background = colour("--background", *v);
            if (auto v = take("--single")) props.Single = colour("--single", *v);
            if (auto v = take("--left")) props.Left = colour("--left", *v);
            if (auto v = take("--right")) props.Right = colour("--right", *v);
            if (auto v = take("--cursor")) props.Cursor = colour("--cursor", *v);
            if (!options.empty()) throw PictureUsage{"unknown option " + options.begin()->first + " of --view volume"};
            if (!paint(props, ReadVoldViewProps(props, texts, sound->Freq), TVoldPaintArgs{}, PaintVoldView))
                return exitUsage;
        } else {
            TWaveViewProps props;
            std::vector<TFieldText> texts;
            if (auto v = take("--values-per-pixel")) texts.emplace_back(props.ValuesPerPixel, *v);
            if (auto v = take("--strength")) texts.emplace_back(props.Strength, *v);
            if (auto v = take("--draw")) props.Draw = choice("--draw", *v, {"lines", "points"});
            if (auto v = take("--distribution"))
                props.Distribution = choice("--distribution", *v, {"constant", "random"});
            if (auto v = take("--draw-grid")) props.DrawGrid = onOff("--draw-grid", *v);
            if (auto v = take("--two-waves")) props.TwoWaves = onOff("--two-waves", *v);
            if (auto v = take("--combine"))
                props.Combine = choice("--combine", *v, {"mixed", "left-at-front", "right-at-front"});
            if (auto v = take("--grid")) props.Grid = colour("--grid", *v);
            if (auto v = take("--background")) props.Background = colour("--background", *v);
            if (auto v = take("--single-wave")) props.SingleWave = colour("--single-wave", *v);
            if (auto v = take("--left")) props.Left = colour("--left", *v);
            if (auto v = take("--right")) props.Right = colour("--right", *v);
            if (!options.empty()) throw PictureUsage{"unknown option " + options.begin()->first + " of --view wave"};
            if (!paint(props, props.Fields().Read(texts), TWavePaintArgs{}, PaintWaveView)) return exitUsage;
        }

        std::string error;
        if (!WritePngFile(positional[1], width, height, canvas.Pixels(), error)) {
            err << error << "\n";
            return exitFile;
        }
        return exitOk;
    } catch (const PictureUsage& e) {
        err << "usage: " << e.text << "\n";
        return exitUsage;
    }
}

}  // namespace korvane::cli
