#include "processing/MakeCommands.h"

#include <algorithm>
#include <cstdlib>

#include "core/Sample.h"
#include "processing/RecordStep.h"
#include "processing/TWorkspace.h"

namespace korvane {

namespace {

// A phase read from a text lies in [0, 1); a tiny negative one can round up
// to exactly 1, which is the same phase as 0.
double phase(double p) { return p >= 1 ? 0 : p; }

const Sound* soundOf(const unitUnitWave& pick) {
    const TUnitWave* wave = pick.GetUnitWave();
    return wave ? wave->TheSound.get() : nullptr;
}

}  // namespace

bool MakeSilence(TUnitWave& doc, const TSilenceProps& props) {
    doc.Records.Silence = props;
    double seconds = props.Length.GetValue();
    return doc.RunOnInsertRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return s.InsertSilence(f, seconds, b, e);
    });
}

bool MakeLine(TUnitWave& doc, const TLineProps& props) {
    doc.Records.Line = props;
    return doc.RunOnInsertRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return s.InsertLine(f, props.First.GetValue(), props.Last.GetValue(), props.Length.GetValue(),
                            props.Exponential, b, e);
    });
}

bool MakeNoise(TUnitWave& doc, const TNoiseProps& props) {
    doc.Records.Noise = props;
    return doc.RunOnInsertRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return s.InsertNoise(f, props.Amplitude.GetValue(), props.Length.GetValue(), b, e);
    });
}

namespace {
bool makeBlockTriangle(TUnitWave& doc, const TBlockTriangleProps& props, bool triangle) {
    const Sound* envelope = props.MiddleKind == 1 ? soundOf(props.MiddleEnvelope) : nullptr;
    if (props.MiddleKind == 1 && !envelope) return false;
    return doc.RunOnInsertRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        if (envelope)
            return s.InsertBlockTriangleEnvelope(f, props.Height1.GetValue(), props.Height2.GetValue(),
                                                 props.Period.GetValue(), *envelope, props.Length.GetValue(),
                                                 phase(props.Start.GetValue()), triangle, b, e);
        return s.InsertBlockTriangle(f, props.Height1.GetValue(), props.Height2.GetValue(), props.Period.GetValue(),
                                     props.Middle.GetValue(), props.Length.GetValue(), phase(props.Start.GetValue()),
                                     triangle, b, e);
    });
}
}  // namespace

bool MakeBlock(TUnitWave& doc, const TBlockTriangleProps& props) {
    doc.Records.Block = props;
    return makeBlockTriangle(doc, props, false);
}

bool MakeTriangle(TUnitWave& doc, const TBlockTriangleProps& props) {
    doc.Records.Triangle = props;
    return makeBlockTriangle(doc, props, true);
}

bool MakeSinus(TUnitWave& doc, const TSinusProps& props) {
    doc.Records.Sinus = props;
    double amplitude = props.Amplitude.GetValue();
    double period = props.Period.GetValue();
    double count = props.LengthKind == 0 ? props.Count.GetValue() : props.Length.GetValue() / period;
    return doc.RunOnInsertRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return s.InsertSinus(f, amplitude, -amplitude, period, count, phase(props.StartAngle.GetValue()), b, e);
    });
}

bool MakeMFreq(TUnitWave& doc, const TMFreqProps& props) {
    doc.Records.MFreq = props;
    size_t freqCount = props.Rows.size();
    std::vector<MultiFreqSoundRow> rows;
    for (size_t index = 0; index < freqCount; ++index) {
        KORVANE_ASSERT(index < freqCount);
        const TMFreqRow& r = props.Rows[index];
        rows.push_back({r.Volume.GetValue(), r.Frequency.GetValue(), phase(r.StartAngle.GetValue()),
                        r.VolumeFactor.GetValue(), r.Time.GetValue()});
    }
    const Sound* form = soundOf(props.Form);
    if (form && form->GetValues() == 0) return false;
    return doc.RunOnInsertRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        if (form) return s.InsertMultiFreqForm(f, props.Length.GetValue(), *form, rows, b, e);
        return s.InsertMultiFreq(f, props.Length.GetValue(), rows, b, e);
    });
}

bool DrawWave(TUnitWave& doc, std::span<const DrawnPoint> points, double left, double top, double right,
              double bottom, int mode) {
    if (doc.Failed || points.size() < 2) return false;
    auto wave = drawnWave(doc.Failed, points, left, top, right, bottom, mode, doc.GetFreq());
    if (doc.Failed || !wave) return false;
    doc.TheSound = std::make_shared<MonoSound>(std::move(wave), doc.GetFreq(), 2);
    doc.SetCursor(0);
    if (doc.Window) doc.Window->Repaint();
    return true;
}

