#include "interchange/MusicXmlRead.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace korvane {

namespace {

// One note or rest as read, times in whole notes from the score's start.
struct TRawNote {
    size_t Measure = 0;
    double Offset = 0;  // from the measure's start
    double Start = 0, Duration = 0;
    bool Rest = false;
    int Pitch = 0, Alter = 0, Voice = 1;
    int Actual = 1, Normal = 1;
    bool TieStart = false, TieStop = false;
    uint8_t Art = noteArtNormal;
    int Stem = -1;  // -1 none, 0 up, 1 down
    int Colour = -1;
    bool Square = false;
    int Part = 0;  // the single part it falls in, set later
};

struct TRawKey {
    size_t Measure = 0;
    double Offset = 0;
    double Start = 0;
    TXKey Key;
};

// What a part's attributes have said so far of one of its staves' key.
struct TStaveKey {
    int8_t Clef = TKey::keyKindG;
    int Octaves = 0;
    std::pair<bool, int> Fifths{true, 0};    // standard, fifths
    std::vector<std::pair<int, int>> Steps;  // non-standard: step, alter
};

struct TRawStave {
    std::vector<TRawNote> Notes;
    std::vector<TRawKey> Keys;
};

// What the first part's measure says about the part tree.
struct TMeasureMarks {
    bool NewPart = false;
    int Beats = 0, BeatType = 0;
    bool Forward = false;
    bool EndingStart = false;
    std::vector<int> EndingNumbers;
    bool EndingEnd = false;
    int Backward = 0;  // times, 0 none
    std::vector<std::pair<int, int>> Pitches;  // turn count (0 = all), pitch
};

constexpr int kMaxImportParts = 2000;
constexpr size_t kMaxNesting = 32;

int toInt(const char* text, int fallback = 0) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || v < -1000000000L || v > 1000000000L) return fallback;
    return static_cast<int>(v);
}

double toReal(const char* text, double fallback = 0) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v)) return fallback;
    return v;
}

int8_t clefKind(const char* sign) {
    if (!std::strcmp(sign, "F")) return TKey::keyKindF;
    if (!std::strcmp(sign, "C")) return TKey::keyKindC;
    return TKey::keyKindG;
}

std::vector<int> endingNumbers(const char* text) {
    std::vector<int> numbers;
    const char* p = text;
    while (*p) {
        while (*p && (*p < '0' || *p > '9')) ++p;
        if (!*p) break;
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (v >= 1 && v <= 1000000) numbers.push_back(static_cast<int>(v));
        p = end;
    }
    return numbers;
}

// The part tree as the measures are read: a stack of open repeats and
// endings, the root at the bottom.
class TTreeStack {
public:
    // A single part begins at measure marks `m`, after any repeat or ending
    // it opens; false when a mark is lost for nesting too deep.
    bool StartPart(const TMeasureMarks& m, int part) {
        if (!m.EndingStart) closePending();
        const bool kept = !(stack_.size() > kMaxNesting && (m.Forward || m.EndingStart));
        if (m.Forward && stack_.size() <= kMaxNesting) {
            stack_.push_back({});
            stack_.back().Node.NodeKind = TXNode::loop;
            stack_.back().Node.Count = 1;
        }
        if (m.EndingStart && stack_.size() <= kMaxNesting) {
            stack_.push_back({});
            stack_.back().Node.NodeKind = TXNode::select;
            for (int n : m.EndingNumbers) stack_.back().Node.Turns.push_back({n, 0});
        }
        TXNode single;
        single.NodeKind = TXNode::single;
        single.Part = part;
        stack_.back().Node.Children.push_back(single);
        return kept;
    }

    // "Pitch:" words set the pitch of the innermost open ending's turns.
    void SetPitches(const std::vector<std::pair<int, int>>& pitches) {
        for (const auto& [turn, pitch] : pitches)
            for (size_t f = stack_.size(); f-- > 1;)
                if (stack_[f].Node.NodeKind == TXNode::select) {
                    for (auto& t : stack_[f].Node.Turns)
                        if (turn == 0 || t.first == turn) t.second = pitch;
                    break;
                }
    }

    bool InEnding() const { return stack_.size() > 1 && stack_.back().Node.NodeKind == TXNode::select; }

    void Close() {
        Frame top = std::move(stack_.back());
        stack_.pop_back();
        stack_.back().Node.Children.push_back(std::move(top.Node));
    }

    // A backward repeat closes the innermost open loop, which a repeat
    // without a forward sign opens at the start of what is open.
    void RepeatBack(int times, bool inEnding) {
        size_t f = stack_.size();
        while (f-- > 1 && stack_[f].Node.NodeKind != TXNode::loop) {
        }
        if (f == 0 || stack_[f].Node.NodeKind != TXNode::loop) {
            Frame loop;
            loop.Node.NodeKind = TXNode::loop;
            loop.Node.Children = std::move(stack_.back().Node.Children);
            stack_.back().Node.Children.clear();
            stack_.push_back(std::move(loop));
            f = stack_.size() - 1;
        }
        while (stack_.size() - 1 > f) Close();
        stack_.back().Node.Count = times;
        if (inEnding)
            stack_.back().Pending = true;
        else
            Close();
    }

