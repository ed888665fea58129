#include "cli/Cli.h"
#include "cli/InterchangeCommands.h"
#include "cli/MusicCommands.h"
#include "cli/RenderCommand.h"
#include "cli/PictureCommand.h"
#include "cli/ScoreCommand.h"
#include "cli/OutFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "audiofile/AudioFile.h"
#include "core/Allocation.h"
#include "core/Sample.h"
#include "core/WavFile.h"
#include "platform/Messages.h"
#include "commands/CommandTable.h"
#include "processing/TWorkspace.h"
#include "values/StringReader.h"

namespace korvane::cli {

namespace {

// Boxes become lines on stderr with the box's text alone, as the contract
// fixes them; a memory failure is remembered for the exit status.
class CliMessages : public Messages {
public:
    explicit CliMessages(std::ostream& err) : err_(err) {}
    bool memoryFailed = false;
    void show(const std::string&, const std::string& text, MessageIcon) override {
        if (text == kMemoryMessage) {
            if (memoryFailed) return;
            memoryFailed = true;
        }
        err_ << text << "\n";
    }
    MessageAnswer askYesNoCancel(const std::string&, const std::string&) override { return MessageAnswer::Cancel; }
    MessageAnswer askOkCancel(const std::string&, const std::string&) override { return MessageAnswer::Cancel; }

private:
    std::ostream& err_;
};

struct UsageError {
    std::string text;
};

class Call {
public:
    Call(std::ostream& out, std::ostream& err) : out_(out), err_(err), boxes_(err) { setMessages(&boxes_); }
    ~Call() { setMessages(nullptr); }

    int Dispatch(const std::vector<std::string>& args);

private:
    std::ostream& out_;
    std::ostream& err_;
    CliMessages boxes_;
    TWorkspace space_;

    // Global options.
    std::optional<std::string> select_;
    std::vector<std::string> waves_;
    std::optional<std::string> name_;
    bool printSettings_ = false;
    OutOptions outOptions_;
    AudioWriteSettings outSettings_;

    int Help(const std::vector<std::string>& positional);
    int Info(const std::vector<std::string>& files);
    int Apply(const std::vector<std::string>& args);
    int New(const std::vector<std::string>& args);

    // Splits off the global options wherever they stand before the steps and
    // returns the positional words and the step words (from the first word
    // that names a command, once `positionals` positional words were seen).
    void SplitArgs(const std::vector<std::string>& args, size_t positionals,
                   const std::map<std::string, std::string*>& ownOptions, std::vector<std::string>& positional,
                   std::vector<std::string>& steps);
    int Prepare(TUnitWave& doc);
    // Reads IN (or a --wave file) as Open does: our WAV reader or libsndfile.
    bool ReadIn(const std::string& file, std::unique_ptr<Sound>& sound);
    // Makes the settings OUT is written with; before any step runs, so that
    // a wrong option costs no work.
    void CheckOut(const std::string& outFile);
    // Opens the `--wave` documents under their names.
    int OpenWaves();
    int RunSteps(TUnitWave& first, const std::vector<std::string>& words);
    // `apply` of a WAV file to a WAV file whose steps all go through the
    // sound in order (or that has none): read, changed and written block by
    // block, all at once. The exit status, or nothing when the call is not
    // of that kind (or cannot be done so after all) and takes the usual way.
    std::optional<int> Stream(const std::string& inFile, const std::string& outFile,
                              const std::vector<std::string>& words);
    // A merge step replaces the edited document; a split step ends the chain
    // with files of its own, and OUT is not written.
    TUnitWave* replaced_ = nullptr;
    bool chainEnded_ = false;
    int Finish(TUnitWave& doc, const std::string& outFile);
    int Fail(const UsageError& e) {
        err_ << "usage: " << e.text << "\n";
        return exitUsage;
    }
    int MemoryOr(int status) const { return boxes_.memoryFailed ? exitMemory : status; }
};

bool isGlobal(const std::string& w) {
    return w == "--select" || w == "--wave" || w == "--name" || w == "--print-settings";
}

void Call::SplitArgs(const std::vector<std::string>& args, size_t positionals,
                     const std::map<std::string, std::string*>& ownOptions, std::vector<std::string>& positional,
                     std::vector<std::string>& steps) {
    size_t i = 0;
    auto value = [&](const std::string& option) -> std::string {
        if (i + 1 >= args.size()) throw UsageError{"missing value for " + option};
        return args[++i];
    };
    auto takeOut = [&](size_t& at) {
        std::string problem;
        if (!TakeOutOption(args, at, outOptions_, problem)) return false;
        if (!problem.empty()) throw UsageError{problem};
        return true;
    };
    for (; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "--select") {
            select_ = value(w);
        } else if (w == "--wave") {
            waves_.push_back(value(w));
        } else if (w == "--name") {
            name_ = value(w);
        } else if (w == "--print-settings") {
            printSettings_ = true;
        } else if (takeOut(i)) {
        } else if (ownOptions.count(w)) {
            *ownOptions.at(w) = value(w);
        } else if (w.rfind("--", 0) == 0 && w != "--") {
            throw UsageError{"unknown option " + w};
        } else if (positional.size() < positionals) {
            positional.push_back(w);
        } else {
            break;
        }
    }
    // Global options may also stand among the steps.
    for (; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (takeOut(i)) {
        } else if (isGlobal(w) && w != "--print-settings") {
            std::string v = value(w);
            if (w == "--select") select_ = v;
            else if (w == "--wave") waves_.push_back(v);
            else name_ = v;
        } else if (w == "--print-settings") {
            printSettings_ = true;
        } else {
            steps.push_back(w);
        }
    }
}

// "B:E" sets the selection with B as the first end (B may be larger than E).
bool ApplySelection(TUnitWave& doc, const std::string& text) {
    int32_t b, e;
    if (!ReadSelectionText(text, doc.GetFreq(), doc.GetValues(), b, e)) return false;
    doc.SetFirstEnd(b);
    doc.SetSecondEnd(e);
    return true;
}

int Call::Prepare(TUnitWave& doc) {
    if (int s = OpenWaves()) return s;
    if (name_ && !space_.SetName(doc, *name_)) return exitUsage;
    if (select_ && !ApplySelection(doc, *select_)) throw UsageError{"--select takes B:E"};
    return exitOk;
}

}  // namespace

