#include "interchange/MusicXmlWrite.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <cmath>
#include <map>
#include <sstream>
#include <vector>

#include "interchange/ScoreData.h"
#include "values/ValueWriters.h"

namespace korvane {

namespace {

constexpr const char* kSteps = "CDEFGAB";

// What the tree puts at the start and end of a single part's bars.
struct TPartEntry {
    TSinglePartMuz* Part = nullptr;
    int ForwardRepeats = 0;
    std::string EndingNumbers;  // an ending starts here when not empty
    bool EndingStarts = false;
    std::vector<std::string> Words;
    bool EndingEnds = false;
    std::string EndNumbers;
    int BackwardTimes = 0;  // a backward repeat with this Count ends here
};

// The direct items of a loop body: a concatenation's children, left to right.
void flattenConcat(TPartMuz* part, std::vector<TPartMuz*>& items) {
    if (part && part->GetPartMuzKind() == partMuzConcat) {
        auto* c = static_cast<TConcatPartMuz*>(part);
        flattenConcat(c->GetFirstPart(), items);
        flattenConcat(c->GetSecondPart(), items);
    } else if (part && part->PlayAndDraw) {
        items.push_back(part);
    }
}

class TreeWalker {
public:
    std::vector<TPartEntry> Entries;
    long Hidden = 0;
    long NestedMarks = 0;
    // Where each walked part's entries begin and end.
    std::map<const TPartMuz*, std::pair<size_t, size_t>> Span;

    void Walk(TPartMuz* part) {
        if (!part) return;
        if (!part->PlayAndDraw) {
            ++Hidden;
            return;
        }
        const size_t begin = Entries.size();
        switch (part->GetPartMuzKind()) {
            case partMuzSingle: {
                TPartEntry entry;
                entry.Part = static_cast<TSinglePartMuz*>(part);
                Entries.push_back(entry);
                break;
            }
            case partMuzConcat: {
                auto* c = static_cast<TConcatPartMuz*>(part);
                Walk(c->GetFirstPart());
                Walk(c->GetSecondPart());
                break;
            }
            case partMuzLoop: loop(static_cast<TLoopPartMuz&>(*part), begin); break;
            case partMuzSelect: select(static_cast<TSelectPartMuz&>(*part), begin); break;
            case partMuzStart: Walk(static_cast<TStartPartMuz*>(part)->GetPartMuz()); break;
        }
        Span[part] = {begin, Entries.size()};
    }

private:
    void loop(TLoopPartMuz& loop, size_t begin) {
        Walk(loop.GetLoopPart());
        if (Entries.size() == begin) return;
        if (Entries[begin].ForwardRepeats++ > 0) ++NestedMarks;
        const int times = loop.Count.GetValue();
        // Endings at the end of the body: the repeat goes back after every
        // ending but the last, as notation writes first and second endings.
        std::vector<TPartMuz*> items;
        flattenConcat(loop.GetLoopPart(), items);
        size_t run = 0;
        while (run < items.size() && items[items.size() - 1 - run]->GetPartMuzKind() == partMuzSelect) ++run;
        std::vector<size_t> ends;
        if (run >= 2) {
            for (size_t i = items.size() - run; i + 1 < items.size(); ++i) {
                auto it = Span.find(items[i]);
                if (it != Span.end() && it->second.second > it->second.first) ends.push_back(it->second.second - 1);
            }
        }
        if (ends.empty()) ends.push_back(Entries.size() - 1);
        for (size_t e : ends) {
            if (Entries[e].BackwardTimes) ++NestedMarks;
            Entries[e].BackwardTimes = times;
        }
    }