    TXNode Finish() {
        while (stack_.size() > 1) Close();
        return std::move(stack_.front().Node);
    }

private:
    struct Frame {
        TXNode Node;
        bool Pending = false;  // a repeat that ended in an ending: more endings may follow
    };
    std::vector<Frame> stack_ = std::vector<Frame>(1);

    void closePending() {
        while (stack_.size() > 1 && stack_.back().Pending) Close();
    }
};

class Reader {
public:
    Reader(TXScore& score, TInterchangeReport& report, std::string& error)
        : score_(score), report_(report), error_(error) {}

    bool Read(const std::string& text);

private:
    TXScore& score_;
    TInterchangeReport& report_;
    std::string& error_;
    struct PartSource {
        std::string Id;
        std::vector<std::pair<pugi::xml_node, pugi::xml_node>> Measures;  // measure, content
    };
    std::vector<PartSource> parts_;
    std::vector<TRawStave> staves_;
    std::vector<double> measureLength_;  // longest over the parts
    std::vector<TMeasureMarks> marks_;
    double tempoBpm_ = 0;
    size_t notes_ = 0;
    long grace_ = 0, slurs_ = 0, dynamics_ = 0, lyrics_ = 0, unpitched_ = 0, otherArts_ = 0, ornaments_ = 0,
         badTuplets_ = 0, nestedTuplets_ = 0, ties_ = 0, lengths_ = 0, clefs_ = 0;

    bool collectParts(pugi::xml_node root, bool timewise);
    bool readPart(const PartSource& part, size_t firstStave, size_t staveCount, bool first);
    bool readDivisions(pugi::xml_node attributes, const PartSource& part, long long& divisions);
    void readKeySignatures(pugi::xml_node attributes, std::vector<TStaveKey>& keys, std::vector<bool>& changed);
    void readClefs(pugi::xml_node attributes, std::vector<TStaveKey>& keys, std::vector<bool>& changed);
    bool readAttributes(pugi::xml_node item, const PartSource& part, size_t measure, double cursor, size_t firstStave,
                        std::vector<TStaveKey>& keys, long long& divisions);
    void readDirection(pugi::xml_node item);
    bool readNote(pugi::xml_node note, size_t measure, double offset, double duration, size_t firstStave,
                  size_t staveCount);
    void readMarks(pugi::xml_node measure, pugi::xml_node content, size_t index);
    void numberParts();
    void buildTree();
    void buildParts();
    void buildStave(size_t s, std::vector<double>& partStarts);
    std::vector<bool> joinTies(std::vector<TRawNote>& notes);
    void placeNotes(size_t s, const std::vector<TRawNote>& notes, const std::vector<bool>& gone,
                    std::map<int, int>& groupOf, const TXStave& stave, const std::vector<double>& partStarts);
    void placeKeys(size_t s, const std::vector<TRawKey>& rawKeys, const std::vector<double>& partStarts);
    std::vector<double> starts_;  // of each measure
    std::vector<int> partOfMeasure_;
};

bool Reader::Read(const std::string& text) {
    pugi::xml_document xml;
    const pugi::xml_parse_result result =
        xml.load_buffer(text.data(), text.size(), pugi::parse_default);
    if (!result) {
        error_ = std::string("The MusicXML file cannot be read: ") + result.description() + " at byte " +
                 std::to_string(result.offset) + ".";
        return false;
    }
    pugi::xml_node root = xml.document_element();
    const std::string name = root.name();
    if (name == "UnitMuz") {
        error_ = kKorvaneFileMessage;
        return false;
    }
    if (name != "score-partwise" && name != "score-timewise") {
        error_ = "The file is not a MusicXML score (its root element is <" + name + ">).";
        return false;
    }
    if (!collectParts(root, name == "score-timewise")) return false;
    // Staves per part: the most any of its attributes names.
    std::vector<size_t> counts;
    size_t total = 0;
    for (const PartSource& p : parts_) {
        int most = 1;
        for (const auto& [measure, content] : p.Measures)
            for (pugi::xml_node a : content.children("attributes"))
                if (pugi::xml_node s = a.child("staves")) most = std::max(most, std::clamp(s.text().as_int(1), 1, 16));
        counts.push_back(static_cast<size_t>(most));
        total += static_cast<size_t>(most);
    }
    if (total > kMaxImportStaves) {
        error_ = "The score has " + std::to_string(total) + " staves; at most " + std::to_string(kMaxImportStaves) +
                 " can be read.";
        return false;
    }
    staves_.resize(total);
    size_t measures = 0;
    for (const PartSource& p : parts_) measures = std::max(measures, p.Measures.size());
    measureLength_.assign(measures, 0);
    marks_.assign(measures, {});
    size_t first = 0;
    for (size_t i = 0; i < parts_.size(); ++i) {
        if (!readPart(parts_[i], first, counts[i], i == 0)) return false;
        first += counts[i];
    }
    score_.Tempo = 240.0 / (tempoBpm_ > 0 ? tempoBpm_ : 120.0);
    buildTree();
    buildParts();
    report_.Dropped("grace note", "grace notes", grace_);
    report_.Dropped("slur", "slurs", slurs_);
    report_.Dropped("dynamics", "dynamics", dynamics_);
    report_.Dropped("lyric", "lyrics", lyrics_);
    report_.Dropped("unpitched note", "unpitched notes", unpitched_);
    report_.Dropped("articulation", "articulations", otherArts_);
    report_.Dropped("ornament", "ornaments", ornaments_);
    report_.Dropped("tuplet other than 2 to 5", "tuplets other than 2 to 5", badTuplets_);
    report_.Dropped("nested tuplet", "nested tuplets", nestedTuplets_);
    report_.Dropped("tie", "ties", ties_);
    report_.Dropped("clef", "clefs", clefs_);
    report_.Approximated("note given the nearest length the score has", "notes given the nearest length the score has",
                         lengths_);
    return true;
}

