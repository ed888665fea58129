#include "wavewindow/VoldViewProps.h"

namespace korvane {

void RaiseVoldPeriods(TVoldViewProps& props, int32_t sampleFreq) {
    if (sampleFreq <= 0) return;
    double twoPeriods = 2.0 / sampleFreq;
    if (props.Top.GetValue() < twoPeriods) props.Top.SetValue(twoPeriods);
    if (props.Bottom.GetValue() < twoPeriods) props.Bottom.SetValue(twoPeriods);
}

std::string CheckVoldPeriods(const TVoldViewProps& props, int32_t sampleFreq) {
    double onePeriod = sampleFreq > 0 ? 1.0 / sampleFreq : 0;
    double top = props.Top.GetValue();
    double bottom = props.Bottom.GetValue();
    // A period of zero or below can never be a band, whatever the frequency.
    if (top < onePeriod || !(top > 0)) return kVoldTopTooHigh;
    if (top == bottom) return kVoldTopIsBottom;
    if (bottom < onePeriod || !(bottom > 0)) return kVoldBottomTooHigh;
    return {};
}

TReadResult ReadVoldViewProps(TVoldViewProps& props, const std::vector<TFieldText>& texts, int32_t sampleFreq) {
    // Read into a copy so that a refusal by the checks leaves the record alone.
    TVoldViewProps copy = props;
    std::vector<TFieldText> mapped;
    mapped.reserve(texts.size());
    TFieldList own = props.Fields();
    TFieldList other = copy.Fields();
    for (const TFieldText& t : texts) {
        for (size_t i = 0; i < own.Entries().size(); ++i)
            if (own.Entries()[i].Value == t.Value) mapped.emplace_back(*other.Entries()[i].Value, t.Text);
    }
    TReadResult r = other.Read(mapped);
    if (!r.Ok) return r;
    std::string error = CheckVoldPeriods(copy, sampleFreq);
    if (!error.empty()) return {false, error};
    props = copy;
    return r;
}

}  // namespace korvane