    void select(TSelectPartMuz& select, size_t begin) {
        Walk(select.GetSelectPart());
        if (Entries.size() == begin) return;
        std::string numbers;
        const auto& turns = select.GetTurns();
        for (const auto& turn : turns) {
            if (!numbers.empty()) numbers += ", ";
            numbers += std::to_string(turn->Count.GetValue());
        }
        TPartEntry& first = Entries[begin];
        if (first.EndingStarts || Entries.back().EndingEnds) ++NestedMarks;
        first.EndingStarts = true;
        first.EndingNumbers = numbers;
        for (const auto& turn : turns) {
            const int pitch = turn->Pitch.GetValue();
            if (pitch == 0) continue;
            std::string words = "Pitch: " + std::to_string(pitch);
            if (turns.size() > 1) words += " (turn " + std::to_string(turn->Count.GetValue()) + ")";
            first.Words.push_back(words);
        }
        Entries.back().EndingEnds = true;
        Entries.back().EndNumbers = numbers;
    }
};

struct TFlag {
    const char* Type;
    int Dots;
};

const char* typeName(int lengthKind) {
    switch (lengthKind) {
        case 1: return "whole";
        case 2: return "half";
        case 4: return "quarter";
        case 8: return "eighth";
        case 16: return "16th";
        case 32: return "32nd";
        case 64: return "64th";
        case 128: return "128th";
        default: return "256th";
    }
}

long long gcdLL(long long a, long long b) {
    while (b) {
        long long t = a % b;
        a = b;
        b = t;
    }
    return a < 0 ? -a : a;
}

// (2^(p+1) - 1) / (L * 2^p) as a fraction of whole notes.
void dottedFraction(int lengthKind, int points, long long& num, long long& den) {
    num = (1LL << (points + 1)) - 1;
    den = static_cast<long long>(lengthKind) << points;
}

// One symbol's piece inside one measure.
struct TEvent {
    enum Kind { key, note, silence } kind;
    long long start, end;  // ticks from the part's start
    const TStaveSymbol* symbol;
    bool tieStart, tieStop, whole;  // whole: the symbol lies in this measure
    int voice;
};

// Labels of the tree, and the chains of concatenations that are not nested
// to the right (a reader of the bars can only rebuild that one grouping).
void countTree(const TPartMuz* part, long& labels, long& shapes, bool inChain = false) {
    if (!part) return;
    labels += !part->Label.empty();
    switch (part->GetPartMuzKind()) {
        case partMuzConcat: {
            auto* c = static_cast<const TConcatPartMuz*>(part);
            const bool leftNested = c->GetFirstPart()->GetPartMuzKind() == partMuzConcat;
            if (leftNested && !inChain) ++shapes;
            countTree(c->GetFirstPart(), labels, shapes, inChain || leftNested);
            countTree(c->GetSecondPart(), labels, shapes, true);
            return;
        }
        case partMuzLoop: countTree(static_cast<const TLoopPartMuz*>(part)->GetLoopPart(), labels, shapes); return;
        case partMuzSelect: {
            auto* s = static_cast<const TSelectPartMuz*>(part);
            for (const auto& turn : s->GetTurns()) labels += !turn->Label.empty();
            countTree(s->GetSelectPart(), labels, shapes);
            return;
        }
        default: return;
    }
}

class MusicXmlWriter {
public:
    MusicXmlWriter(TUnitMuz& doc, TInterchangeReport& report) : doc_(doc), report_(report) {}

    std::string Write();

private:
    TUnitMuz& doc_;
    TInterchangeReport& report_;
    std::vector<TPartEntry> entries_;
    std::vector<TNoteStave*> staves_;
    long moved_ = 0, outOfRange_ = 0;

    static long long ticks(double wholeNotes, bool* moved = nullptr) {
        const double t = wholeNotes * 4 * kMusicXmlDivisions;
        const long long r = std::llround(t);
        if (moved && std::fabs(t - static_cast<double>(r)) * 2048 > 4 * kMusicXmlDivisions) *moved = true;
        return r;
    }

