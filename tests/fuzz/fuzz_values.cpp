// Feeds arbitrary bytes to every value reader, every typed value field and a
// field list. Whatever the text, a read returns; a failed read names its
// reason; a field that refuses a text shows exactly one "Input Error" box and
// keeps what it held; a field that accepts one writes a text that, when it
// reads back, is written again the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "values/FieldList.h"
#include "values/StringReader.h"
#include "values/ValueField.h"
#include "values/ValueWriters.h"

using namespace korvane;

namespace {

class CountingMessages : public Messages {
public:
    int boxes = 0;
    std::string title;
    std::string text;
    void show(const std::string& t, const std::string& x, MessageIcon) override {
        ++boxes;
        title = t;
        text = x;
    }
    MessageAnswer askYesNoCancel(const std::string&, const std::string&) override { std::abort(); }
    MessageAnswer askOkCancel(const std::string&, const std::string&) override { std::abort(); }
};

CountingMessages sink;

void require(bool condition) {
    if (!condition) std::abort();
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

void readers(const std::string& text) {
    TStringReader r(text);
    auto failed = [&](bool ok) { require(ok || !r.ErrorMessage().empty()); };
    double v = 0;
    int32_t i = 0;
    int16_t s = 0;
    TUnitCode unit = ucNone;
    failed(r.ReadNumber(v));
    failed(r.ReadUnit(unit));
    failed(r.UnitOfText(unit));
    require(r.ReadInteger(i));
    for (int kind = 0; kind <= 8; ++kind) {
        const auto k = static_cast<TCheckKind>(kind);
        failed(r.ReadIntegerChecked(i, k));
        failed(r.ReadWaveValue(s, k));
        failed(r.ReadFactor(v, k));
        failed(r.ReadTime(v, k));
        failed(r.ReadFrequency(v, k));
    }
    for (int relation = 1; relation <= 5; ++relation)
        failed(r.ReadIntegerBounded(i, static_cast<TBoundRelation>(relation), -7));
    failed(r.ReadVolumeFactor(v));
    if (r.ReadPhase(v)) require(v >= 0 && v < 1);
    if (r.ReadBalance(v)) require(v >= -1 && v <= 1);
    TStringReader note(text);
    if (note.ReadNote(v)) require(std::isfinite(v) && v > 0);
}

// Reads the text into the field as a dialog's OK would, and checks the
// box, the unchanged field on failure and the written text on success.
void field(unitValue& f, const std::string& text) {
    const std::string before = f.ToText();
    const TUnitCode unitBefore = f.GetUnit();
    sink.boxes = 0;
    bool ok = true;
    f.CheckText(ok, text, "Cap");
    if (!ok) {
        require(sink.boxes == 1);
        require(sink.title == "Input Error");
        require(startsWith(sink.text, "In Cap: ") && sink.text.size() > 8);
        require(f.ToText() == before && f.GetUnit() == unitBefore);
        return;
    }
    require(sink.boxes == 0);
    const std::string shown = f.ToText();
    // The writers cut digits after the sign, so a small negative value can be
    // written "-0", which reads back as a plain 0.
    const bool negativeZero = startsWith(shown, "-0") && (shown.size() == 2 || shown[2] == ' ');
    // A position counted from the end is kept from the start, and a tiny
    // distance from the end loses digits on that way.
    auto position = dynamic_cast<const unitWavePosition*>(&f);
    const bool fromEnd = position && position->FromEnd();
    if (shown.empty() || negativeZero || fromEnd) return;
    std::unique_ptr<unitValue> again = f.Clone();
    std::string message;
    if (again->FromText(shown, "Cap", message)) require(again->ToText() == shown);
}

void fields(const std::string& text) {
    unitFactor a(0.5, ucPercent);
    unitFactorPos b(0.5, ucPercent);
    unitFactorNotNul c(2, ucPercent);
    unitFactorPosMore d(3, ucNone);
    unitFactorPosMax1 e(0.25, ucNone);
    unitVolumeFactor f(0.5, ucDecibel);
    unitVolumeFactorPosMoreLess1 g(0.5, ucPercent);
    unitAngleFactor h(0.1, ucDegree);
    unitBalAngleFactor i(0, ucBalanceDegree);
    unitTime j(0.01, ucMilliSecond);
    unitTimePos k(1, ucSecond);
    unitTimePosMore l(0.001, ucKiloHertz);
    unitFreq m(440, ucHertz);
    unitWaveVal n(16383, ucPercent);
    unitWaveValPosMore o(3277, ucSampleValue);
    unitInteger p(0, ucNone);
    unitIntegerPos q(1, ucNone);
    unitIntegerPosMore r(20, ucNone);
    unitIntegerMoreUser s(30, ucNone, 30);
    unitWavePosition t(0, ucPercent);
    t.SetLength(2.5);
    for (unitValue* each :
         std::vector<unitValue*>{&a, &b, &c, &d, &e, &f, &g, &h, &i, &j, &k, &l, &m, &n, &o, &p, &q, &r, &s, &t}) {
        field(*each, text);
    }
}

// Splits the text at line feeds and gives the pieces to a record's fields.
void record(const std::string& text) {
    unitVolumeFactor constant(0.5, ucPercent);
    unitUnitWave envelope;
    unitTimePosMore length(1, ucSecond);
    unitWavePosition start(0, ucPercent);
    start.SetLength(1);
    unitIntegerPosMore count(1, ucNone);
    TFieldList list = TFieldList()
                          .Add("Constant", constant)
                          .Add("Envelope", envelope)
                          .Add("Length", length)
                          .Add("Start at", start)
                          .Add("Count", count);
    std::vector<std::string> pieces(1);
    for (char ch : text) {
        if (ch == '\n')
            pieces.emplace_back();
        else
            pieces.back() += ch;
    }
    std::vector<TFieldText> texts;
    const std::vector<TFieldEntry>& entries = list.Entries();
    for (size_t n = 0; n < pieces.size(); ++n) {
        const TFieldEntry& e = entries[n % entries.size()];
        if (e.Value)
            texts.emplace_back(*e.Value, pieces[n]);
        else
            texts.emplace_back(*e.Wave, pieces[n]);
    }
    int document = 0;
    WaveLookup lookup = [&](const std::string& name, const std::string&) -> TUnitWave* {
        return name == "env" ? reinterpret_cast<TUnitWave*>(&document) : nullptr;
    };
    const std::vector<std::string> before = list.SettingsLines();
    sink.boxes = 0;
    if (!list.ReadAndReport(texts, lookup)) {
        require(sink.boxes == 1 && sink.title == "Input Error" && startsWith(sink.text, "In "));
        require(list.SettingsLines() == before);
    } else {
        require(sink.boxes == 0);
    }
}

void writers(const uint8_t* data, size_t size) {
    if (size < sizeof(double)) return;
    double x = 0;
    std::memcpy(&x, data, sizeof x);
    const int digits = data[size - 1] % 12;
    WriteNumber(x, 1 + digits % 4, digits / 2, digits);
    WritePrecision(x, 1 + digits, digits % 2 == 0);
    WriteValue(x, static_cast<TUnitCode>(digits), 7, true, digits % 2 == 0);
    WriteClockTime(x);
    WriteFrequencyShort(x);
    WriteNumberHolder(TNumberHolder(static_cast<uint8_t>(digits % 3), x));
    int16_t sample = 0;
    std::memcpy(&sample, data, sizeof sample);
    WriteWaveValue(sample, static_cast<TUnitCode>(digits));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setMessages(&sink);
    const std::string text(reinterpret_cast<const char*>(data), size);
    readers(text);
    fields(text);
    record(text);
    writers(data, size);
    return 0;
}