std::string CheckLine(const TLineProps& props) {
    double product = static_cast<double>(props.First.GetValue()) * props.Last.GetValue();
    if (props.Exponential && !(product > 0)) return "Exponential Line may not contain value 0.";
    return "";
}

std::string CheckBlockTriangle(const TBlockTriangleProps& props, int32_t freq) {
    // Less than one sample of block or triangle is nothing to make.
    if (static_cast<double>(freq) * props.Length.GetValue() < 1)
        return "In Length: Length must be at least one sample.";
    if (props.MiddleKind == 1 && !props.MiddleEnvelope.GetUnitWave())
        return "In Middle Envelope: You have to select a Wave";
    if (props.MiddleKind == 1 && props.MiddleEnvelope.GetUnitWave()->GetValues() == 0)
        return "In Middle Envelope: The wave is empty.";
    return "";
}

std::string CheckMFreq(const TMFreqProps& props) {
    // The partials read the form wave around; an empty one has nothing to read.
    const TUnitWave* form = props.Form.GetUnitWave();
    if (form && form->GetValues() == 0) return "In Wave Form: The wave is empty.";
    return "";
}

namespace {

using Step = std::unique_ptr<CommandStep>;

std::string Available(const CommandState& s) { return NotDrawing(s); }

Step silenceStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TSilenceProps>>(space, doc.Records.Silence, space.Records.Silence, MakeSilence);
    auto& p = step->props;
    step->Field("--length", p.Length, "\"Length\" time >= 0 (1 s)");
    return step;
}

Step lineStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TLineProps>>(space, doc.Records.Line, space.Records.Line, MakeLine);
    auto& p = step->props;
    step->Field("--first", p.First, "\"First Value\" wave value (0)");
    step->Field("--last", p.Last, "\"Last Value\" wave value (50 %)");
    step->Field("--length", p.Length, "\"Length\" time >= 0 (1 s)");
    step->Flag("--exponential", p.Exponential, "exponential line");
    step->SetCheck([](const TLineProps& props, const TUnitWave&) { return CheckLine(props); });
    return step;
}

Step noiseStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TNoiseProps>>(space, doc.Records.Noise, space.Records.Noise, MakeNoise);
    auto& p = step->props;
    step->Field("--amplitude", p.Amplitude, "\"Amplitude\" wave value (50 %)");
    step->Field("--length", p.Length, "\"Length\" time >= 0 (1 s)");
    return step;
}

template <bool Triangle>
Step blockTriangleStep(TWorkspace& space, TUnitWave& doc) {
    auto& docRecord = Triangle ? doc.Records.Triangle : doc.Records.Block;
    auto& spaceRecord = Triangle ? space.Records.Triangle : space.Records.Block;
    auto step = std::make_unique<RecordStep<TBlockTriangleProps>>(space, docRecord, spaceRecord,
                                                                  Triangle ? MakeTriangle : MakeBlock);
    auto& p = step->props;
    step->Field("--height-1", p.Height1, "\"Height 1\" wave value (50 %)");
    step->Field("--height-2", p.Height2, "\"Height 2\" wave value (-50 %)");
    step->Field("--period", p.Period, "\"Period\" time > 0 (440 Hz)");
    step->Field("--middle", p.Middle, "\"Middle\" factor 0..1 (0.5)", [&p] { p.MiddleKind = 0; });
    step->WavePick("--middle-envelope", p.MiddleEnvelope, "NAME \"Middle Envelope\"", [&p] { p.MiddleKind = 1; });
    step->Field("--length", p.Length, "\"Length\" time > 0 (1 s)");
    step->Field("--start", p.Start, "\"Start\" phase (0)");
    step->SetCheck([](const TBlockTriangleProps& props, const TUnitWave& wave) {
        return CheckBlockTriangle(props, wave.GetFreq());
    });
    return step;
}

Step sinusStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TSinusProps>>(space, doc.Records.Sinus, space.Records.Sinus, MakeSinus);
    auto& p = step->props;
    step->Field("--amplitude", p.Amplitude, "\"Amplitude\" wave value (50 %)");
    step->Field("--period", p.Period, "\"Period\" time > 0 (440 Hz)");
    step->Field("--count", p.Count, "\"Count\" factor > 0 (440)", [&p] { p.LengthKind = 0; });
    step->Field("--length", p.Length, "\"Length\" time > 0", [&p] { p.LengthKind = 1; });
    step->Field("--start-angle", p.StartAngle, "\"Start Angle\" phase (0)");
    return step;
}