    void writeHeader(pugi::xml_node score);
    void writePart(pugi::xml_node score, TNoteStave& stave, int staveIndex);
    std::vector<std::vector<TEvent>> measureEvents(const TSinglePartMuz& single, const TNoteStave& stave,
                                                   const std::vector<long long>& lines,
                                                   std::map<const TNoteGroup*, int>& voices,
                                                   const TKey*& firstKey);
    void writeDirections(pugi::xml_node measure, const TPartEntry& entry, bool firstEntry);
    std::vector<long long> barLines(const TSinglePartMuz& part) const;
    void writeAttributes(pugi::xml_node measure, const TKey* key, const TMuzBar* bar, bool divisions,
                         const TKey* before = nullptr, const TMuzBar* barBefore = nullptr);
    void writeMeasureEvents(pugi::xml_node measure, std::vector<TEvent>& events, long long mStart, long long mEnd,
                            const TNoteStave& stave);
    void writeNote(pugi::xml_node measure, const TEvent& e, long long duration, bool chord, long long pieceLen,
                   const TFlag* flag);
    void writeBarlines(pugi::xml_node measure, const TPartEntry& entry, bool left);
};

std::string MusicXmlWriter::Write() {
    TreeWalker walker;
    walker.Walk(doc_.GetStartPart());
    entries_ = std::move(walker.Entries);
    if (walker.Hidden) report_.Dropped("part left out by Play and Draw", "parts left out by Play and Draw", walker.Hidden);
    if (walker.NestedMarks)
        report_.Approximated("repeat or ending nested at one bar line", "repeats or endings nested at one bar line",
                             walker.NestedMarks);
    for (TStave* s = doc_.GetFirstStave(); s; s = s->Next) staves_.push_back(static_cast<TNoteStave*>(s));

    pugi::xml_document xml;
    auto decl = xml.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "no";
    xml.append_child(pugi::node_doctype)
        .set_value("score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
                   "\"http://www.musicxml.org/dtds/partwise.dtd\"");
    pugi::xml_node score = xml.append_child("score-partwise");
    score.append_attribute("version") = "4.0";
    writeHeader(score);
    for (size_t i = 0; i < staves_.size(); ++i) writePart(score, *staves_[i], static_cast<int>(i));

    if (moved_) report_.Approximated("note moved to the MusicXML grid", "notes moved to the MusicXML grid", moved_);
    if (outOfRange_)
        report_.Dropped("note outside the octaves of MusicXML", "notes outside the octaves of MusicXML", outOfRange_);
    long players = 0, staveLooks = 0, labels = 0;
    for (TNoteStave* s : staves_) {
        players += s->CountNoteGroups();
        if (s->RoomUp != 80 || s->RoomDown != 80 || s->ForegroundColor != 0 || s->BackgroundColor != 0xFFFFFF ||
            s->drawFlagKind != AllowJoinFlags || s->Mute || s->ExtraLines)
            ++staveLooks;
    }
    // A voice exists only through its notes: a note group without notes
    // does not come back (a stave keeps at least one group).
    std::set<const TNoteGroup*> sounding;
    for (TSinglePartMuz* part = doc_.FirstSinglePart(); part; part = doc_.NextSinglePart(part))
        for (const TStaveSymbol* s = part->GetFirstSymbol(); s; s = s->Next)
            if (s->GetStaveSymbolKind() == staveSymbolNote) sounding.insert(static_cast<const TMuzNote*>(s)->GetNoteGroup());
    long silentGroups = 0;
    for (TNoteStave* s : staves_) {
        long used = 0;
        for (TNoteGroup* g = s->GetStartNoteGroup(); g; g = g->GetNext()) used += sounding.count(g);
        silentGroups += s->CountNoteGroups() - std::max(1L, used);
    }
    long shapes = 0;
    countTree(doc_.GetStartPart()->GetPartMuz(), labels, shapes);
    report_.Approximated("sequence of parts grouped otherwise than from the right",
                         "sequences of parts grouped otherwise than from the right", shapes);
    report_.Dropped("note player", "note players", players);
    report_.Dropped("note group without notes", "note groups without notes", silentGroups);
    report_.Dropped("stave setting (room, colours, beams, sound, extra lines)",
                    "stave settings (room, colours, beams, sound, extra lines)", staveLooks);
    report_.Dropped("part label", "part labels", labels);

    std::ostringstream out;
    xml.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

void MusicXmlWriter::writeHeader(pugi::xml_node score) {
    auto encoding = score.append_child("identification").append_child("encoding");
    encoding.append_child("software").text() = "Korvane 7.1";
    auto list = score.append_child("part-list");
    for (size_t i = 0; i < staves_.size(); ++i) {
        auto part = list.append_child("score-part");
        part.append_attribute("id") = ("P" + std::to_string(i + 1)).c_str();
        part.append_child("part-name").text() = ("Stave " + std::to_string(i + 1)).c_str();
        const std::string instrument = "P" + std::to_string(i + 1) + "-I1";
        auto score = part.append_child("score-instrument");
        score.append_attribute("id") = instrument.c_str();
        score.append_child("instrument-name").text() = ("Stave " + std::to_string(i + 1)).c_str();
        auto midi = part.append_child("midi-instrument");
        midi.append_attribute("id") = instrument.c_str();
        midi.append_child("midi-channel").text() = static_cast<int>(i % 15 < 9 ? i % 15 + 1 : i % 15 + 2);
        midi.append_child("midi-program").text() = 1;
    }
}

std::vector<long long> MusicXmlWriter::barLines(const TSinglePartMuz& part) const {
    double end = 0;
    for (const TStaveSymbol* s = part.GetFirstSymbol(); s; s = s->Next) {
        double e = s->GetSymbolPosition();
        if (s->GetStaveSymbolKind() != staveSymbolKey)
            e += static_cast<const TStaveTimeSymbol*>(s)->GetTotalLength();
        end = std::max(end, e);
    }
    const TMuzBar* bar = part.GetMuzBar();
    std::vector<long long> lines{0};
    const long long endTicks = ticks(end);
    double line = bar->FirstBarLine();
    const double length = bar->BarLength();
    for (;;) {
        lines.push_back(ticks(line));
        if (lines.back() >= endTicks || lines.size() > 1000000) break;
        line += length;
    }
    return lines;
}

void MusicXmlWriter::writeAttributes(pugi::xml_node measure, const TKey* key, const TMuzBar* bar, bool divisions,
                                     const TKey* before, const TMuzBar* barBefore) {
    auto attributes = measure.append_child("attributes");
    if (divisions) attributes.append_child("divisions").text() = static_cast<long long>(kMusicXmlDivisions);
    if (key) {
        auto k = attributes.append_child("key");
        int count = 0;
        if (StandardFifths(*key, count)) {
            k.append_child("fifths").text() = count;
        } else {
            for (int i = 0; i < 7; ++i) {
                const uint8_t shift = key->GetScale()[i];
                if (shift == noteShiftNormal || shift == noteShiftNone) continue;
                const int step = ((i + key->GetKeyKind()) % 7 + 7) % 7;
                k.append_child("key-step").text() = std::string(1, kSteps[step]).c_str();
                k.append_child("key-alter").text() = NoteShiftSemitones(shift);
            }
        }
    }
    if (bar) {
        auto t = attributes.append_child("time");
        // Every part states its bar, so that a reader finds where parts begin;
        // the same bar again is not printed.
        if (barBefore && barBefore->GetCountNotes() == bar->GetCountNotes() &&
            barBefore->GetNoteLength() == bar->GetNoteLength())
            t.append_attribute("print-object") = "no";
        t.append_child("beats").text() = bar->GetCountNotes();
        t.append_child("beat-type").text() = static_cast<int>(bar->GetNoteLength());
    }
    if (key) {
        auto c = attributes.append_child("clef");
        const int8_t kind = key->GetKeyKind();
        if (before && before->GetKeyKind() == kind && before->GetAddOctaves() == key->GetAddOctaves())
            c.append_attribute("print-object") = "no";
        c.append_child("sign").text() = kind == TKey::keyKindG ? "G" : kind == TKey::keyKindF ? "F" : "C";
        c.append_child("line").text() = kind == TKey::keyKindG ? 2 : kind == TKey::keyKindF ? 4 : 3;
        if (key->GetAddOctaves() != 0) c.append_child("clef-octave-change").text() = key->GetAddOctaves();
    }
}

void MusicXmlWriter::writeBarlines(pugi::xml_node measure, const TPartEntry& entry, bool left) {
    if (left && !entry.ForwardRepeats && !entry.EndingStarts) return;
    if (!left && !entry.BackwardTimes && !entry.EndingEnds) return;
    auto barline = measure.append_child("barline");
    barline.append_attribute("location") = left ? "left" : "right";
    const bool repeat = left ? entry.ForwardRepeats > 0 : entry.BackwardTimes > 0;
    barline.append_child("bar-style").text() = repeat ? (left ? "heavy-light" : "light-heavy") : "regular";
    if (left && entry.EndingStarts) {
        auto ending = barline.append_child("ending");
        ending.append_attribute("number") = entry.EndingNumbers.c_str();
        ending.append_attribute("type") = "start";
        ending.text() = (entry.EndingNumbers.empty() ? std::string("-") : entry.EndingNumbers + ".").c_str();
    }
    if (!left && entry.EndingEnds) {
        auto ending = barline.append_child("ending");
        ending.append_attribute("number") = entry.EndNumbers.c_str();
        ending.append_attribute("type") = entry.BackwardTimes ? "stop" : "discontinue";
    }
    if (left && entry.ForwardRepeats) barline.append_child("repeat").append_attribute("direction") = "forward";
    if (!left && entry.BackwardTimes) {
        auto repeat = barline.append_child("repeat");
        repeat.append_attribute("direction") = "backward";
        if (entry.BackwardTimes != 2) repeat.append_attribute("times") = entry.BackwardTimes;
    }
}

// The events of `stave` in `single`, by measure; the key at the part's start
// is not an event but `firstKey`.
std::vector<std::vector<TEvent>> MusicXmlWriter::measureEvents(const TSinglePartMuz& single, const TNoteStave& stave,
                                                               const std::vector<long long>& lines,
                                                               std::map<const TNoteGroup*, int>& voices,
                                                               const TKey*& firstKey) {
    const size_t measures = lines.size() - 1;
    std::vector<std::vector<TEvent>> perMeasure(measures);
    auto measureOf = [&](long long t) {
        auto it = std::upper_bound(lines.begin(), lines.end(), t);
        size_t m = it == lines.begin() ? 0 : static_cast<size_t>(it - lines.begin() - 1);
        return std::min(m, measures - 1);
    };
    for (const TStaveSymbol* s = single.GetFirstSymbol(); s; s = s->Next) {
        if (s->GetNoteStave() != &stave) continue;
        if (s->GetStaveSymbolKind() == staveSymbolKey) {
            if (!firstKey && s->GetSymbolPosition() == 0) {
                firstKey = static_cast<const TKey*>(s);
                continue;
            }
            const long long t = ticks(s->GetSymbolPosition());
            perMeasure[measureOf(t)].push_back({TEvent::key, t, t, s, false, false, true, 1});
            continue;
        }
        const auto* timed = static_cast<const TStaveTimeSymbol*>(s);
        const bool isNote = s->GetStaveSymbolKind() == staveSymbolNote;
        if (isNote) {
            const int pitch = static_cast<const TMuzNote*>(s)->GetPitch();
            const int octave = (pitch >= 0 ? pitch / 7 : -((-pitch + 6) / 7)) + 4;
            if (octave < 0 || octave > 9) {
                ++outOfRange_;
                continue;
            }
        }
        const double total = timed->GetTotalLength(), m = timed->GetMultiOol();
        const double startX = s->GetSymbolPosition() + total * timed->GetPosInOol() / m;
        bool moved = false;
        const long long start = ticks(startX, &moved), end = ticks(startX + total / m, &moved);
        moved_ += moved && isNote;
        if (end <= start) continue;
        const int v = isNote ? voices[static_cast<const TMuzNote*>(s)->GetNoteGroup()] : 0;
        // Split at the bar lines it crosses.
        for (long long a = start; a < end;) {
            const size_t mi = measureOf(a);
            const long long b = mi + 1 < measures ? std::min(end, lines[mi + 1]) : end;
            perMeasure[mi].push_back({isNote ? TEvent::note : TEvent::silence, a, b, s, b < end, a > start,
                                      a == start && b == end, v});
            a = b;
        }
    }
    return perMeasure;
}

// The tempo (before the first part) and the part's words, above the first
// stave's first measure of a part.
void MusicXmlWriter::writeDirections(pugi::xml_node measure, const TPartEntry& entry, bool firstEntry) {
    if (firstEntry) {
        const double bpm = 240.0 / doc_.Tempo.GetValue();
        auto direction = measure.append_child("direction");
        direction.append_attribute("placement") = "above";
        auto metronome = direction.append_child("direction-type").append_child("metronome");
        metronome.append_child("beat-unit").text() = "quarter";
        metronome.append_child("per-minute").text() = WritePrecision(bpm, 12, true).c_str();
        direction.append_child("sound").append_attribute("tempo") = WritePrecision(bpm, 12, true).c_str();
    }
    for (const std::string& words : entry.Words) {
        auto direction = measure.append_child("direction");
        direction.append_attribute("placement") = "above";
        direction.append_child("direction-type").append_child("words").text() = words.c_str();
    }
}

void MusicXmlWriter::writePart(pugi::xml_node score, TNoteStave& stave, int staveIndex) {
    auto part = score.append_child("part");
    part.append_attribute("id") = ("P" + std::to_string(staveIndex + 1)).c_str();
    std::map<const TNoteGroup*, int> voices;
    int voice = 0;
    for (TNoteGroup* g = stave.GetStartNoteGroup(); g; g = g->GetNext()) voices[g] = ++voice;
    int measureNumber = 0;
    const TKey* lastKey = nullptr;
    const TMuzBar* lastBar = nullptr;
    for (size_t entryIndex = 0; entryIndex < entries_.size(); ++entryIndex) {
        const TPartEntry& entry = entries_[entryIndex];
        const TSinglePartMuz& single = *entry.Part;
        const std::vector<long long> lines = barLines(single);
        const size_t measures = lines.size() - 1;
        const TKey* firstKey = nullptr;
        std::vector<std::vector<TEvent>> perMeasure = measureEvents(single, stave, lines, voices, firstKey);
        for (size_t mi = 0; mi < measures; ++mi) {
            auto measure = part.append_child("measure");
            measure.append_attribute("number") = ++measureNumber;
            if (mi == 0 && single.GetMuzBar()->GetExtraCount() != 0) measure.append_attribute("implicit") = "yes";
            if (mi == 0) writeBarlines(measure, entry, true);
            if (mi == 0)
                writeAttributes(measure, firstKey, single.GetMuzBar(), entryIndex == 0, lastKey, lastBar);
            if (mi == 0 && staveIndex == 0) writeDirections(measure, entry, entryIndex == 0);
            writeMeasureEvents(measure, perMeasure[mi], lines[mi], lines[mi + 1], stave);
            if (mi + 1 == measures) writeBarlines(measure, entry, false);
        }
        lastBar = single.GetMuzBar();
        for (const TStaveSymbol* s = single.GetFirstSymbol(); s; s = s->Next)
            if (s->GetNoteStave() == &stave && s->GetStaveSymbolKind() == staveSymbolKey)
                lastKey = static_cast<const TKey*>(s);
    }
}

void MusicXmlWriter::writeMeasureEvents(pugi::xml_node measure, std::vector<TEvent>& events, long long mStart,
                                        long long mEnd, const TNoteStave& stave) {
    // Rests share the first voice unless they would overlap its notes.
    bool clash = false;
    for (const TEvent& r : events)
        if (r.kind == TEvent::silence)
            for (const TEvent& n : events)
                if (n.kind == TEvent::note && n.voice == 1 && n.start < r.end && r.start < n.end) clash = true;
    const int restVoice = clash ? stave.CountNoteGroups() + 1 : 1;
    std::map<int, std::vector<const TEvent*>> streams;
    for (TEvent& e : events) {
        if (e.kind != TEvent::note) e.voice = e.kind == TEvent::silence ? restVoice : 1;
        streams[e.voice].push_back(&e);
    }
    long long cursor = mStart;
    auto move = [&](long long to) {
        if (to == cursor) return;
        auto step = measure.append_child(to > cursor ? "forward" : "backup");
        step.append_child("duration").text() = std::llabs(to - cursor);
        cursor = to;
    };
    size_t left = streams.size();
    for (auto& [voice, stream] : streams) {
        std::stable_sort(stream.begin(), stream.end(), [](const TEvent* a, const TEvent* b) {
            return a->start < b->start || (a->start == b->start && a->kind == TEvent::key && b->kind != TEvent::key);
        });
        const TEvent* prev = nullptr;
        for (const TEvent* e : stream) {
            if (e->kind == TEvent::key) {
                move(e->start);
                writeAttributes(measure, static_cast<const TKey*>(e->symbol), nullptr, false);
                prev = nullptr;
                continue;
            }
            const bool chord = prev && e->kind == TEvent::note && prev->kind == TEvent::note &&
                               prev->start == e->start && prev->end == e->end &&
                               prev->symbol->GetSymbolPosition() == e->symbol->GetSymbolPosition() &&
                               static_cast<const TStaveTimeSymbol*>(prev->symbol)->GetPosInOol() ==
                                   static_cast<const TStaveTimeSymbol*>(e->symbol)->GetPosInOol();
            if (!chord) move(e->start);
            const auto* timed = static_cast<const TStaveTimeSymbol*>(e->symbol);
            if (e->whole || timed->GetMultiOol() != sool) {
                writeNote(measure, *e, e->end - e->start, chord, 0, nullptr);
            } else {
                // A piece of a note across a bar line, drawn as tied standard values.
                const double length = static_cast<double>(e->end - e->start) / (4.0 * kMusicXmlDivisions);
                const auto pieces = BrokenLengthPieces(length);
                long long at = e->start;
                double sum = 0;
                for (size_t i = 0; i < pieces.size() && at < e->end; ++i) {
                    long long num, den;
                    dottedFraction(pieces[i].NoteLengthKind, pieces[i].Points, num, den);
                    sum += static_cast<double>(num) / static_cast<double>(den);
                    const long long next = i + 1 == pieces.size() ? e->end : std::min(e->end, e->start + ticks(sum));
                    if (next <= at) continue;
                    TEvent piece = *e;
                    piece.tieStop = e->tieStop || at > e->start;
                    piece.tieStart = e->tieStart || next < e->end;
                    const TFlag flag{typeName(pieces[i].NoteLengthKind), pieces[i].Points};
                    writeNote(measure, piece, next - at, chord, 0, &flag);
                    at = next;
                }
            }
            if (!chord) cursor = e->end;
            prev = e;
        }
        if (--left > 0) {
            move(mStart);
        } else if (cursor < mEnd) {
            move(mEnd);
        }
    }
    if (streams.empty() && mEnd > mStart) move(mEnd);
}

void MusicXmlWriter::writeNote(pugi::xml_node measure, const TEvent& e, long long duration, bool chord, long long,
                               const TFlag* flag) {
    const auto* timed = static_cast<const TStaveTimeSymbol*>(e.symbol);
    const TMuzNote* note = e.kind == TEvent::note ? static_cast<const TMuzNote*>(e.symbol) : nullptr;
    auto n = measure.append_child("note");
    if (note) {
        const int c = note->GetNoteGroup()->NoteColor;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        n.append_attribute("color") = colour;
    }
    if (chord) n.append_child("chord");
    if (note) {
        const int pitch = note->GetPitch();
        const int step = ((pitch % 7) + 7) % 7;
        auto p = n.append_child("pitch");
        p.append_child("step").text() = std::string(1, kSteps[step]).c_str();
        const int alter = NoteShiftSemitones(note->GetNoteShiftKind());
        if (alter != 0) p.append_child("alter").text() = alter;
        p.append_child("octave").text() = (pitch - step) / 7 + 4;
    } else {
        n.append_child("rest");
    }
    n.append_child("duration").text() = duration;
    if (note && e.tieStop) n.append_child("tie").append_attribute("type") = "stop";
    if (note && e.tieStart) n.append_child("tie").append_attribute("type") = "start";
    n.append_child("voice").text() = e.voice;
    const int multi = timed->GetMultiOol();
    const int flagLength = std::min(timed->GetFlagLength(), 64);
    const int shown = timed->GetShownPoints();
    n.append_child("type").text() = flag ? flag->Type : typeName(flagLength);
    for (int i = 0; i < (flag ? flag->Dots : shown); ++i) n.append_child("dot");
    if (multi != sool) {
        // normal/actual = group length / (members * shown value)
        long long gn, gd, sn, sd;
        dottedFraction(timed->GetNoteLengthKind(), timed->GetPoints(), gn, gd);
        dottedFraction(flagLength, shown, sn, sd);
        long long normal = gn * sd, actual = gd * sn * multi;
        const long long g = gcdLL(normal, actual);
        auto tm = n.append_child("time-modification");
        tm.append_child("actual-notes").text() = actual / g;
        tm.append_child("normal-notes").text() = normal / g;
    }
    if (note) {
        uint8_t stick = note->GetDrawStickKind();
        if (stick == noteStickGroup) stick = note->GetNoteGroup()->StickDirection;
        if (stick == noteStickUp || stick == noteStickDown)
            n.append_child("stem").text() = (stick == noteStickUp ? "up" : "down");
        if (note->GetNoteGroup()->NoteShape == noteShapeRectangle) n.append_child("notehead").text() = "rectangle";
    }
    const bool tupletStart = multi != sool && e.whole && timed->GetPosInOol() == 0;
    const bool tupletStop = multi != sool && e.whole && timed->GetPosInOol() == multi - 1;
    const uint8_t art = note && !e.tieStop ? note->GetNoteArtKind() : static_cast<uint8_t>(noteArtNormal);
    if ((note && (e.tieStart || e.tieStop)) || tupletStart || tupletStop || art != noteArtNormal) {
        auto notations = n.append_child("notations");
        if (note && e.tieStop) notations.append_child("tied").append_attribute("type") = "stop";
        if (note && e.tieStart) notations.append_child("tied").append_attribute("type") = "start";
        if (tupletStart) notations.append_child("tuplet").append_attribute("type") = "start";
        if (tupletStop) notations.append_child("tuplet").append_attribute("type") = "stop";
        if (art != noteArtNormal) {
            const char* name = art == noteArtStaccato        ? "staccato"
                               : art == noteArtStaccatissimo ? "staccatissimo"
                               : art == noteArtLegato        ? "tenuto"
                                                             : "detached-legato";
            notations.append_child("articulations").append_child(name);
        }
    }
}

}  // namespace

std::string WriteMusicXml(TUnitMuz& unitMuz, TInterchangeReport& report) {
    MusicXmlWriter writer(unitMuz, report);
    return writer.Write();
}

}  // namespace korvane