bool Reader::collectParts(pugi::xml_node root, bool timewise) {
    std::map<std::string, size_t> index;
    auto partFor = [&](const std::string& id) -> PartSource* {
        auto it = index.find(id);
        if (it != index.end()) return &parts_[it->second];
        if (parts_.size() >= kMaxImportStaves) return nullptr;
        index[id] = parts_.size();
        parts_.push_back({id, {}});
        return &parts_.back();
    };
    for (pugi::xml_node sp : root.child("part-list").children("score-part"))
        if (!partFor(sp.attribute("id").value())) break;
    size_t measures = 0;
    if (timewise) {
        for (pugi::xml_node m : root.children("measure"))
            for (pugi::xml_node p : m.children("part")) {
                PartSource* part = partFor(p.attribute("id").value());
                if (!part) {
                    error_ = "The score has more than " + std::to_string(kMaxImportStaves) + " parts.";
                    return false;
                }
                part->Measures.push_back({m, p});
                if (++measures > kMaxImportMeasures * 4) break;
            }
    } else {
        for (pugi::xml_node p : root.children("part")) {
            PartSource* part = partFor(p.attribute("id").value());
            if (!part) {
                error_ = "The score has more than " + std::to_string(kMaxImportStaves) + " parts.";
                return false;
            }
            for (pugi::xml_node m : p.children("measure")) part->Measures.push_back({m, m});
        }
    }
    parts_.erase(std::remove_if(parts_.begin(), parts_.end(), [](const PartSource& p) { return p.Measures.empty(); }),
                 parts_.end());
    if (parts_.empty()) {
        error_ = "The score has no measures.";
        return false;
    }
    for (const PartSource& p : parts_)
        if (p.Measures.size() > kMaxImportMeasures) {
            error_ = "The score has more than " + std::to_string(kMaxImportMeasures) + " measures.";
            return false;
        }
    return true;
}

void Reader::readMarks(pugi::xml_node measure, pugi::xml_node content, size_t index) {
    TMeasureMarks& marks = marks_[index];
    for (pugi::xml_node a : content.children("attributes"))
        if (pugi::xml_node t = a.child("time")) {
            marks.NewPart = true;
            marks.Beats = toInt(t.child_value("beats"), 4);
            marks.BeatType = toInt(t.child_value("beat-type"), 4);
        }
    for (pugi::xml_node b : content.children("barline")) {
        const bool left = !std::strcmp(b.attribute("location").as_string("right"), "left");
        if (pugi::xml_node r = b.child("repeat")) {
            if (!std::strcmp(r.attribute("direction").value(), "forward"))
                marks.Forward = true;
            else
                marks.Backward = std::clamp(r.attribute("times").as_int(2), 1, 1000000);
        }
        if (pugi::xml_node e = b.child("ending")) {
            const std::string type = e.attribute("type").value();
            if (type == "start" && left) {
                marks.EndingStart = true;
                marks.EndingNumbers = endingNumbers(e.attribute("number").value());
            } else if (type == "stop" || type == "discontinue") {
                marks.EndingEnd = true;
            }
        }
    }
    for (pugi::xml_node d : content.children("direction"))
        for (pugi::xml_node dt : d.children("direction-type"))
            for (pugi::xml_node w : dt.children("words")) {
                const char* text = w.child_value();
                if (std::strncmp(text, "Pitch: ", 7) != 0) continue;
                const int pitch = toInt(text + 7, 0);
                const char* turn = std::strstr(text, "(turn ");
                marks.Pitches.push_back({turn ? toInt(turn + 6, 0) : 0, pitch});
            }
    (void)measure;
}

