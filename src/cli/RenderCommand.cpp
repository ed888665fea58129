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
    std::vector<std::string> positional, waves;
    std::optional<std::string> staveText, groupText, channels, frequency, bits;
    const std::map<std::string, std::optional<std::string>*> options{
        {"--stave", &staveText}, {"--group", &groupText}, {"--channels", &channels},
        {"--frequency", &frequency}, {"--bits", &bits}};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (context.takeOutOption && context.takeOutOption(args, i)) {
        } else if (w == "--wave" || options.count(w)) {
            if (i + 1 >= args.size()) return usage(err, "missing value for " + w);
            const std::string& value = args[++i];
            if (w == "--wave") waves.push_back(value);
            else *options.at(w) = value;
        } else if (w.size() > 1 && w[0] == '-') {
            return usage(err, "unknown option " + w);
        } else {
            positional.push_back(w);
        }
    }
    if (positional.size() != 2) return usage(err, kRenderUsage);
    if (std::string problem = context.outProblem(positional[1]); !problem.empty()) return usage(err, problem);

    // The document's format: a music document's defaults unless the call
    // gives one (music files do not hold it).
    TUnitMuz doc;
    int32_t freq = doc.SampleFreq;
    int16_t channelCount = doc.Channels, width = doc.BytesPSample;
    if (frequency) {
        std::string refusal = ReadFrequencyText(*frequency, freq);
        if (!refusal.empty()) {
            err << refusal << "\n";
            return exitUsage;
        }
    }
    if (channels) {
        if (*channels != "1" && *channels != "2") return usage(err, "--channels takes 1 or 2");
        channelCount = static_cast<int16_t>(*channels == "1" ? 1 : 2);
    }
    if (bits) {
        if (*bits != "8" && *bits != "16") return usage(err, "--bits takes 8 or 16");
        width = static_cast<int16_t>(*bits == "8" ? 1 : 2);
    }
    int staveIndex = 0, groupIndex = 0;
    if (staveText && !readNumber(*staveText, staveIndex)) return usage(err, "--stave takes a stave number from 1");
    if (groupText && !readNumber(*groupText, groupIndex)) return usage(err, "--group takes a group number from 1");

    std::string message;
    if (!OpenMuz(doc, positional[0], message)) {
        err << "Cannot read the file: \"" << positional[0] << "\", " << message << "\n";
        return context.memoryOr(exitFile);
    }
    doc.SampleFreq = freq;
    doc.Channels = channelCount;
    doc.BytesPSample = width;

    if (int status = context.openWaves(waves)) return status;
    // An instrument no --wave gave is looked for as NAME.wav beside the music.
    OpenInstrumentsBeside(context.space, doc, positional[0]);

    // The stave play button filters by stave; the note-group play button by
    // the group alone, taken from the given stave or the first.
    TRenderFilter filter;
    TNoteStave* stave = staveNumber(doc, staveIndex > 0 ? staveIndex : 1);
    if (staveIndex > 0 && !stave)
        return usage(err, "--stave " + *staveText + ": the music has " + std::to_string(doc.CountStaves()) +
                              " staves");
    if (groupIndex > 0) {
        TNoteGroup* group = stave ? groupNumber(*stave, groupIndex) : nullptr;
        if (!group)
            return usage(err, "--group " + *groupText + ": the stave has " +
                                  std::to_string(stave ? stave->CountNoteGroups() : 0) + " note groups");
        filter.Group = group;
    } else if (staveIndex > 0) {
        filter.Stave = stave;
    }

    bool stop = false;
    std::string error;
    std::unique_ptr<Sound> sound = RenderMusic(doc, context.space, filter, stop, error);
    if (!sound) return context.memoryOr(stop ? exitMemory : exitFile);
    bool failed = false;
    if (!context.writeOut(failed, positional[1], *sound)) return context.memoryOr(exitFile);
    return exitOk;
}

}  // namespace korvane::cli
