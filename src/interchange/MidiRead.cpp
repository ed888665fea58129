#include "interchange/MidiRead.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace korvane {

namespace {

constexpr size_t kMaxTracks = 4096;
constexpr size_t kMaxEvents = 20000000;

struct TRawMidiNote {
    long long Start, End;
    int Key;
};

struct TTrack {
    std::vector<TRawMidiNote> Notes;
    int Channel = -1;
};

struct TTimeSignature {
    long long Tick;
    int Count, Length;
};

class MidiParser {
public:
    MidiParser(const std::string& bytes, std::string& error) : b_(bytes), error_(error) {}

    int Format = 1, Division = 480;
    long long TempoMicro = 0;
    int KeyFifths = 0;
    bool HasKey = false;
    std::vector<TTrack> Tracks;  // type 0: one per channel
    std::vector<TTimeSignature> Signatures;

    bool Parse() {
        if (b_.size() < 14 || b_.compare(0, 4, "MThd") != 0) return fail("The file is not a MIDI file (no MThd header).");
        const unsigned long length = be(4, 4);
        if (length < 6 || length > b_.size() - 8) return fail("The MIDI file is truncated in its header.");
        Format = static_cast<int>(be(8, 2));
        const unsigned long tracks = be(10, 2);
        const unsigned long division = be(12, 2);
        if (Format > 2) return fail("The MIDI file has format " + std::to_string(Format) + ", which no MIDI file has.");
        if (division & 0x8000) return fail("The MIDI file counts time in SMPTE frames, which cannot be read as music.");
        if (division == 0) return fail("The MIDI file has a division of 0 ticks a quarter.");
        Division = static_cast<int>(division);
        size_t at = 8 + length;
        for (unsigned long t = 0; t < tracks; ++t) {
            // Chunks other than tracks are skipped, as the format asks.
            for (;;) {
                if (at + 8 > b_.size()) return fail("The MIDI file is truncated: track " + std::to_string(t + 1) + " is missing.");
                const unsigned long size = be(at + 4, 4);
                if (size > b_.size() - at - 8) return fail("The MIDI file is truncated in track " + std::to_string(t + 1) + ".");
                const bool track = b_.compare(at, 4, "MTrk") == 0;
                at += 8;
                if (track) {
                    if (!parseTrack(at, at + size)) return false;
                    at += size;
                    break;
                }
                at += size;
            }
        }
        return true;
    }

private:
    const std::string& b_;
    std::string& error_;
    size_t events_ = 0;

    bool fail(const std::string& text) {
        error_ = text;
        return false;
    }
    unsigned long be(size_t at, int bytes) const {
        unsigned long v = 0;
        for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(b_[at + static_cast<size_t>(i)]);
        return v;
    }
    bool varLen(size_t& at, size_t end, unsigned long& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (at >= end) return false;
            const unsigned char c = static_cast<unsigned char>(b_[at++]);
            value = (value << 7) | (c & 0x7F);
            if (!(c & 0x80)) return true;
        }
        return false;
    }