bool Reader::readDivisions(pugi::xml_node attributes, const PartSource& part, long long& divisions) {
    pugi::xml_node d = attributes.child("divisions");
    if (!d) return true;
    const double v = toReal(d.child_value(), 0);
    if (!(v >= 1 && v <= 1e7) || v != std::floor(v)) {
        error_ = "The part " + part.Id + " has divisions of " + d.child_value() + ", which no score has.";
        return false;
    }
    divisions = static_cast<long long>(v);
    return true;
}

void Reader::readKeySignatures(pugi::xml_node attributes, std::vector<TStaveKey>& keys, std::vector<bool>& changed) {
    for (pugi::xml_node k : attributes.children("key")) {
        const int number = k.attribute("number").as_int(0);
        for (size_t s = 0; s < keys.size(); ++s) {
            if (number != 0 && number != static_cast<int>(s) + 1) continue;
            TStaveKey& key = keys[s];
            if (pugi::xml_node f = k.child("fifths")) {
                key.Fifths = {true, std::clamp(toInt(f.child_value()), -7, 7)};
            } else {
                key.Fifths = {false, 0};
                key.Steps.clear();
                pugi::xml_node alter = k.child("key-alter");
                for (pugi::xml_node st = k.child("key-step"); st; st = st.next_sibling("key-step")) {
                    const char* letter = st.child_value();
                    const char* at = std::strchr("CDEFGAB", letter[0] ? letter[0] : 'x');
                    const int a = alter ? static_cast<int>(std::lround(toReal(alter.child_value()))) : 0;
                    if (at && letter[0]) key.Steps.push_back({static_cast<int>(at - "CDEFGAB"), a});
                    if (alter) alter = alter.next_sibling("key-alter");
                }
            }
            changed[s] = true;
        }
    }
}

void Reader::readClefs(pugi::xml_node attributes, std::vector<TStaveKey>& keys, std::vector<bool>& changed) {
    for (pugi::xml_node c : attributes.children("clef")) {
        const int number = std::clamp(c.attribute("number").as_int(1), 1, static_cast<int>(keys.size()));
        const size_t s = static_cast<size_t>(number - 1);
        const char* sign = c.child_value("sign");
        if (std::strcmp(sign, "G") && std::strcmp(sign, "F") && std::strcmp(sign, "C")) ++clefs_;
        keys[s].Clef = clefKind(sign);
        keys[s].Octaves = std::clamp(toInt(c.child_value("clef-octave-change"), 0), -2, 2);
        changed[s] = true;
    }
}

// The key a stave shows after what its part's attributes said.
TXKey keyOf(const TStaveKey& k) {
    TXKey key;
    key.Kind = k.Clef;
    key.Octaves = k.Octaves;
    if (k.Fifths.first) {
        key.Scale = ScaleOfFifths(k.Clef, k.Fifths.second);
    } else {
        for (const auto& [step, alter] : k.Steps) {
            const int index = ((step - k.Clef) % 7 + 7) % 7;
            key.Scale[index] = alter > 0 ? noteShiftKruis : alter < 0 ? noteShiftMol : noteShiftNormal;
        }
    }
    return key;
}

// An <attributes>: the divisions, and a key on every stave whose key or clef
// it changes.
bool Reader::readAttributes(pugi::xml_node item, const PartSource& part, size_t measure, double cursor,
                            size_t firstStave, std::vector<TStaveKey>& keys, long long& divisions) {
    if (!readDivisions(item, part, divisions)) return false;
    std::vector<bool> changed(keys.size(), false);
    readKeySignatures(item, keys, changed);
    readClefs(item, keys, changed);
    for (size_t s = 0; s < keys.size(); ++s) {
        if (!changed[s]) continue;
        TRawKey key;
        key.Key = keyOf(keys[s]);
        key.Measure = measure;
        key.Offset = cursor;
        staves_[firstStave + s].Keys.push_back(key);
    }
    return true;
}

// The first part's <direction>: dynamics are counted, the first tempo kept.
void Reader::readDirection(pugi::xml_node item) {
    for (pugi::xml_node dt : item.children("direction-type")) {
        if (dt.child("dynamics")) ++dynamics_;
        if (pugi::xml_node m = dt.child("metronome"); m && tempoBpm_ <= 0 && !item.child("sound")) {
            const double perMinute = toReal(m.child_value("per-minute"), 0);
            const std::string unit = m.child_value("beat-unit");
            const double quarters = unit == "half" ? 2 : unit == "eighth" ? 0.5 : unit == "whole" ? 4 : 1;
            const double dotted = m.child("beat-unit-dot") ? 1.5 : 1;
            if (perMinute > 0) tempoBpm_ = perMinute * quarters * dotted;
        }
    }
    if (pugi::xml_node s = item.child("sound"); s && tempoBpm_ <= 0)
        tempoBpm_ = std::max(0.0, s.attribute("tempo").as_double(0));
}