bool SplitWaveOption(const std::string& option, std::string& name, std::string& file, std::string& range) {
    size_t eq = option.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    name = option.substr(0, eq);
    file = option.substr(eq + 1);
    range.clear();
    size_t at = file.rfind('@');
    if (at != std::string::npos && file.find(':', at) != std::string::npos) {
        range = file.substr(at + 1);
        file = file.substr(0, at);
    }
    return true;
}

namespace {

int Call::OpenWaves() {
    for (const std::string& waveOption : waves_) {
        std::string name, file, range;
        if (!SplitWaveOption(waveOption, name, file, range)) throw UsageError{"--wave takes NAME=FILE.wav[@B:E]"};
        std::unique_ptr<Sound> sound;
        if (!ReadIn(file, sound)) return MemoryOr(exitFile);
        auto& other = space_.AddWave(std::make_unique<TUnitWave>(std::move(sound), file));
        if (!space_.SetName(other, name)) return exitUsage;
        if (!range.empty() && !ApplySelection(other, range)) throw UsageError{"--wave selection " + range};
    }
    return exitOk;
}


bool Call::ReadIn(const std::string& file, std::unique_ptr<Sound>& sound) {
    std::string reason, format;
    if (ReadSoundFile(file, sound, reason, format)) return true;
    err_ << WaveReadErrorText(file, reason) << "\n";
    return false;
}

void Call::CheckOut(const std::string& outFile) {
    std::string problem = OutSettings(outOptions_, outFile, outSettings_);
    if (!problem.empty()) throw UsageError{problem};
}

int Call::Dispatch(const std::vector<std::string>& args) {
    try {
        if (args.empty()) throw UsageError{"korvane-cli --version | help | info | apply | new ... (see korvane-cli help)"};
        const std::string& command = args[0];
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (command == "--version") {
            out_ << "korvane-cli 7.1\n";
            return exitOk;
        }
        if (command == "help" || command == "--help" || command == "-h") return Help(rest);
        if (command == "info") return Info(rest);
        if (command == "apply") return Apply(rest);
        if (command == "new") return New(rest);
        if (command == "check") return MusicCheck(rest, out_, err_);
        if (command == "convert") return MusicConvert(rest, out_, err_);
        if (command == "export") return MusicExport(rest, out_, err_);
        if (command == "import") return MusicImport(rest, out_, err_);
        if (command == "picture") return Picture(rest, out_, err_);
        if (command == "render" || command == "score") {
            auto openWaves = [&](const std::vector<std::string>& waves) {
                waves_ = waves;
                return OpenWaves();
            };
            auto takeOut = [&](const std::vector<std::string>& words, size_t& i) {
                std::string problem;
                if (!TakeOutOption(words, i, outOptions_, problem)) return false;
                if (!problem.empty()) throw UsageError{problem};
                return true;
            };
            auto outProblem = [&](const std::string& outFile) {
                return OutSettings(outOptions_, outFile, outSettings_);
            };
            auto writeOut = [&](bool& failed, const std::string& outFile, const Sound& sound) {
                return WriteAudioFile(failed, outFile, AudioFormatForName(outFile), sound, 0, sound.GetValues(),
                                      outSettings_);
            };
            RenderContext context{space_,   out_,    err_,    openWaves, [&](int s) { return MemoryOr(s); },
                                  takeOut, outProblem, writeOut};
            return command == "render" ? MusicRender(rest, context) : MusicScore(rest, context);
        }
        throw UsageError{"unknown command " + command};
    } catch (const UsageError& e) {
        return Fail(e);
    }
}

// The options every wave call takes, as help lists them.
void globalOptionsHelp(std::ostream& out) {
    out << "  --select B:E  the selection before the first step: sample indices or times (\"0.5 s\"), "
           "B may be larger than E  (empty at 0)\n"
           "  --wave NAME=FILE.wav[@B:E]  opens another wave under NAME, optionally with a selection; repeatable\n"
           "  --name NAME  registers the edited wave under NAME\n"
           "  --print-settings  prints the typed fields of each step before it runs\n"
        << kOutOptionsHelp;
}

void newHelp(std::ostream& out) {
    WaveFileProps props;
    out << "  --frequency HZ  1 to 1000000  (" << props.SampleFreq << ")\n"
        << "  --channels 1|2  (" << props.MonoStereo << ")\n"
        << "  --bits 8|16  (" << props.BytesPSample * 8 << ")\n";
    globalOptionsHelp(out);
}

// The calls in the order help lists them. `help` alone prints every synopsis;
// `help CALL` the call's synopsis and its options.
struct CallHelp {
    const char* name;
    const char* synopsis;  // after "korvane-cli "; empty when `options` prints it
    void (*options)(std::ostream& out);
};

const std::vector<CallHelp>& callHelps() {
    static const std::vector<CallHelp> calls{
        {"--version", "--version", nullptr},
        {"help", "help [COMMAND]", nullptr},
        {"info", "info FILE.wav...", nullptr},
        {"apply", "apply IN.wav OUT.wav [GLOBAL...] [STEP [-- STEP]...]", globalOptionsHelp},
        {"new", "new OUT.wav [--frequency HZ] [--channels 1|2] [--bits 8|16] [GLOBAL...] [STEP [-- STEP]...]", newHelp},
        {"render", "", MusicRenderHelp},
        {"check", "check MUSIC", nullptr},
        {"convert", "convert MUSIC OUT.xml", nullptr},
        {"export", "", MusicExportHelp},
        {"import", "", MusicImportHelp},
        {"picture", "", PictureHelp},
        {"score", "", ScoreHelp},
    };
    return calls;
}

int Call::Help(const std::vector<std::string>& args) {
    if (args.size() > 1) throw UsageError{"help [COMMAND]"};
    if (args.empty()) {
        for (const CallHelp& call : callHelps()) {
            if (*call.synopsis) {
                out_ << "korvane-cli " << call.synopsis << "\n";
            } else {
                // The synopses are the lines of the call's own help that name
                // the program (picture has one for waves and one for music).
                std::ostringstream text;
                call.options(text);
                std::istringstream lines(text.str());
                for (std::string line; std::getline(lines, line);)
                    if (line.rfind("korvane-cli ", 0) == 0) out_ << line << "\n";
            }
        }
        out_ << "GLOBAL: --select B:E, --wave NAME=FILE.wav[@B:E], --name NAME, --print-settings,\n"
                "        --out-quality Q, --out-bitrate KBPS, --out-vbr\n"
                "IN and --wave files: WAV (.wav or \"RIFF\" at the start) by our reader; FLAC, Ogg Vorbis, Opus,\n"
                "MP3, AIFF, CAF, W64, RF64, float WAV and every other libsndfile reads.\n"
                "OUT: .flac, .ogg, .opus, .mp3, .aif, .aiff in that format; WAV for .wav and any other name.\n"
                "Steps:\n";
        for (const auto& c : Commands())
            if (c.makeStep) out_ << "  " << c.cliName << "\n";
        return exitOk;
    }
    for (const CallHelp& call : callHelps()) {
        if (args[0] != call.name) continue;
        if (*call.synopsis) out_ << "korvane-cli " << call.synopsis << "\n";
        if (call.options) call.options(out_);
        return exitOk;
    }
    const Command* c = FindCommandByCliName(args[0]);
    if (!c) throw UsageError{"unknown command " + args[0]};
    std::string hint = c->hint.substr(c->hint.find('|') + 1);
    out_ << c->cliName << ": " << hint << "\n";
    // The options come from a step made on an empty document, so the defaults
    // shown are the record's own.
    TUnitWave scratch(WaveFileProps{}, "");
    auto step = c->makeStep(space_, scratch);
    for (const auto& o : step->Options()) out_ << "  " << o.name << (o.help.empty() ? "" : "  " + o.help) << "\n";
    return exitOk;
}

int Call::Info(const std::vector<std::string>& files) {
    if (files.empty()) throw UsageError{"info FILE..."};
    int status = exitOk;
    for (const std::string& file : files) {
        std::unique_ptr<Sound> sound;
        std::string reason, format;
        if (!ReadSoundFile(file, sound, reason, format)) {
            err_ << WaveReadErrorText(file, reason) << "\n";
            status = MemoryOr(exitFile);
            continue;
        }
        TUnitWave doc(std::move(sound), file);
        out_ << "file: " << file << "\n"
             << "samples: " << doc.GetValues() << "\n"
             << "duration: " << doc.DurationText() << "\n"
             << "frequency: " << doc.FrequencyText() << "\n"
             << "bits: " << doc.BitsText() << "\n"
             << "channels: " << doc.ChannelsText() << "\n"
             << "size: " << doc.SizeText() << "\n";
        if (!format.empty()) out_ << "format: " << format << "\n";
    }
    return status;
}

int Call::Apply(const std::vector<std::string>& args) {
    std::vector<std::string> positional, steps;
    SplitArgs(args, 2, {}, positional, steps);
    if (positional.size() < 2) throw UsageError{"apply IN OUT [GLOBAL...] [STEP [-- STEP]...]"};
    CheckOut(positional[1]);
    if (std::optional<int> streamed = Stream(positional[0], positional[1], steps)) return *streamed;
    std::unique_ptr<Sound> sound;
    if (!ReadIn(positional[0], sound)) return MemoryOr(exitFile);
    TUnitWave& doc = space_.AddWave(std::make_unique<TUnitWave>(std::move(sound), positional[0]));
    if (int s = Prepare(doc)) return s;
    if (int s = RunSteps(doc, steps)) return s;
    return Finish(doc, positional[1]);
}

int Call::New(const std::vector<std::string>& args) {
    std::string frequency = "44100", channels = "2", bits = "16";
    std::vector<std::string> positional, steps;
    SplitArgs(args, 1, {{"--frequency", &frequency}, {"--channels", &channels}, {"--bits", &bits}}, positional,
              steps);
    if (positional.size() < 1) throw UsageError{"new OUT [--frequency HZ] [--channels 1|2] [--bits 8|16]"};
    CheckOut(positional[0]);
    WaveFileProps props;
    std::string refusal = ReadFrequencyText(frequency, props.SampleFreq);
    if (!refusal.empty()) {
        err_ << refusal << "\n";
        return exitUsage;
    }
    if (channels != "1" && channels != "2") throw UsageError{"--channels takes 1 or 2"};
    if (bits != "8" && bits != "16") throw UsageError{"--bits takes 8 or 16"};
    props.MonoStereo = static_cast<int16_t>(channels == "1" ? 1 : 2);
    props.BytesPSample = static_cast<int16_t>(bits == "8" ? 1 : 2);
    TUnitWave& doc = space_.AddWave(std::make_unique<TUnitWave>(props, ""));
    doc.Name = "";
    if (int s = Prepare(doc)) return s;
    if (int s = RunSteps(doc, steps)) return s;
    return Finish(doc, positional[0]);
}

// Splits the step words at "--" and checks every command and option before
// anything runs, so that a typing error costs no work and prints nothing else.
std::vector<std::vector<std::string>> SplitSteps(const std::vector<std::string>& words, TWorkspace& space) {
    std::vector<std::vector<std::string>> steps;
    size_t i = 0;
    while (i < words.size()) {
        size_t stop = i;
        while (stop < words.size() && words[stop] != "--") ++stop;
        if (stop == i) throw UsageError{"empty step"};
        std::vector<std::string> step(words.begin() + i, words.begin() + stop);
        const Command* command = FindCommandByCliName(step[0]);
        if (!command) throw UsageError{"unknown command " + step[0]};
        TUnitWave scratch(WaveFileProps{}, "");
        auto scratchStep = command->makeStep(space, scratch);
        auto options = scratchStep->Options();
        auto names = scratchStep->Positionals();
        size_t given = 0;
        for (size_t k = 1; k < step.size(); ++k) {
            auto it = std::find_if(options.begin(), options.end(),
                                   [&](const CommandOption& o) { return o.name == step[k]; });
            if (it == options.end() && given < names.size() && step[k].rfind("--", 0) != 0) {
                ++given;
                continue;
            }
            if (it == options.end()) throw UsageError{"unknown option " + step[k] + " of " + step[0]};
            if (it->takesValue && ++k >= step.size())
                throw UsageError{"missing value for " + step[k - 1] + " of " + step[0]};
        }
        if (given < names.size()) {
            std::string usage = step[0];
            for (const auto& n : names) usage += " " + n;
            throw UsageError{usage};
        }
        if (scratchStep->EndsChain() && stop < words.size())
            throw UsageError{step[0] + " ends the chain; no step may follow it"};
        steps.push_back(std::move(step));
        i = stop + 1;
    }
    return steps;
}

// Hands a step the words SplitSteps checked: its options and its positional words.
void SetStepWords(CommandStep& step, const std::vector<std::string>& words) {
    auto options = step.Options();
    size_t positional = 0;
    for (size_t k = 1; k < words.size(); ++k) {
        auto it =
            std::find_if(options.begin(), options.end(), [&](const CommandOption& o) { return o.name == words[k]; });
        if (it == options.end()) {
            step.SetPositional(positional++, words[k]);
            continue;
        }
        std::string value = it->takesValue ? words[++k] : std::string();
        std::string problem = it->set(value);
        if (!problem.empty()) throw UsageError{problem};
    }
}

// Why `command` cannot run on `doc` now, or empty.
std::string Unavailable(const Command& command, const TWorkspace& space, const TUnitWave& doc) {
    CommandState state;
    state.space = &space;
    state.wave = &doc;
    state.children = static_cast<int>(space.Units().size());
    return command.enabled(state);
}

int Call::RunSteps(TUnitWave& first, const std::vector<std::string>& words) {
    TUnitWave* doc = &first;
    for (const auto& words : SplitSteps(words, space_)) {
        const std::string& name = words[0];
        const Command* command = FindCommandByCliName(name);
        auto step = command->makeStep(space_, *doc);
        SetStepWords(*step, words);
        std::string reason = Unavailable(*command, space_, *doc);
        if (!reason.empty()) {
            err_ << name << " is not available: " << reason << "\n";
            return exitUsage;
        }
        StepResult result = step->Run(space_, *doc, printSettings_ ? &out_ : nullptr);
        if (result.kind == StepResult::Refused) {
            err_ << result.text << "\n";
            return exitUsage;
        }
        if (result.replacement) doc = replaced_ = result.replacement;
        if (result.kind == StepResult::Failed || doc->Failed) return MemoryOr(exitFile);
        if (step->EndsChain()) chainEnded_ = true;
    }
    return exitOk;
}

// A sound of the layout's format and length whose samples are never read or
// written, so that its memory is never used; null when even that is refused.
std::unique_ptr<Sound> StandInFor(const WaveFileLayout& layout) {
    std::unique_ptr<Wave> waves[2];
    const auto values = static_cast<int32_t>(layout.frames);
    for (int c = 0; c < layout.channels; ++c) {
        int16_t* buffer = allocateSamples(static_cast<std::size_t>(values));
        if (!buffer) return nullptr;
        waves[c] = std::make_unique<Wave>(buffer, values);
    }
    if (layout.channels == 1) return std::make_unique<MonoSound>(std::move(waves[0]), layout.freq, layout.bytesPSample);
    return std::make_unique<StereoSound>(std::move(waves[0]), std::move(waves[1]), layout.freq, layout.bytesPSample);
}

std::optional<int> Call::Stream(const std::string& inFile, const std::string& outFile,
                                const std::vector<std::string>& words) {
    if (select_ || !waves_.empty() || name_ || AudioFormatForName(outFile) != AudioFormat::Wav ||
        !IsOwnWaveFile(inFile))
        return std::nullopt;
    // A FIFO or a device takes the bytes as they come and could not be
    // written again the usual way if this one stopped half-way.
    struct stat target;
    if (::stat(outFile.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) return std::nullopt;
    // Not blocking on a FIFO, which the usual way refuses as it always did.
    const int fd = ::open(inFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    WaveFileLayout layout;
    std::string reason;
    if (!ReadWaveLayout(fd, layout, reason) || layout.frames <= 0 || layout.frames > INT32_MAX) return std::nullopt;

    std::vector<std::unique_ptr<TSampleStage>> stages;
    std::ostringstream settings;
    // The steps read their values, and check that they may run, on a stand-in
    // document in a workspace of its own. A re-save needs none.
    TWorkspace space;
    if (!words.empty()) {
        std::unique_ptr<Sound> standIn = StandInFor(layout);
        if (!standIn) return std::nullopt;
        TUnitWave& doc = space.AddWave(std::make_unique<TUnitWave>(std::move(standIn), inFile));
        try {
            for (const auto& stepWords : SplitSteps(words, space)) {
                const Command* command = FindCommandByCliName(stepWords[0]);
                auto step = command->makeStep(space, doc);
                SetStepWords(*step, stepWords);
                if (!Unavailable(*command, space, doc).empty() || step->EndsChain()) return std::nullopt;
                auto stage = step->Stage(space, doc, printSettings_ ? &settings : nullptr);
                if (!stage) return std::nullopt;
                stages.push_back(std::move(stage));
            }
        } catch (const UsageError&) {
            return std::nullopt;  // the usual way says the same, from the same words
        }
    }

    out_ << settings.str();
    bool failed = false;
    auto process = [&stages](int16_t* left, int16_t* right, int64_t count) {
        for (auto& stage : stages) stage->Run(left, right, count);
    };
    const bool everySampleAlone =
        std::all_of(stages.begin(), stages.end(), [](const auto& stage) { return stage->EverySampleAlone(); });
    switch (RewriteWaveFile(failed, fd, layout, outFile, stages.empty() ? WaveBlockProcess() : process,
                            everySampleAlone)) {
        case RewriteResult::Done:
            return exitOk;
        case RewriteResult::Failed:
            return MemoryOr(exitFile);
        case RewriteResult::NotRead:
            // The usual way reads the file again and says what is wrong with
            // it; the settings are out already.
            printSettings_ = false;
            return std::nullopt;
    }
    return std::nullopt;
}

int Call::Finish(TUnitWave& start, const std::string& outFile) {
    if (chainEnded_) return exitOk;
    TUnitWave& doc = replaced_ ? *replaced_ : start;
    if (!WriteAudioFile(doc.Failed, outFile, AudioFormatForName(outFile), *doc.TheSound, 0, doc.GetValues(),
                        outSettings_))
        return MemoryOr(exitFile);
    return exitOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Call call(out, err);
    return call.Dispatch(args);
}

namespace {

// On a terminal, work that takes more than half a second says that it runs
// and for how long, on one line of stderr that is wiped when it ends.
class TerminalProgress {
public:
    explicit TerminalProgress(const std::string& command) {
        if (command.empty() || !::isatty(STDERR_FILENO)) return;
        thread_ = std::thread([this, command] {
            const auto start = std::chrono::steady_clock::now();
            std::unique_lock<std::mutex> lock(mutex_);
            if (wake_.wait_for(lock, std::chrono::milliseconds(500), [this] { return done_; })) return;
            do {
                const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count();
                const std::string line =
                    "\rkorvane-cli " + command + ": working, " + std::to_string(seconds) + " s (Ctrl-C stops)";
                (void)!::write(STDERR_FILENO, line.data(), line.size());
                shown_ = true;
            } while (!wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return done_; }));
        });
    }
    ~TerminalProgress() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
        if (shown_) (void)!::write(STDERR_FILENO, "\r\033[K", 4);
    }

private:
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool shown_ = false;
};

}  // namespace

int Main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    TerminalProgress progress(args.empty() ? std::string() : args[0]);
    const int status = Run(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}

}  // namespace korvane::cli