    bool parseTrack(size_t at, size_t end) {
        const std::string truncated = "The MIDI file is truncated inside a track.";
        long long tick = 0;
        int status = 0;
        std::map<int, std::vector<long long>> open;  // channel * 128 + key -> onsets
        std::map<int, TTrack> byChannel;
        TTrack track;
        while (at < end) {
            if (++events_ > kMaxEvents) return fail("The MIDI file has more than " + std::to_string(kMaxEvents) + " events.");
            unsigned long delta;
            if (!varLen(at, end, delta)) return fail(truncated);
            tick += static_cast<long long>(delta);
            if (tick > (1LL << 40)) return fail("The MIDI file lasts longer than any music.");
            if (at >= end) return fail(truncated);
            int c = static_cast<unsigned char>(b_[at]);
            if (c & 0x80) {
                ++at;
                if (c < 0xF0) status = c;
            } else {
                if (!status) return fail("The MIDI file has data without a status byte.");
                c = status;
            }
            if (c == 0xFF) {
                if (at >= end) return fail(truncated);
                const int type = static_cast<unsigned char>(b_[at++]);
                unsigned long size;
                if (!varLen(at, end, size) || size > end - at) return fail(truncated);
                if (type == 0x51 && size == 3 && TempoMicro == 0) TempoMicro = static_cast<long long>(be(at, 3));
                if (type == 0x58 && size >= 2)
                    Signatures.push_back({tick, static_cast<unsigned char>(b_[at]), static_cast<unsigned char>(b_[at + 1])});
                if (type == 0x59 && size == 2 && !HasKey) {
                    HasKey = true;
                    KeyFifths = static_cast<signed char>(b_[at]);
                }
                at += size;
                if (type == 0x2F) break;
                continue;
            }
            if (c == 0xF0 || c == 0xF7) {
                unsigned long size;
                if (!varLen(at, end, size) || size > end - at) return fail(truncated);
                at += size;
                continue;
            }
            if (c > 0xF0) return fail("The MIDI file has a system message inside a track.");
            const int kind = c & 0xF0, channel = c & 0x0F;
            const size_t data = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            if (at + data > end) return fail(truncated);
            const int key = static_cast<unsigned char>(b_[at]) & 0x7F;
            const int velocity = data > 1 ? static_cast<unsigned char>(b_[at + 1]) & 0x7F : 0;
            at += data;
            if (kind == 0x90 && velocity > 0) {
                open[channel * 128 + key].push_back(tick);
            } else if (kind == 0x80 || kind == 0x90) {
                auto& starts = open[channel * 128 + key];
                if (starts.empty()) continue;
                const long long start = starts.front();
                starts.erase(starts.begin());
                TTrack& target = Format == 0 ? byChannel[channel] : track;
                target.Channel = channel;
                target.Notes.push_back({start, tick, key});
            }
        }
        // Notes still sounding at the end of the track end there.
        for (auto& [code, starts] : open)
            for (long long start : starts) {
                TTrack& target = Format == 0 ? byChannel[code / 128] : track;
                target.Notes.push_back({start, std::max(tick, start + 1), code % 128});
            }
        if (Format == 0) {
            for (auto& [channel, t] : byChannel) Tracks.push_back(std::move(t));
        } else if (!track.Notes.empty()) {
            Tracks.push_back(std::move(track));
        }
        if (Tracks.size() > kMaxTracks) return fail("The MIDI file has more than " + std::to_string(kMaxTracks) + " tracks.");
        return true;
    }
};

// Snaps a time (whole notes) to a grid step.
double snap(double t, double step) { return std::round(t / step) * step; }