bool Reader::readPart(const PartSource& part, size_t firstStave, size_t staveCount, bool first) {
    long long divisions = 1;
    std::vector<TStaveKey> keys(staveCount);
    for (size_t mi = 0; mi < part.Measures.size(); ++mi) {
        const auto [measure, content] = part.Measures[mi];
        if (first) readMarks(measure, content, mi);
        double cursor = 0, longest = 0, lastStart = 0;
        for (pugi::xml_node item : content.children()) {
            const std::string name = item.name();
            if (name == "attributes") {
                if (!readAttributes(item, part, mi, cursor, firstStave, keys, divisions)) return false;
            } else if (name == "backup" || name == "forward") {
                const double d = toReal(item.child_value("duration"), 0) / (4.0 * static_cast<double>(divisions));
                if (!(d >= 0 && d < 1e6)) continue;
                cursor = name == "backup" ? std::max(0.0, cursor - d) : cursor + d;
                longest = std::max(longest, cursor);
            } else if (name == "note") {
                if (++notes_ > kMaxImportNotes) {
                    error_ = "The score has more than " + std::to_string(kMaxImportNotes) + " notes.";
                    return false;
                }
                if (item.child("grace")) {
                    ++grace_;
                    continue;
                }
                if (item.child("cue")) continue;
                double d = toReal(item.child_value("duration"), 0) / (4.0 * static_cast<double>(divisions));
                if (!(d >= 0 && d < 1e6)) d = 0;
                const bool chord = item.child("chord");
                const double start = chord ? lastStart : cursor;
                if (!readNote(item, mi, start, d, firstStave, staveCount)) return false;
                if (!chord) {
                    lastStart = cursor;
                    cursor += d;
                }
                longest = std::max(longest, cursor);
            } else if (name == "direction" && first) {
                readDirection(item);
            } else if (name == "sound" && first && tempoBpm_ <= 0) {
                tempoBpm_ = std::max(0.0, item.attribute("tempo").as_double(0));
            }
        }
        measureLength_[mi] = std::max(measureLength_[mi], longest);
    }
    return true;
}

