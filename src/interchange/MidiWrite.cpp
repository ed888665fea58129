#include "interchange/MidiWrite.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "interchange/ScoreData.h"
#include "render/MusicRender.h"

namespace korvane {

namespace {

// The walk needs no instruments: listing notes asks no player for a sound.
class NoWaves : public WaveRegistry {
public:
    TUnitWave* FindWave(const std::string&) const override { return nullptr; }
};

constexpr size_t kMaxMidiNotes = 4000000;
constexpr size_t kMaxWalkedParts = 20000000;

int semitoneOf(int pitch, uint8_t shift) {
    static const int natural[7] = {0, 2, 4, 5, 7, 9, 11};
    const int step = ((pitch % 7) + 7) % 7;
    return 12 * ((pitch - step) / 7) + natural[step] + NoteShiftSemitones(shift);
}

// The coarsest of 480 * 2^k ticks a quarter that puts every onset and end on
// a tick.
int chooseDivision(const std::vector<TPlayedNote>& played, double tempo) {
    for (int division = 480; division < 15360; division *= 2) {
        bool fits = true;
        for (const TPlayedNote& p : played) {
            for (double t : {p.Start, p.Start + p.Length}) {
                const double x = t / tempo * 4 * division;
                if (std::fabs(x - std::round(x)) > 1e-6 * std::max(1.0, std::fabs(x))) {
                    fits = false;
                    break;
                }
            }
            if (!fits) break;
        }
        if (fits) return division;
    }
    return 15360;
}

void putVarLen(std::string& out, unsigned long value) {
    char buffer[5];
    int n = 0;
    buffer[n++] = static_cast<char>(value & 0x7F);
    while (value >>= 7) buffer[n++] = static_cast<char>(0x80 | (value & 0x7F));
    while (n) out += buffer[--n];
}

void putBE(std::string& out, unsigned long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putMeta(std::string& track, int type, const std::string& data) {
    putVarLen(track, 0);
    track += static_cast<char>(0xFF);
    track += static_cast<char>(type);
    putVarLen(track, data.size());
    track += data;
}

void appendChunk(std::string& bytes, const char* id, const std::string& body) {
    bytes += id;
    putBE(bytes, body.size(), 4);
    bytes += body;
}

// The names of the tracks, one per note group, stave by stave.
std::vector<std::string> trackNames(TUnitMuz& unitMuz) {
    std::vector<std::string> names;
    int staveNumber = 0;
    for (TStave* s = unitMuz.GetFirstStave(); s; s = s->Next) {
        ++staveNumber;
        int groupNumber = 0;
        for (TNoteGroup* g = s->GetStartNoteGroup(); g; g = g->GetNext())
            names.push_back("Stave " + std::to_string(staveNumber) + " group " + std::to_string(++groupNumber));
    }
    return names;
}

// The first track: the tempo, the key and the bar of the music's start.
std::string conductorTrack(TUnitMuz& unitMuz, TInterchangeReport& report) {
    std::string conductor;
    double micro = std::round(unitMuz.Tempo.GetValue() / 4 * 1e6);
    if (micro < 1 || micro > 0xFFFFFF) {
        report.Approximated("tempo beyond what MIDI can say", "tempos beyond what MIDI can say");
        micro = std::clamp(micro, 1.0, static_cast<double>(0xFFFFFF));
    }
    std::string tempo;
    putBE(tempo, static_cast<unsigned long>(micro), 3);
    putMeta(conductor, 0x51, tempo);
    if (TSinglePartMuz* first = unitMuz.FirstSinglePart()) {
        // The signature of the first stave's first key, so that a reader
        // spells the notes with its sharps or flats.
        for (const TStaveSymbol* s = first->GetFirstSymbol(); s; s = s->Next) {
            if (s->GetStaveSymbolKind() != staveSymbolKey || s->GetNoteStave() != unitMuz.GetFirstStave()) continue;
            int fifths = 0;
            if (StandardFifths(*static_cast<const TKey*>(s), fifths))
                putMeta(conductor, 0x59, std::string{static_cast<char>(fifths), 0});
            break;
        }
        const TMuzBar* bar = first->GetMuzBar();
        int power = 0;
        while ((1 << power) < bar->GetNoteLength()) ++power;
        if (bar->GetCountNotes() <= 255) {
            std::string ts{static_cast<char>(bar->GetCountNotes()), static_cast<char>(power), 24, 8};
            putMeta(conductor, 0x58, ts);
        }
    }
    putMeta(conductor, 0x2F, "");
    return conductor;
}

// Track `t`: its name, its program, and its notes' events, `list` holding
// each as (tick, 2 * note index + 1 for the note-on, + 0 for the note-off).
std::string noteTrack(size_t t, const std::string& name, int program, std::vector<std::pair<long long, int>>& list,
                      const std::vector<TMidiNote>& notes) {
    std::string body;
    putMeta(body, 0x03, name);
    const int channel = static_cast<int>(t % 15 < 9 ? t % 15 : t % 15 + 1);
    putVarLen(body, 0);
    body += static_cast<char>(0xC0 | channel);
    body += static_cast<char>(program);
    // Note-offs before note-ons at one tick, so a repeated key sounds again.
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a.first < b.first || (a.first == b.first && (a.second & 1) < (b.second & 1));
    });
    long long now = 0;
    for (const auto& [tick, code] : list) {
        const TMidiNote& n = notes[code / 2];
        putVarLen(body, static_cast<unsigned long>(tick - now));
        now = tick;
        body += static_cast<char>(((code & 1) ? 0x90 : 0x80) | n.Channel);
        body += static_cast<char>(n.Key);
        body += static_cast<char>((code & 1) ? n.Velocity : 64);
    }
    putMeta(body, 0x2F, "");
    return body;
}

}  // namespace