// "V;P;A;F;T": the five cells of one row of the multi-frequency table.
bool splitRow(const std::string& text, std::vector<std::string>& cells) {
    cells.clear();
    size_t start = 0;
    while (true) {
        size_t semi = text.find(';', start);
        cells.push_back(text.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    return cells.size() == 5;
}

struct MFreqRowTexts {
    std::vector<std::vector<std::string>> rows;
};

Step mfreqStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TMFreqProps>>(space, doc.Records.MFreq, space.Records.MFreq, MakeMFreq);
    auto& p = step->props;
    auto texts = std::make_shared<MFreqRowTexts>();
    step->Field("--length", p.Length, "\"Length\" time > 0 (1 s)");
    step->WavePick("--form", p.Form, "NAME \"Wave Form\" (the sine table when absent)");
    step->Other({"--row", true, "\"V;P;A;F;T\" repeatable (50 %;440 Hz;0;50 %;1 s)",
                 [texts](const std::string& v) -> std::string {
                     std::vector<std::string> cells;
                     if (!splitRow(v, cells)) return "--row takes five cells \"V;P;A;F;T\"";
                     texts->rows.push_back(cells);
                     return "";
                 }});
    step->SetExtraRead([texts](TMFreqProps& props) -> std::string {
        if (texts->rows.empty()) return "";
        std::vector<TMFreqRow> rows(texts->rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            TFieldList fields = rows[i].Fields();
            std::vector<TFieldText> given;
            for (size_t c = 0; c < 5; ++c) given.emplace_back(*fields.Entries()[c].Value, texts->rows[i][c]);
            TReadResult r = fields.Read(given);
            if (!r.Ok) return r.Error;
        }
        props.Rows = std::move(rows);
        return "";
    });
    step->SetCheck([](const TMFreqProps& props, const TUnitWave&) { return CheckMFreq(props); });
    step->SetExtraSettings([](TMFreqProps& props) {
        std::vector<std::string> lines;
        for (auto& row : props.Rows)
            for (const auto& l : row.Fields().SettingsLines()) lines.push_back(l);
        return lines;
    });
    return step;
}

class MixStep : public CommandStep {
public:
    MixStep(TWorkspace& space, TUnitWave& doc) : space_(space), doc_(doc), align_(doc.Records.Mix.Align) {}
    std::vector<CommandOption> Options() override {
        return {{"--align", true, "begin|end|stretch (begin)", [this](const std::string& v) -> std::string {
                     if (v == "begin") align_ = 0;
                     else if (v == "end") align_ = 1;
                     else if (v == "stretch") align_ = 2;
                     else return "--align takes begin|end|stretch";
                     return "";
                 }}};
    }
    StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream*) override {
        StepResult r;
        doc_.Records.Mix.Align = align_;
        space_.Records.Mix.Align = align_;
        static const MixAlign aligns[3] = {MixAlign::Begin, MixAlign::End, MixAlign::Stretch};
        if (!wave.EditMix(*space.Clipboard, aligns[align_])) r.kind = StepResult::Failed;
        return r;
    }

private:
    TWorkspace& space_;
    TUnitWave& doc_;
    int align_;
};

class DrawStep : public CommandStep {
public:
    std::vector<CommandOption> Options() override {
        return {{"--mode", true, "linear|smooth (linear)",
                 [this](const std::string& v) -> std::string {
                     if (v == "linear") mode_ = drawnWaveLinear;
                     else if (v == "smooth") mode_ = drawnWaveSmooth;
                     else return "--mode takes linear|smooth";
                     return "";
                 }},
                {"--point", true, "X,Y repeatable, at least two, in a 1000 x 1000 rectangle (top 0)",
                 [this](const std::string& v) -> std::string {
                     size_t comma = v.find(',');
                     char* end = nullptr;
                     DrawnPoint p;
                     std::string xs = v.substr(0, comma);
                     p.x = std::strtod(xs.c_str(), &end);
                     if (comma == std::string::npos || xs.empty() || *end) return "--point takes X,Y";
                     std::string ys = v.substr(comma + 1);
                     p.y = std::strtod(ys.c_str(), &end);
                     if (ys.empty() || *end) return "--point takes X,Y";
                     points_.push_back(p);
                     return "";
                 }}};
    }
    StepResult Run(TWorkspace&, TUnitWave& wave, std::ostream*) override {
        StepResult r;
        std::stable_sort(points_.begin(), points_.end(),
                         [](const DrawnPoint& a, const DrawnPoint& b) { return a.x < b.x; });
        if (points_.size() < 2 || points_.front().x > 0 || points_.back().x < 1000) {
            r.kind = StepResult::Refused;
            r.text = "draw-wave needs at least two points, spanning x from 0 to 1000";
            return r;
        }
        if (!DrawWave(wave, points_, points_.front().x, 0, points_.back().x, 1000, mode_)) r.kind = StepResult::Failed;
        return r;
    }

private:
    int mode_ = drawnWaveLinear;
    std::vector<DrawnPoint> points_;
};

