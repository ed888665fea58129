#include "commands/WaveSteps.h"

#include <memory>

#include "core/WavFile.h"
#include "processing/Echo.h"
#include "commands/RecordStep.h"
#include "processing/SplitMerge.h"
#include "processing/TWorkspace.h"
#include "processing/TempoPitch.h"
#include "processing/TimeEffects.h"

namespace korvane {

namespace {

// The dialogs measure their wave positions against the range when shown.
void setReference(unitWavePosition& position, double seconds) {
    if (seconds > 0) position.SetLength(seconds);
}

// Roll in reads its positions against the loop length just read, so they
// are typed after the record's own fields.
struct RollInTexts {
    std::vector<std::pair<bool, std::string>> texts;  // (end at, text)
};

Step rollInStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TRollInProps>>(space, doc.Records.RollIn, space.Records.RollIn, RollInExecute);
    auto& p = step->props;
    setReference(p.Start, p.Length.GetValue());
    setReference(p.End, p.Length.GetValue());
    auto texts = std::make_shared<RollInTexts>();
    step->FieldOption(&p.Length);
    // The positions are kept aside and read after the record's own fields.
    TFieldList fields = p.Fields();
    for (bool end : {false, true}) {
        const TFieldEntry& entry = *fields.FindField(end ? &p.End : &p.Start);
        step->Other({entry.Option, true, entry.HelpText(), [texts, entry, end](const std::string& v) {
                         texts->texts.emplace_back(end, v);
                         entry.Choose();
                         return std::string();
                     }});
    }
    step->SetExtraRead([texts](TRollInProps& props) -> std::string {
        setReference(props.Start, props.Length.GetValue());
        setReference(props.End, props.Length.GetValue());
        TFieldList fields = props.Fields();
        std::vector<TFieldText> given;
        for (const auto& [end, text] : texts->texts) given.emplace_back(end ? props.End : props.Start, text);
        TReadResult r = fields.Read(given);
        return r.Ok ? "" : r.Error;
    });
    step->SetCheck([](const TRollInProps& props, const TUnitWave& wave) { return CheckRollIn(props, wave); });
    return step;
}

Step rollOutStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TRollOutProps>>(space, doc.Records.RollOut, space.Records.RollOut, RollOutExecute);
    auto& p = step->props;
    setReference(p.StartPosition, RangeSeconds(doc));
    p.SpeedEnvelopeOn = false;
    step->FieldOptions();
    step->SetCheck([](const TRollOutProps& props, const TUnitWave& wave) { return CheckRollOut(props, wave); });
    return step;
}

Step tempoPitchStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TTempoPitchProps>>(space, doc.Records.TempoPitch, space.Records.TempoPitch,
                                                               TempoPitchExecute);
    auto& p = step->props;
    setReference(p.StartPosition, RangeSeconds(doc));
    p.FreqEnvelopeOn = false;
    p.SpeedEnvelopeOn = false;
    step->FieldOptions(&p.StartPosition);
    step->Choice("--quality", p.Quality, {"low", "high"}, "low|high (low)");
    step->FieldOptions();
    step->SetCheck([](const TTempoPitchProps& props, const TUnitWave& wave) { return CheckTempoPitch(props, wave); });
    return step;
}

struct AspectOptions {
    const char* name;
    std::vector<std::string> kinds;
};

Step rndEchoStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TRandomEchoProps>>(space, doc.Records.RndEcho, space.Records.RndEcho,
                                                               RndEchoExecute);
    auto& p = step->props;
    static const AspectOptions aspects[aspectCount] = {
        {"time", {"linear", "random-envelope"}},      {"volume", {"no-change", "linear", "random-envelope"}},
        {"length", {"no-change", "random-envelope"}}, {"balance", {"no-change", "linear", "random-envelope"}},
        {"pitch", {"no-change", "random-envelope"}},  {"tempo", {"no-change", "random-envelope"}},
    };
    step->FieldOptions(&p.TimeDifference);
    step->Flag("--cyclable", p.Cyclable, "cyclable result");
    for (int a = 0; a < aspectCount; ++a) {
        std::string option = std::string("--") + aspects[a].name;
        std::string kinds;
        for (const auto& k : aspects[a].kinds) {
            if (!kinds.empty()) kinds += '|';
            kinds += k;
        }
        step->Choice(option + "-kind", p.Aspects[a].Kind, aspects[a].kinds, kinds + " (" + aspects[a].kinds[0] + ")");
        step->FieldOption(&p.Aspects[a].Envelope);
        int& die = p.Aspects[a].Die;
        std::string sourceOption = option + "-source";
        std::string sourceHelp = "1..6 (";
        sourceHelp += std::to_string(a + 1);
        sourceHelp += ')';
        step->Other({sourceOption, true, sourceHelp, [&die, sourceOption](const std::string& v) -> std::string {
                         if (v.size() != 1 || v[0] < '1' || v[0] > '6') return sourceOption + " takes 1..6";
                         die = v[0] - '1';
                         return "";
                     }});
    }
    step->Choice("--balance-volume-difference", p.BalanceVolumeDifference, {"none", "volume", "filter"},
                 "none|volume|filter (volume)");
    bool& timeDifference = p.BalanceTimeDifference;
    step->Other({"--balance-time-difference", true, "on|off (on)", [&timeDifference](const std::string& v) {
                     if (v == "on")
                         timeDifference = true;
                     else if (v == "off")
                         timeDifference = false;
                     else
                         return std::string("--balance-time-difference takes on|off");
                     return std::string();
                 }});
    step->FieldOption(&p.FrequencyFactor);
    step->Choice("--quality", p.Quality, {"low", "high"}, "low|high (low)");
    step->FieldOptions();
    step->SetCheck([](const TRandomEchoProps& props, const TUnitWave& wave) { return CheckRndEcho(props, wave); });
    return step;
}