bool Reader::readNote(pugi::xml_node item, size_t measure, double offset, double duration, size_t firstStave,
                      size_t staveCount) {
    TRawNote n;
    n.Measure = measure;
    n.Offset = offset;
    n.Duration = duration;
    n.Voice = std::clamp(toInt(item.child_value("voice"), 1), 1, 1000);
    const int staff = std::clamp(toInt(item.child_value("staff"), 1), 1, static_cast<int>(staveCount));
    for (pugi::xml_node l : item.children("lyric")) (void)l, ++lyrics_;
    if (pugi::xml_node p = item.child("pitch")) {
        const char* at = std::strchr("CDEFGAB", p.child_value("step")[0] ? p.child_value("step")[0] : 'x');
        if (!at) return true;
        const int octave = std::clamp(toInt(p.child_value("octave"), 4), -100, 100);
        n.Pitch = static_cast<int>(at - "CDEFGAB") + 7 * (octave - 4);
        n.Alter = static_cast<int>(std::lround(std::clamp(toReal(p.child_value("alter"), 0), -9.0, 9.0)));
    } else if (item.child("rest")) {
        if (!std::strcmp(item.attribute("print-object").as_string("yes"), "no")) return true;
        n.Rest = true;
    } else {
        ++unpitched_;
        return true;
    }
    if (pugi::xml_node tm = item.child("time-modification")) {
        n.Actual = std::clamp(toInt(tm.child_value("actual-notes"), 1), 1, 1000);
        n.Normal = std::clamp(toInt(tm.child_value("normal-notes"), 1), 1, 1000);
        if (tm.child("normal-type")) ++nestedTuplets_;
    }
    for (pugi::xml_node t : item.children("tie")) {
        if (!std::strcmp(t.attribute("type").value(), "start")) n.TieStart = true;
        if (!std::strcmp(t.attribute("type").value(), "stop")) n.TieStop = true;
    }
    for (pugi::xml_node notations : item.children("notations")) {
        for (pugi::xml_node t : notations.children("tied")) {
            if (!std::strcmp(t.attribute("type").value(), "start")) n.TieStart = true;
            if (!std::strcmp(t.attribute("type").value(), "stop")) n.TieStop = true;
        }
        for (pugi::xml_node sl : notations.children("slur"))
            if (!std::strcmp(sl.attribute("type").value(), "start")) ++slurs_;
        for (pugi::xml_node d : notations.children("dynamics")) (void)d, ++dynamics_;
        for (pugi::xml_node o : notations.children("ornaments")) (void)o, ++ornaments_;
        for (pugi::xml_node arts : notations.children("articulations"))
            for (pugi::xml_node a : arts.children()) {
                const std::string name = a.name();
                if (n.Art == noteArtNormal && name == "staccato") n.Art = noteArtStaccato;
                else if (n.Art == noteArtNormal && name == "staccatissimo") n.Art = noteArtStaccatissimo;
                else if (n.Art == noteArtNormal && name == "tenuto") n.Art = noteArtLegato;
                else if (n.Art == noteArtNormal && name == "detached-legato") n.Art = noteArtPortato;
                else ++otherArts_;
            }
    }
    const std::string stem = item.child_value("stem");
    n.Stem = stem == "up" ? 0 : stem == "down" ? 1 : -1;
    const char* colour = item.attribute("color").value();
    if (colour[0] == '#' && std::strlen(colour) >= 7) {
        const long rgb = std::strtol(std::string(colour + 1, 6).c_str(), nullptr, 16);
        n.Colour = static_cast<int>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
    n.Square = !std::strcmp(item.child_value("notehead"), "rectangle") || !std::strcmp(item.child_value("notehead"), "square");
    staves_[firstStave + static_cast<size_t>(staff) - 1].Notes.push_back(n);
    return true;
}

// The single part each measure falls in, and where each measure starts.
void Reader::numberParts() {
    const size_t measures = marks_.size();
    starts_.assign(measures + 1, 0);
    partOfMeasure_.assign(measures, 0);
    int part = -1;
    long lostParts = 0;
    bool cut = true;
    double barLength = 1;
    for (size_t mi = 0; mi < measures; ++mi) {
        const TMeasureMarks& m = marks_[mi];
        if (m.NewPart && m.BeatType > 0) barLength = static_cast<double>(m.Beats) / m.BeatType;
        // Each part is a node of the tree, which the program walks by recursion:
        // beyond a few thousand the parts run on.
        if ((cut || m.NewPart || m.Forward || m.EndingStart) && part + 1 < kMaxImportParts)
            ++part;
        else if (cut || m.NewPart || m.Forward || m.EndingStart)
            ++lostParts;
        partOfMeasure_[mi] = part;
        cut = m.EndingEnd || m.Backward;
        double length = measureLength_[mi];
        if (!(length > 1e-12)) length = barLength > 0 && barLength < 1e4 ? barLength : 1;
        starts_[mi + 1] = starts_[mi] + length;
    }
    report_.Approximated("part start past the most parts a score holds", "part starts past the most parts a score holds",
                         lostParts);
}

void Reader::buildTree() {
    numberParts();
    TTreeStack tree;
    int current = -1;
    long deepMarks = 0;
    for (size_t mi = 0; mi < marks_.size(); ++mi) {
        const TMeasureMarks& m = marks_[mi];
        if (partOfMeasure_[mi] != current) {
            current = partOfMeasure_[mi];
            if (!tree.StartPart(m, current)) ++deepMarks;
        }
        tree.SetPitches(m.Pitches);
        const bool inEnding = m.EndingEnd && tree.InEnding();
        if (inEnding) tree.Close();
        if (m.Backward) tree.RepeatBack(m.Backward, inEnding);
    }
    report_.Dropped("repeat or ending nested too deep", "repeats or endings nested too deep", deepMarks);
    score_.Root = tree.Finish();
}

void Reader::buildParts() {
    const size_t partCount = marks_.empty() ? 0 : static_cast<size_t>(partOfMeasure_.back() + 1);
    score_.Parts.assign(partCount, {});
    std::vector<double> partStarts(partCount, 0);
    int length = 4, count = 4;
    for (size_t mi = 0; mi < marks_.size(); ++mi) {
        const TMeasureMarks& m = marks_[mi];
        if (m.NewPart) {
            const int beatType = m.BeatType;
            if (beatType >= 1 && beatType <= 64 && (beatType & (beatType - 1)) == 0 && m.Beats >= 1 && m.Beats <= 1000) {
                length = beatType;
                count = m.Beats;
            } else {
                report_.Approximated("bar the score cannot hold, made 4/4", "bars the score cannot hold, made 4/4");
                length = count = 4;
            }
        }
        const size_t p = static_cast<size_t>(partOfMeasure_[mi]);
        if (mi > 0 && partOfMeasure_[mi - 1] == partOfMeasure_[mi]) continue;
        TXPart& part = score_.Parts[p];
        part.NoteLength = length;
        part.CountNotes = count;
        partStarts[p] = starts_[mi];
        // A first measure shorter than the bar is an upbeat.
        const bool more = mi + 1 < marks_.size() && partOfMeasure_[mi + 1] == partOfMeasure_[mi];
        const double beats = measureLength_[mi] * length;
        const double whole = std::round(beats);
        if (more && whole >= 1 && whole < count && std::fabs(beats - whole) < 1e-9)
            part.ExtraCount = static_cast<int>(whole);
        part.Staves.resize(staves_.size());
    }
    for (size_t s = 0; s < staves_.size(); ++s) buildStave(s, partStarts);
}

// A note value's length, or the nearest one when no value has it.
void lengthOf(double duration, int& lengthKind, int& points) {
    if (StandardLength(duration, lengthKind, points)) return;
    double best = 1e300;
    for (int l = 1; l <= 64; l *= 2)
        for (int p = 0; p <= 3; ++p) {
            const double v = (2.0 - std::ldexp(1.0, -p)) / l;
            if (std::fabs(v - duration) < best) {
                best = std::fabs(v - duration);
                lengthKind = l;
                points = p;
            }
        }
}

// Tied notes become one where a note value has their summed length; returns
// which notes went into the one before them.
std::vector<bool> Reader::joinTies(std::vector<TRawNote>& notes) {
    std::map<std::tuple<int, int, int, long long>, size_t> byStart;
    for (size_t i = 0; i < notes.size(); ++i)
        if (!notes[i].Rest && notes[i].TieStop)
            byStart[{notes[i].Voice, notes[i].Pitch, notes[i].Alter, std::llround(notes[i].Start * 1e9)}] = i;
    std::vector<bool> gone(notes.size(), false);
    for (size_t i = 0; i < notes.size(); ++i) {
        TRawNote& a = notes[i];
        while (!gone[i] && !a.Rest && a.TieStart) {
            auto it = byStart.find({a.Voice, a.Pitch, a.Alter, std::llround((a.Start + a.Duration) * 1e9)});
            int l, p;
            if (it == byStart.end() || gone[it->second] || it->second == i) break;
            TRawNote& b = notes[it->second];
            if (a.Actual != a.Normal || b.Actual != b.Normal || a.Part != b.Part ||
                !StandardLength(a.Duration + b.Duration, l, p)) {
                ++ties_;
                break;
            }
            a.Duration += b.Duration;
            a.TieStart = b.TieStart;
            gone[it->second] = true;
        }
    }
    return gone;
}

// Voices of pitched notes become the stave's note groups, in number order;
// returns the group of each voice.
std::map<int, int> voiceGroups(const std::vector<TRawNote>& notes, const std::vector<bool>& gone, TXStave& stave) {
    std::map<int, int> groupOf;
    for (size_t i = 0; i < notes.size(); ++i)
        if (!gone[i] && !notes[i].Rest) groupOf[notes[i].Voice] = 0;
    for (auto& [voice, group] : groupOf) {
        group = static_cast<int>(stave.Groups.size());
        TXGroup g;
        int up = 0, down = 0, without = 0;
        bool firstSeen = false;
        for (size_t i = 0; i < notes.size(); ++i) {
            const TRawNote& n = notes[i];
            if (gone[i] || n.Rest || n.Voice != voice) continue;
            if (!firstSeen) {
                g.Colour = n.Colour < 0 ? 0 : n.Colour;
                g.Shape = n.Square ? noteShapeRectangle : noteShapeNormal;
                firstSeen = true;
            }
            (n.Stem == 0 ? up : n.Stem == 1 ? down : without)++;
        }
        if (without == 0 && up + down > 0) g.Stick = up >= down ? noteStickUp : noteStickDown;
        stave.Groups.push_back(g);
    }
    return groupOf;
}

// A tuplet member finds its group, which its first member starts; false (and
// counted in `badTuplets`) when the score has no such tuplet.
bool tupletMember(const TRawNote& n, double partStart, std::map<std::pair<int, long long>, double>& openGroups,
                  TXNote& x, double& badTuplets) {
    int l, p;
    const double group = n.Duration * n.Actual;
    if (!(n.Actual >= 2 && n.Actual <= 5 && StandardLength(group, l, p) && l <= (n.Actual == 5 ? 16 : 32) &&
          (p > 0 || (n.Actual != duool && n.Actual != kwartool)))) {
        badTuplets += 1.0 / n.Actual;
        return false;
    }
    const auto key = std::make_pair(n.Actual, std::llround(n.Duration * 1e9));
    auto it = openGroups.find(key);
    double k = -1;
    if (it != openGroups.end()) {
        k = (n.Start - it->second) / n.Duration;
        if (k < -1e-9 || k > n.Actual - 1 + 1e-9 || std::fabs(k - std::round(k)) > 1e-6) k = -1;
    }
    if (k < 0) {
        openGroups[key] = n.Start;
        k = 0;
    }
    x.MultiOol = n.Actual;
    x.PosInOol = static_cast<int>(std::lround(k));
    x.Position = openGroups[key] - partStart;
    if (std::fabs(x.Position) < 1e-12) x.Position = 0;
    x.Length = l;
    x.Points = p;
    return true;
}

// A rest no note value holds becomes several.
void splitRest(double duration, double at, TXStaveInPart& target) {
    double left = duration;
    while (left > 1.0 / 64 - 1e-9) {
        int l = 1;
        while (l < 64 && 1.0 / l > left + 1e-9) l *= 2;
        TXLength r;
        r.Position = at;
        r.Length = l;
        at += 1.0 / l;
        left -= 1.0 / l;
        target.Silences.push_back(r);
    }
}

uint8_t shiftOfAlter(int alter) {
    alter = std::clamp(alter, -2, 2);
    return alter == 2 ? noteShiftDoubleKruis : alter == 1 ? noteShiftKruis : alter == 0 ? noteShiftNormal
         : alter == -1 ? noteShiftMol : noteShiftDoubleMol;
}

// The stave's notes and rests in time order, each in its part.
void Reader::placeNotes(size_t s, const std::vector<TRawNote>& notes, const std::vector<bool>& gone,
                        std::map<int, int>& groupOf, const TXStave& stave, const std::vector<double>& partStarts) {
    std::vector<size_t> order;
    for (size_t i = 0; i < notes.size(); ++i)
        if (!gone[i]) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return notes[a].Start < notes[b].Start; });
    std::map<std::pair<int, long long>, double> openGroups;  // (members, member length) -> group start
    double badTuplets = 0;
    for (size_t i : order) {
        const TRawNote& n = notes[i];
        const double partStart = partStarts[static_cast<size_t>(n.Part)];
        TXStaveInPart& target = score_.Parts[static_cast<size_t>(n.Part)].Staves[s];
        TXNote x;
        x.Position = n.Start - partStart;
        if (std::fabs(x.Position) < 1e-12) x.Position = 0;
        const bool tuplet = n.Actual != n.Normal && tupletMember(n, partStart, openGroups, x, badTuplets);
        int standardKind = 0, standardPoints = 0;
        if (!tuplet && n.Rest && !StandardLength(n.Duration, standardKind, standardPoints)) {
            splitRest(n.Duration, x.Position, target);
            continue;
        }
        if (!tuplet) {
            int l = 4, p = 0;
            if (!StandardLength(n.Duration, l, p)) {
                lengthOf(n.Duration, l, p);
                if (!n.Rest) ++lengths_;
            }
            x.Length = l;
            x.Points = p;
        }
        if (n.Rest) {
            target.Silences.push_back(x);
            continue;
        }
        x.Pitch = n.Pitch;
        x.Shift = shiftOfAlter(n.Alter);
        x.Art = n.Art;
        x.Group = groupOf[n.Voice];
        const uint8_t groupStick = stave.Groups[static_cast<size_t>(x.Group)].Stick;
        x.Stick = n.Stem < 0 || n.Stem == groupStick ? static_cast<uint8_t>(noteStickGroup) : static_cast<uint8_t>(n.Stem);
        target.Notes.push_back(x);
    }
    badTuplets_ += std::lround(std::ceil(badTuplets - 1e-9));
}

