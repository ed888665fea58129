#include "commands/WaveSteps.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "commands/RecordStep.h"
#include "processing/MakeCommands.h"
#include "processing/TWorkspace.h"

namespace korvane {

namespace {

Step lineStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TLineProps>>(space, doc.Records.Line, space.Records.Line, MakeLine);
    auto& p = step->props;
    step->FieldOptions();
    step->Flag("--exponential", p.Exponential, "exponential line");
    step->SetCheck([](const TLineProps& props, const TUnitWave&) { return CheckLine(props); });
    return step;
}

template <bool Triangle>
Step blockTriangleStep(TWorkspace& space, TUnitWave& doc) {
    auto& docRecord = Triangle ? doc.Records.Triangle : doc.Records.Block;
    auto& spaceRecord = Triangle ? space.Records.Triangle : space.Records.Block;
    auto step = std::make_unique<RecordStep<TBlockTriangleProps>>(space, docRecord, spaceRecord,
                                                                  Triangle ? MakeTriangle : MakeBlock);
    step->FieldOptions();
    step->SetCheck([](const TBlockTriangleProps& props, const TUnitWave& wave) {
        return CheckBlockTriangle(props, wave.GetFreq());
    });
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
    auto texts = std::make_shared<MFreqRowTexts>();
    step->FieldOptions();
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

}  // namespace

Step MakeMixStep(TWorkspace& s, TUnitWave& d) { return std::make_unique<MixStep>(s, d); }
bool IsMixStep(const CommandStep& step) { return dynamic_cast<const MixStep*>(&step) != nullptr; }
Step MakeLineStep(TWorkspace& s, TUnitWave& d) { return lineStep(s, d); }
Step MakeBlockStep(TWorkspace& s, TUnitWave& d) { return blockTriangleStep<false>(s, d); }
Step MakeTriangleStep(TWorkspace& s, TUnitWave& d) { return blockTriangleStep<true>(s, d); }
Step MakeMFreqStep(TWorkspace& s, TUnitWave& d) { return mfreqStep(s, d); }
Step MakePropertiesStep(TWorkspace&, TUnitWave& d) { return std::make_unique<PropertiesStep>(d); }
Step MakeDrawStep(TWorkspace&, TUnitWave&) { return std::make_unique<DrawStep>(); }

std::string NeedsClipOnly(const CommandState& s) {
    std::string r = NotDrawing(s);
    if (!r.empty()) return r;
    if (!s.space || !s.space->HasClip()) return "the clipboard is empty";
    return "";
}

}  // namespace korvane