// ---- split and merge ----

StepResult failedStep() {
    StepResult r;
    r.kind = StepResult::Failed;
    return r;
}

StepResult refusedStep(const std::string& text) {
    StepResult r;
    r.kind = StepResult::Refused;
    r.text = text;
    return r;
}

// Writes the made documents, in order, to the given files: all of them or,
// when any cannot be written, none.
StepResult writeAll(const std::vector<TUnitWave*>& made, const std::vector<std::string>& files) {
    if (made.size() != files.size()) return failedStep();
    std::vector<const Sound*> sounds;
    for (TUnitWave* d : made) sounds.push_back(d->TheSound.get());
    bool failed = false;
    for (TUnitWave* d : made) failed = failed || d->Failed;
    if (!WriteWaveFiles(failed, files, sounds)) {
        // A memory failure is the documents' to report.
        if (failed)
            for (TUnitWave* d : made) d->Failed = true;
        return failedStep();
    }
    StepResult r;
    r.written = files;
    return r;
}

class SplitHStep : public CommandStep {
public:
    std::vector<CommandOption> Options() override {
        return {{"--result", true, "three|inclusive|exclusive (three)", [this](const std::string& v) -> std::string {
                     if (v == "three")
                         props_.Result = 0;
                     else if (v == "inclusive")
                         props_.Result = 1;
                     else if (v == "exclusive")
                         props_.Result = 2;
                     else
                         return "--result takes three|inclusive|exclusive";
                     return "";
                 }}};
    }
    std::vector<std::string> Positionals() const override { return {"OUT_PREFIX"}; }
    void SetPositional(size_t, const std::string& value) override { prefix_ = value; }
    bool EndsChain() const override { return true; }
    StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream*) override {
        auto made = SplitHorizontally(space, wave, props_);
        if (made.empty()) return failedStep();
        std::vector<std::string> files;
        for (size_t i = 0; i < made.size(); ++i) files.push_back(prefix_ + std::to_string(i + 1) + ".wav");
        return writeAll(made, files);
    }

private:
    TSplitHorProps props_;
    std::string prefix_;
};

class SplitVStep : public CommandStep {
public:
    std::vector<std::string> Positionals() const override { return {"OUT_LEFT", "OUT_RIGHT"}; }
    void SetPositional(size_t index, const std::string& value) override { files_[index < 2 ? index : 1] = value; }
    bool EndsChain() const override { return true; }
    StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream*) override {
        auto made = SplitVertically(space, wave);
        if (made.empty()) return failedStep();
        return writeAll(made, {files_[0], files_[1]});
    }

private:
    std::string files_[2];
};

// The options of the merge dialogs; unset ones take the preselection.
struct MergeOptions {
    int channels = 0;
    int32_t frequency = 0;
    int bytes = 0;

    static std::string frequencyList() {
        std::string list;
        for (int32_t f : kMergeFrequencies) {
            if (!list.empty()) list += '|';
            list += std::to_string(f);
        }
        return list;
    }
    CommandOption Frequency() {
        return {"--frequency", true, frequencyList(), [this](const std::string& v) -> std::string {
                    for (int32_t f : kMergeFrequencies)
                        if (v == std::to_string(f)) {
                            frequency = f;
                            return "";
                        }
                    return "--frequency takes " + frequencyList();
                }};
    }
    CommandOption Bits() {
        return {"--bits", true, "8|16", [this](const std::string& v) -> std::string {
                    if (v != "8" && v != "16") return "--bits takes 8|16";
                    bytes = v == "8" ? 1 : 2;
                    return "";
                }};
    }
};