bool MidiNotesOf(TUnitMuz& unitMuz, int& division, std::vector<TMidiNote>& notes, TInterchangeReport& report,
                 std::string& error) {
    NoWaves none;
    TMusicRenderer renderer(unitMuz, none);
    std::vector<TPlayedNote> played;
    unitMuz.GetStartPart()->ResetPasses();
    if (!renderer.ListNotes(*unitMuz.GetStartPart(), {}, played, kMaxMidiNotes, kMaxWalkedParts)) {
        error = "The music played out is too long for a MIDI file (more than " + std::to_string(kMaxMidiNotes) +
                " notes).";
        return false;
    }
    const double tempo = unitMuz.Tempo.GetValue();
    division = chooseDivision(played, tempo);
    std::map<const TNoteGroup*, int> tracks;
    int track = 0;
    for (TStave* s = unitMuz.GetFirstStave(); s; s = s->Next)
        for (TNoteGroup* g = s->GetStartNoteGroup(); g; g = g->GetNext()) tracks[g] = track++;
    long outside = 0;
    notes.clear();
    notes.reserve(played.size());
    for (const TPlayedNote& p : played) {
        const double transpose = std::round(p.Transpose);
        const double key = 60 + semitoneOf(p.Note->GetPitch(), p.Note->GetNoteShiftKind()) + transpose;
        if (key < 0 || key > 127) {
            ++outside;
            continue;
        }
        const long long start = std::llround(p.Start / tempo * 4 * division);
        long long end = std::llround((p.Start + p.Length) / tempo * 4 * division);
        if (end <= start) end = start + 1;
        const int t = tracks[p.Note->GetNoteGroup()];
        const int channel = t % 15 < 9 ? t % 15 : t % 15 + 1;  // channel 10 is the drums
        notes.push_back({t, channel, static_cast<int>(key), 100, start, end});
    }
    report.Dropped("note outside the MIDI keys", "notes outside the MIDI keys", outside);
    return true;
}

bool WriteMidi(TUnitMuz& unitMuz, int program, std::string& bytes, TInterchangeReport& report, std::string& error) {
    int division = 480;
    std::vector<TMidiNote> notes;
    if (!MidiNotesOf(unitMuz, division, notes, report, error)) return false;
    const std::vector<std::string> names = trackNames(unitMuz);
    bytes.clear();
    std::string header;
    putBE(header, 1, 2);
    putBE(header, names.size() + 1, 2);
    putBE(header, static_cast<unsigned long>(division), 2);
    appendChunk(bytes, "MThd", header);
    appendChunk(bytes, "MTrk", conductorTrack(unitMuz, report));
    std::vector<std::vector<std::pair<long long, int>>> events(names.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        events[notes[i].Track].push_back({notes[i].Start, static_cast<int>(2 * i + 1)});
        events[notes[i].Track].push_back({notes[i].End, static_cast<int>(2 * i)});
    }
    for (size_t t = 0; t < names.size(); ++t)
        appendChunk(bytes, "MTrk", noteTrack(t, names[t], program, events[t], notes));
    return true;
}

}  // namespace korvane