// The stave's keys in their parts; every part starts with the key in effect
// where it begins.
void Reader::placeKeys(size_t s, const std::vector<TRawKey>& rawKeys, const std::vector<double>& partStarts) {
    for (const TRawKey& k : rawKeys) {
        const size_t p = static_cast<size_t>(partOfMeasure_[k.Measure]);
        TXKey key = k.Key;
        key.Position = starts_[k.Measure] + k.Offset - partStarts[p];
        if (std::fabs(key.Position) < 1e-12) key.Position = 0;
        auto& keys = score_.Parts[p].Staves[s].Keys;
        if (!keys.empty() && keys.back().Position == key.Position)
            keys.back() = key;
        else
            keys.push_back(key);
    }
    const TXKey* inEffect = nullptr;
    TXKey carried;
    for (TXPart& part : score_.Parts) {
        auto& keys = part.Staves[s].Keys;
        if ((keys.empty() || keys.front().Position > 0) && inEffect) {
            carried = *inEffect;
            carried.Position = 0;
            keys.insert(keys.begin(), carried);
        }
        if (!keys.empty()) inEffect = &keys.back();
    }
}

void Reader::buildStave(size_t s, std::vector<double>& partStarts) {
    TRawStave& raw = staves_[s];
    auto& notes = raw.Notes;
    for (TRawNote& n : notes) {
        n.Start = starts_[n.Measure] + n.Offset;
        n.Part = partOfMeasure_[n.Measure];
    }
    const std::vector<bool> gone = joinTies(notes);
    TXStave stave;
    std::map<int, int> groupOf = voiceGroups(notes, gone, stave);
    placeNotes(s, notes, gone, groupOf, stave, partStarts);
    placeKeys(s, raw.Keys, partStarts);
    score_.Staves.push_back(stave);
}

}  // namespace

bool ReadMusicXml(const std::string& text, TXScore& score, TInterchangeReport& report, std::string& error) {
    Reader reader(score, report, error);
    return reader.Read(text);
}

}  // namespace korvane