// Finds the other wave of a merge by its registered name.
std::string findOther(TWorkspace& space, TUnitWave& wave, const std::string& name, const std::string& caption,
                      TUnitWave*& other) {
    other = space.FindWave(name);
    if (!other) return "In " + caption + ": You have to select a Wave";
    if (other == &wave) return "The chosen Waves must be different";
    return "";
}

// The sources are closed as the window closes their windows; the chain goes
// on with the merged document.
StepResult mergedInto(TWorkspace& space, TUnitWave& wave, TUnitWave& other, TUnitWave* merged) {
    if (!merged) return failedStep();
    space.Close(other);
    space.Close(wave);
    StepResult r;
    r.replacement = merged;
    return r;
}

// What both merge steps share: the other wave named as the one positional
// argument, the frequency and width options, and the run around the merge.
class MergeStep : public CommandStep {
public:
    std::vector<std::string> Positionals() const override { return {"OTHER"}; }
    void SetPositional(size_t, const std::string& value) override { other_ = value; }

protected:
    // Finds the other wave (its box is `caption`) and merges with `merge`,
    // which gets the other wave.
    template <class Merge>
    StepResult RunMerge(TWorkspace& space, TUnitWave& wave, const std::string& caption, const Merge& merge) {
        TUnitWave* other = nullptr;
        std::string refusal = findOther(space, wave, other_, caption, other);
        if (!refusal.empty()) return refusedStep(refusal);
        return mergedInto(space, wave, *other, merge(*other));
    }
    template <class Props>
    void ApplyOptions(Props& props) const {
        if (options_.frequency) props.Frequency = options_.frequency;
        if (options_.bytes) props.BytesPSample = static_cast<int16_t>(options_.bytes);
    }

    MergeOptions options_;

private:
    std::string other_;
};

class MergeHStep : public MergeStep {
public:
    std::vector<CommandOption> Options() override {
        return {{"--channels", true, "1|2",
                 [this](const std::string& v) -> std::string {
                     if (v != "1" && v != "2") return "--channels takes 1|2";
                     options_.channels = v == "1" ? 1 : 2;
                     return "";
                 }},
                options_.Frequency(),
                options_.Bits()};
    }
    StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream*) override {
        return RunMerge(space, wave, "Last", [&](TUnitWave& other) {
            TMergeHorProps props = MergeHorDefaults(wave, other);
            if (options_.channels) props.Channels = static_cast<int16_t>(options_.channels);
            ApplyOptions(props);
            return MergeHorizontally(space, wave, other, props);
        });
    }
};

class MergeVStep : public MergeStep {
public:
    std::vector<CommandOption> Options() override {
        return {{"--length-rule", true, "0..3 (0)",
                 [this](const std::string& v) -> std::string {
                     if (v.size() != 1 || v[0] < '0' || v[0] > '3') return "--length-rule takes 0..3";
                     rule_ = v[0] - '0';
                     return "";
                 }},
                options_.Frequency(),
                options_.Bits()};
    }
    StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream*) override {
        return RunMerge(space, wave, "Right", [&](TUnitWave& other) {
            TMergeVertProps props = MergeVertDefaults(wave, other);
            props.LengthRule = rule_;
            ApplyOptions(props);
            return MergeVertically(space, wave, other, props);
        });
    }

private:
    int rule_ = 0;
};


}  // namespace

Step MakeRollOutStep(TWorkspace& s, TUnitWave& d) { return rollOutStep(s, d); }
Step MakeRollInStep(TWorkspace& s, TUnitWave& d) { return rollInStep(s, d); }
Step MakeTempoPitchStep(TWorkspace& s, TUnitWave& d) { return tempoPitchStep(s, d); }
Step MakeRndEchoStep(TWorkspace& s, TUnitWave& d) { return rndEchoStep(s, d); }
Step MakeSplitHStep(TWorkspace&, TUnitWave&) { return std::make_unique<SplitHStep>(); }
Step MakeSplitVStep(TWorkspace&, TUnitWave&) { return std::make_unique<SplitVStep>(); }
Step MakeMergeHStep(TWorkspace&, TUnitWave&) { return std::make_unique<MergeHStep>(); }
Step MakeMergeVStep(TWorkspace&, TUnitWave&) { return std::make_unique<MergeVStep>(); }

// ---- enable rules ----

std::string SplitHEnabled(const CommandState& s) {
    std::string r = NotDrawing(s);
    if (!r.empty()) return r;
    if (!CanSplitHorizontally(*s.wave)) return "the selection does not lie strictly inside the wave";
    return "";
}

std::string StereoOnly(const CommandState& s) {
    if (!s.wave) return "no wave window is active";
    if (s.wave->GetMoSt() != 2) return "the wave is not stereo";
    return "";
}

std::string TwoWindows(const CommandState& s) {
    if (!s.wave) return "no wave window is active";
    if (s.children < 2) return "there is no second wave window";
    return "";
}

}  // namespace korvane
