#include "cli/RenderCommand.h"
#include "cli/OutFormat.h"

#include <map>
#include <memory>
#include <optional>

#include "cli/CliCommon.h"
#include "core/WavFile.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "commands/CommandTable.h"
#include "processing/TWorkspace.h"
#include "render/Instruments.h"
#include "render/MusicRender.h"

namespace korvane::cli {

namespace {

const char* const kRenderUsage =
    "render MUSIC OUT.wav [--wave NAME=FILE.wav[@B:E]]... [--stave N] [--group N] [--channels 1|2] "
    "[--frequency HZ] [--bits 8|16]";

int usage(std::ostream& err, const std::string& text) {
    err << "usage: " << text << "\n";
    return exitUsage;
}

// A count from 1, as the staves and note groups are numbered.
bool readNumber(const std::string& text, int& number) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    number = std::stoi(text);
    return number >= 1;
}

TNoteStave* staveNumber(const TUnitMuz& doc, int number) {
    TStave* stave = doc.GetFirstStave();
    for (int i = 1; stave && i < number; ++i) stave = stave->GetNext();
    return static_cast<TNoteStave*>(stave);
}

TNoteGroup* groupNumber(const TNoteStave& stave, int number) {
    TNoteGroup* group = stave.GetStartNoteGroup();
    for (int i = 1; group && i < number; ++i) group = group->GetNext();
    return group;
}

// The words of a call of `render`, its options not read yet.
struct RenderCall {
    std::vector<std::string> positional, waves;
    std::optional<std::string> staveText, groupText, channels, frequency, bits;
};

// Sorts the call's words; gives the exit status of a usage error, else exitOk.
int readRenderCall(const std::vector<std::string>& args, const RenderContext& context, RenderCall& call) {
    std::ostream& err = context.err;
    const std::map<std::string, std::optional<std::string>*> options{
        {"--stave", &call.staveText}, {"--group", &call.groupText}, {"--channels", &call.channels},
        {"--frequency", &call.frequency}, {"--bits", &call.bits}};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (context.takeOutOption && context.takeOutOption(args, i)) {
        } else if (w == "--wave" || options.count(w)) {
            if (i + 1 >= args.size()) return usage(err, "missing value for " + w);
            const std::string& value = args[++i];
            if (w == "--wave") call.waves.push_back(value);
            else *options.at(w) = value;
        } else if (w.size() > 1 && w[0] == '-') {
            return usage(err, "unknown option " + w);
        } else {
            call.positional.push_back(w);
        }
    }
    if (call.positional.size() != 2) return usage(err, kRenderUsage);
    if (std::string problem = context.outProblem(call.positional[1]); !problem.empty()) return usage(err, problem);
    return exitOk;
}

// What the rendered sound is made of and what of the music plays.
struct RenderSettings {
    int32_t freq;
    int16_t channelCount, width;
    int staveIndex = 0, groupIndex = 0;
};

// The document's format: a music document's defaults unless the call gives
// one (music files do not hold it); and the stave and group numbers. Gives
// the exit status of a refused option, else exitOk.
int readRenderSettings(const RenderCall& call, const TUnitMuz& fresh, std::ostream& err, RenderSettings& settings) {
    settings.freq = fresh.SampleFreq;
    settings.channelCount = fresh.Channels;
    settings.width = fresh.BytesPSample;
    if (call.frequency) {
        std::string refusal = ReadFrequencyText(*call.frequency, settings.freq);
        if (!refusal.empty()) {
            err << refusal << "\n";
            return exitUsage;
        }
    }
    if (call.channels) {
        if (*call.channels != "1" && *call.channels != "2") return usage(err, "--channels takes 1 or 2");
        settings.channelCount = static_cast<int16_t>(*call.channels == "1" ? 1 : 2);
    }
    if (call.bits) {
        if (*call.bits != "8" && *call.bits != "16") return usage(err, "--bits takes 8 or 16");
        settings.width = static_cast<int16_t>(*call.bits == "8" ? 1 : 2);
    }
    if (call.staveText && !readNumber(*call.staveText, settings.staveIndex))
        return usage(err, "--stave takes a stave number from 1");
    if (call.groupText && !readNumber(*call.groupText, settings.groupIndex))
        return usage(err, "--group takes a group number from 1");
    return exitOk;
}

// The stave play button filters by stave; the note-group play button by the
// group alone, taken from the given stave or the first. Gives the exit
// status of a stave or group the music does not have, else exitOk.
int chooseFilter(const TUnitMuz& doc, const RenderCall& call, const RenderSettings& settings, std::ostream& err,
                 TRenderFilter& filter) {
    TNoteStave* stave = staveNumber(doc, settings.staveIndex > 0 ? settings.staveIndex : 1);
    if (settings.staveIndex > 0 && !stave)
        return usage(err, "--stave " + *call.staveText + ": the music has " + std::to_string(doc.CountStaves()) +
                              " staves");
    if (settings.groupIndex > 0) {
        TNoteGroup* group = stave ? groupNumber(*stave, settings.groupIndex) : nullptr;
        if (!group)
            return usage(err, "--group " + *call.groupText + ": the stave has " +
                                  std::to_string(stave ? stave->CountNoteGroups() : 0) + " note groups");
        filter.Group = group;
    } else if (settings.staveIndex > 0) {
        filter.Stave = stave;
    }
    return exitOk;
}

}  // namespace

void MusicRenderHelp(std::ostream& out) {
    // The defaults are those of a new music document, which render starts from.
    TUnitMuz doc;
    out << "korvane-cli " << kRenderUsage << "\n"
        << "  --wave NAME=FILE.wav[@B:E]  opens a wave under NAME for the players to sample; repeatable\n"
        << "  --stave N  renders only the notes of stave N, counted from 1\n"
        << "  --group N  renders only note group N of --stave (else of the first stave), counted from 1\n"
        << "  --channels 1|2  (" << doc.Channels << ")\n"
        << "  --frequency HZ  1 to 1000000  (" << doc.SampleFreq << ")\n"
        << "  --bits 8|16  (" << doc.BytesPSample * 8 << ")\n"
        << kOutOptionsHelp;
}

int MusicRender(const std::vector<std::string>& args, const RenderContext& context) {
    std::ostream& err = context.err;
    RenderCall call;
    if (int status = readRenderCall(args, context, call); status != exitOk) return status;
    TUnitMuz doc;
    RenderSettings settings;
    if (int status = readRenderSettings(call, doc, err, settings); status != exitOk) return status;

    std::string message;
    if (!OpenMuz(doc, call.positional[0], message)) {
        err << "Cannot read the file: \"" << call.positional[0] << "\", " << message << "\n";
        return context.memoryOr(exitFile);
    }
    doc.SampleFreq = settings.freq;
    doc.Channels = settings.channelCount;
    doc.BytesPSample = settings.width;

    if (int status = context.openWaves(call.waves)) return status;
    // An instrument no --wave gave is looked for as NAME.wav beside the music.
    OpenInstrumentsBeside(context.space, doc, call.positional[0]);

    TRenderFilter filter;
    if (int status = chooseFilter(doc, call, settings, err, filter); status != exitOk) return status;

    bool stop = false;
    std::string error;
    std::unique_ptr<Sound> sound = RenderMusic(doc, context.space, filter, stop, error);
    if (!sound) return context.memoryOr(stop ? exitMemory : exitFile);
    bool failed = false;
    if (!context.writeOut(failed, call.positional[1], *sound)) return context.memoryOr(exitFile);
    return exitOk;
}

}  // namespace korvane::cli