// The staff step and accidental of a MIDI key, sharps or flats by the key.
void spell(int key, bool flats, int& pitch, uint8_t& shift) {
    static const int stepOf[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
    static const int flatStep[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
    static const bool black[12] = {false, true, false, true, false, false, true, false, true, false, true, false};
    const int octave = key / 12 - 5, semitone = key % 12;
    const int step = flats ? flatStep[semitone] : stepOf[semitone];
    pitch = 7 * octave + step;
    shift = !black[semitone] ? noteShiftNormal : flats ? noteShiftMol : noteShiftKruis;
}

// Standard lengths, largest first, that add up to `length` (whole notes).
std::vector<std::pair<int, int>> piecesOf(double length) {
    std::vector<std::pair<int, int>> pieces;
    int l, p;
    if (StandardLength(length, l, p)) return {{l, p}};
    while (length > 1.0 / 64 - 1e-9 && pieces.size() < 64) {
        int best = 64, bestPoints = 0;
        double bestValue = 1.0 / 64;
        for (int lk = 1; lk <= 64; lk *= 2)
            for (int pt = 0; pt <= 3; ++pt) {
                const double v = (2.0 - std::ldexp(1.0, -pt)) / lk;
                if (v <= length + 1e-9 && v > bestValue) {
                    bestValue = v;
                    best = lk;
                    bestPoints = pt;
                }
            }
        pieces.push_back({best, bestPoints});
        length -= bestValue;
    }
    return pieces;
}

// Silences for the gaps between notes, a bar at a time, largest first; false
// when the score would hold more than `budget` symbols.
bool fillGaps(TXStaveInPart& stave, const TXPart& part, size_t& budget) {
    std::vector<std::pair<double, double>> spans;
    for (const TXNote& n : stave.Notes) {
        const double total = (2.0 - std::ldexp(1.0, -n.Points)) / n.Length / n.MultiOol;
        const double start = n.Position + total * n.PosInOol;
        spans.push_back({start, start + total});
    }
    std::sort(spans.begin(), spans.end());
    const double L = static_cast<double>(part.CountNotes) / part.NoteLength;
    const double F = part.ExtraCount ? static_cast<double>(part.ExtraCount) / part.NoteLength : L;
    auto nextBar = [&](double x) {
        const double c = F - L;
        return c + L * (std::trunc((x - c) / L + 1e-9) + 1);
    };
    double a = 0;
    for (const auto& [p, e] : spans) {
        while (a < p - 1e-9) {
            const double gap = std::min(p, nextBar(a)) - a;
            int len = 1;
            while (len <= 32 && 1.0 / len > gap + 1e-9) len *= 2;
            if (len > 32) break;
            if (budget == 0) return false;
            --budget;
            TXLength r;
            r.Position = a;
            r.Length = len;
            stave.Silences.push_back(r);
            a += 1.0 / len;
        }
        a = std::max(a, e);
    }
    return true;
}

// A note snapped to the grid, times in whole notes.
struct TSnapped {
    double Start, Length;
    int Key;
    bool Triplet;
};

// Refuses a file with no notes, or with more tracks or notes than a score holds.
bool checkSize(const MidiParser& parser, const TMidiImportOptions& options, std::string& error) {
    if (parser.Tracks.empty()) {
        error = "The MIDI file has no notes.";
        return false;
    }
    if (parser.Tracks.size() > 256) {
        error = "The MIDI file has " + std::to_string(parser.Tracks.size()) + " tracks with notes; at most 256 can be read.";
        return false;
    }
    size_t total = 0;
    for (const TTrack& t : parser.Tracks) total += t.Notes.size();
    if (total > options.MaxSymbols) {
        error = "The MIDI file has more than " + std::to_string(options.MaxSymbols) + " notes.";
        return false;
    }
    return true;
}

double tempoOf(const MidiParser& parser, const TMidiImportOptions& options) {
    if (options.Tempo > 0) return options.Tempo;
    if (parser.TempoMicro > 0) return static_cast<double>(parser.TempoMicro) * 4 / 1e6;
    return 2.0;  // 120 quarters a minute, the MIDI default
}

// One single part per time signature, from its tick on; returns where each
// part starts (whole notes).
std::vector<double> addParts(MidiParser& parser, TXScore& score, TInterchangeReport& report) {
    const double perWhole = 4.0 * parser.Division;
    auto& sigs = parser.Signatures;
    std::stable_sort(sigs.begin(), sigs.end(), [](const auto& a, const auto& b) { return a.Tick < b.Tick; });
    std::vector<TTimeSignature> parts;
    for (const TTimeSignature& s : sigs) {
        const int length = s.Length <= 6 ? 1 << s.Length : 64;
        if (s.Length > 6 || s.Count < 1) report.Approximated("time signature", "time signatures");
        TTimeSignature sig{s.Tick, std::max(1, s.Count), length};
        if (!parts.empty() && parts.back().Tick == sig.Tick)
            parts.back() = sig;
        else if ((parts.empty() || parts.back().Count != sig.Count || parts.back().Length != sig.Length) &&
                 parts.size() < 2000)
            parts.push_back(sig);
    }
    if (parts.empty() || parts.front().Tick > 0) parts.insert(parts.begin(), {0, 4, 4});
    std::vector<double> partStart;
    for (const TTimeSignature& p : parts) {
        TXPart part;
        part.CountNotes = p.Count;
        part.NoteLength = p.Length;
        part.Staves.resize(parser.Tracks.size());
        score.Parts.push_back(part);
        partStart.push_back(static_cast<double>(p.Tick) / perWhole);
        TXNode single;
        single.NodeKind = TXNode::single;
        single.Part = static_cast<int>(score.Parts.size() - 1);
        score.Root.Children.push_back(single);
    }
    return partStart;
}

// Snaps every note, straight or triplet, whichever is nearer; counts the
// notes moved by more than 1/128 and finds the lowest and highest key.
std::vector<TSnapped> snapNotes(const std::vector<TRawMidiNote>& notes, double perWhole, double grid, long& moved,
                                int& lowest, int& highest) {
    const double triplet = grid * 2 / 3;
    std::vector<TSnapped> snapped;
    for (const TRawMidiNote& n : notes) {
        const double s = static_cast<double>(n.Start) / perWhole, l = static_cast<double>(n.End - n.Start) / perWhole;
        const double ss = snap(s, grid), sl = std::max(grid, snap(l, grid));
        const double ts = snap(s, triplet), tl = std::max(triplet, snap(l, triplet));
        const double straightError = std::fabs(ss - s) + std::fabs(sl - l);
        const double tripletError = std::fabs(ts - s) + std::fabs(tl - l);
        // A triplet note must be one member of a triplet group.
        const double members = 1 / (3 * tl);
        const bool tripletFits = std::fabs(members - std::round(members)) < 1e-9 &&
                                 std::round(members) <= 32 && (static_cast<int>(std::round(members)) & (static_cast<int>(std::round(members)) - 1)) == 0;
        const bool useTriplet = tripletFits && tripletError + 1e-12 < straightError;
        const TSnapped x{useTriplet ? ts : ss, useTriplet ? tl : sl, n.Key, useTriplet};
        if (std::fabs(x.Start - s) > 1.0 / 128 + 1e-12 || std::fabs(x.Length - l) > 1.0 / 128 + 1e-12) ++moved;
        snapped.push_back(x);
        lowest = std::min(lowest, n.Key);
        highest = std::max(highest, n.Key);
    }
    return snapped;
}

// Sorts the notes into chords: notes at one onset share the shortest length,
// a chord that runs into the next onset ends there, and a key repeated in a
// chord is dropped.
void formChords(std::vector<TSnapped>& snapped) {
    std::stable_sort(snapped.begin(), snapped.end(), [](const TSnapped& a, const TSnapped& b) {
        return a.Start < b.Start || (a.Start == b.Start && a.Key > b.Key);
    });
    for (size_t i = 0; i < snapped.size();) {
        size_t j = i;
        double shortest = snapped[i].Length;
        bool triplet = snapped[i].Triplet;
        while (j < snapped.size() && snapped[j].Start == snapped[i].Start) {
            shortest = std::min(shortest, snapped[j].Length);
            triplet = triplet && snapped[j].Triplet;
            ++j;
        }
        if (j < snapped.size()) {
            const double room = snapped[j].Start - snapped[i].Start;
            if (shortest > room + 1e-12) {
                shortest = room;
                triplet = false;
            }
        }
        for (size_t k = i; k < j; ++k) {
            snapped[k].Length = shortest;
            snapped[k].Triplet = triplet && snapped[k].Triplet;
        }
        i = j;
    }
    auto sameKey = [](const TSnapped& a, const TSnapped& b) { return a.Start == b.Start && a.Key == b.Key; };
    snapped.erase(std::unique(snapped.begin(), snapped.end(), sameKey), snapped.end());
}

// The clef that suits a track's range of keys.
int8_t clefOfRange(int lowest, int highest) {
    const int mid = (lowest + highest) / 2;
    return lowest >= 57 ? TKey::keyKindG : highest <= 65 ? TKey::keyKindF : mid >= 60 ? TKey::keyKindG
         : mid <= 52 ? TKey::keyKindF : TKey::keyKindC;
}

// Puts one snapped note into the part it starts in: a triplet member as it
// is, any other as notes of standard lengths (counted in `split` when more
// than one).
void placeNote(const TSnapped& n, bool flats, const std::vector<double>& partStart, size_t track, TXScore& score,
               long& split) {
    size_t p = 0;
    while (p + 1 < partStart.size() && partStart[p + 1] <= n.Start + 1e-12) ++p;
    TXStaveInPart& stave = score.Parts[p].Staves[track];
    TXNote x;
    spell(n.Key, flats, x.Pitch, x.Shift);
    const double position = n.Start - partStart[p];
    if (n.Triplet) {
        const int L = static_cast<int>(std::lround(1 / (3 * n.Length)));
        const double groupStart = std::floor(position * L + 1e-9) / L;
        x.Position = groupStart;
        x.Length = L;
        x.MultiOol = triool;
        x.PosInOol = std::clamp(static_cast<int>(std::lround((position - groupStart) * 3 * L)), 0, 2);
        stave.Notes.push_back(x);
        return;
    }
    const auto pieces = piecesOf(n.Length);
    if (pieces.size() > 1) ++split;
    double at = position;
    for (const auto& [l, pt] : pieces) {
        x.Position = at;
        x.Length = l;
        x.Points = pt;
        stave.Notes.push_back(x);
        at += (2.0 - std::ldexp(1.0, -pt)) / l;
    }
}

// Track `t` as a stave: a key at the start of every part, then its notes.
void addTrack(const MidiParser& parser, size_t t, const std::vector<double>& partStart, double grid, TXScore& score,
              long& moved, long& split) {
    const auto& notes = parser.Tracks[t].Notes;
    int lowest = 127, highest = 0;
    std::vector<TSnapped> snapped = snapNotes(notes, 4.0 * parser.Division, grid, moved, lowest, highest);
    formChords(snapped);
    const bool flats = parser.KeyFifths < 0;
    const int8_t clef = notes.empty() ? static_cast<int8_t>(TKey::keyKindG) : clefOfRange(lowest, highest);
    for (size_t p = 0; p < score.Parts.size(); ++p) {
        TXKey key;
        key.Kind = clef;
        key.Scale = ScaleOfFifths(clef, parser.HasKey ? std::clamp(parser.KeyFifths, -7, 7) : 0);
        score.Parts[p].Staves[t].Keys.push_back(key);
    }
    for (const TSnapped& n : snapped) placeNote(n, flats, partStart, t, score, split);
    score.Staves.push_back({{TXGroup{}}});
}

// Silences in every gap, within the symbols a score may hold.
bool fillAllGaps(TXScore& score, const TMidiImportOptions& options, std::string& error) {
    size_t budget = options.MaxSymbols;
    for (const TXPart& part : score.Parts)
        for (const TXStaveInPart& stave : part.Staves) budget -= std::min(budget, stave.Notes.size());
    for (TXPart& part : score.Parts)
        for (TXStaveInPart& stave : part.Staves)
            if (!fillGaps(stave, part, budget)) {
                error = "The MIDI file would make a score of more than " + std::to_string(options.MaxSymbols) +
                        " notes and silences.";
                return false;
            }
    return true;
}

}  // namespace

bool ReadMidi(const std::string& bytes, const TMidiImportOptions& options, TXScore& score, TInterchangeReport& report,
              std::string& error) {
    MidiParser parser(bytes, error);
    if (!parser.Parse()) return false;
    if (!checkSize(parser, options, error)) return false;
    score.Tempo = tempoOf(parser, options);
    const std::vector<double> partStart = addParts(parser, score, report);
    const double grid = 1.0 / std::clamp(options.Grid, 1, 64);
    long moved = 0, split = 0;
    for (size_t t = 0; t < parser.Tracks.size(); ++t) addTrack(parser, t, partStart, grid, score, moved, split);
    if (!fillAllGaps(score, options, error)) return false;
    report.Approximated("note moved by more than 1/128 to the grid", "notes moved by more than 1/128 to the grid", moved);
    report.Approximated("note split into notes of standard lengths", "notes split into notes of standard lengths", split);
    return true;
}

}  // namespace korvane