// Properties: the document's format, converted as the dialog's OK would.
class PropertiesStep : public CommandStep {
public:
    explicit PropertiesStep(const TUnitWave& doc) : props_(doc.GetProps()), frequency_(std::to_string(doc.GetFreq())) {}
    std::vector<CommandOption> Options() override {
        return {{"--frequency", true, "HZ, 1 to 1000000 (the wave's own)",
                 [this](const std::string& v) {
                     frequency_ = v;
                     return std::string();
                 }},
                {"--channels", true, "1|2 (the wave's own)",
                 [this](const std::string& v) -> std::string {
                     if (v != "1" && v != "2") return "--channels takes 1|2";
                     props_.MonoStereo = static_cast<int16_t>(v == "1" ? 1 : 2);
                     return "";
                 }},
                {"--bits", true, "8|16 (the wave's own)", [this](const std::string& v) -> std::string {
                     if (v != "8" && v != "16") return "--bits takes 8|16";
                     props_.BytesPSample = static_cast<int16_t>(v == "8" ? 1 : 2);
                     return "";
                 }}};
    }
    StepResult Run(TWorkspace&, TUnitWave& wave, std::ostream*) override {
        StepResult r;
        std::string refusal = ReadFrequencyText(frequency_, props_.SampleFreq);
        if (!refusal.empty()) {
            r.kind = StepResult::Refused;
            r.text = refusal;
            return r;
        }
        wave.ChangeProperties(wave.GetProps(), props_);
        if (wave.Failed) r.kind = StepResult::Failed;
        return r;
    }

private:
    WaveFileProps props_;
    std::string frequency_;
};

std::string NeedsClipOnly(const CommandState& s) {
    std::string r = NotDrawing(s);
    if (!r.empty()) return r;
    if (!s.space || !s.space->HasClip()) return "the clipboard is empty";
    return "";
}

}  // namespace

void AddEditAndMakeCommands(std::vector<WaveCommand>& t) {
    t.push_back({"EditMix", "edit-mix", "&Mix...", "M", "Mix|Mix the clipboard into the wave", true, NeedsClipOnly,
                 [](TWorkspace& s, TUnitWave& d) -> Step { return std::make_unique<MixStep>(s, d); }});
    t.push_back({"MakeSilence", "make-silence", "&Silence...", "", "Silence|Make silence", true, Available,
                 silenceStep});
    t.push_back({"MakeLine", "make-line", "&Line...", "", "Line|Make a straight or exponential line", true,
                 Available, lineStep});
    t.push_back({"MakeBlock", "make-block", "&Block...", "Alt+B", "Block|Make a block wave", true, Available,
                 blockTriangleStep<false>});
    t.push_back({"MakeTriangle", "make-triangle", "&Triangle...", "Alt+T", "Triangle|Make a triangle wave", true,
                 Available, blockTriangleStep<true>});
    t.push_back({"MakeSinus", "make-sinus", "S&inus...", "Shift+Alt+S", "Sinus|Make a sine wave", true, Available,
                 sinusStep});
    t.push_back({"MakeNoise", "make-noise", "&Noise...", "", "Noise|Make noise", true, Available, noiseStep});
    t.push_back({"MakeMFreq", "make-mfreq", "Multi &Frequencies...", "Alt+F",
                 "Multi Frequencies|Make a mixture of frequencies", true, Available, mfreqStep});
    t.push_back({"FileProperties", "properties", "Properties", "", "Properties|Change the format of the wave", true,
                 Available, [](TWorkspace&, TUnitWave& d) -> Step { return std::make_unique<PropertiesStep>(d); }});
    t.push_back({"DrawWave", "draw-wave", "Dr&aw Wave Linear", "", "Draw Wave|Draw a wave by hand", false, Available,
                 [](TWorkspace&, TUnitWave&) -> Step { return std::make_unique<DrawStep>(); }});
}

}  // namespace korvane
