#include "processing/MakeCommands.h"

#include <algorithm>
#include <cstdlib>

#include "core/Sample.h"
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

}  // namespace korvane
