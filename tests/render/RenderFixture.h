#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Sound.h"
#include "music/TUnitMuz.h"
#include "processing/TWorkspace.h"
#include "render/MusicRender.h"

namespace korvane::testing {

// A workspace with sample waves and a music document of one stave, one note
// group and one single part; the group's player is set up per test.
class RenderFixture : public CoreFixture {
protected:
    TWorkspace space;
    TUnitMuz doc;
    TNoteStave* stave = nullptr;
    TNoteGroup* group = nullptr;
    TSinglePartMuz* part = nullptr;

    void SetUp() override {
        CoreFixture::SetUp();
        doc.InitNew();
        stave = doc.GetFirstStave();
        group = stave->GetStartNoteGroup();
        part = doc.FirstSinglePart();
    }

    TUnitWave& addMono(const std::string& name, const std::vector<int>& samples, int32_t freq) {
        auto sound = std::make_unique<MonoSound>(makeWave(samples), freq, 2);
        TUnitWave& unit = space.AddWave(std::make_unique<TUnitWave>(std::move(sound), ""));
        EXPECT_TRUE(space.SetName(unit, name));
        return unit;
    }
    TUnitWave& addStereo(const std::string& name, const std::vector<int>& left, const std::vector<int>& right,
                         int32_t freq) {
        auto sound = std::make_unique<StereoSound>(makeWave(left), makeWave(right), freq, 2);
        TUnitWave& unit = space.AddWave(std::make_unique<TUnitWave>(std::move(sound), ""));
        EXPECT_TRUE(space.SetName(unit, name));
        return unit;
    }

    static TOnePlayerProps props(uint8_t kind, double volume = 1, double freqUp = 0) {
        TOnePlayerProps p{unitFreq(freqUp), unitVolumeFactor(volume)};
        p.NotePlayerKind = kind;
        return p;
    }
    // Makes the player of `g` exactly these one-players.
    static void setPlayers(TNoteGroup* g, const std::vector<TOnePlayerProps>& players) {
        TCompoundPlayer* compound = g->GetCompoundPlayer();
        std::vector<TOnePlayer*> old;
        for (TOnePlayer* p = compound->GetStartOnePlayer(); p; p = p->GetNext()) old.push_back(p);
        for (const auto& p : players) compound->AppendOnePlayer(std::make_unique<TOnePlayer>(p));
        for (TOnePlayer* p : old) compound->DeleteOnePlayer(p);
    }

    TMuzNote* addNote(double position, int lengthKind, int pitch, TNoteGroup* g = nullptr, uint8_t multiOol = sool,
                      int posInOol = 0, uint8_t art = noteArtNormal, TSinglePartMuz* in = nullptr) {
        if (!g) g = group;
        if (!in) in = part;
        auto note = std::make_unique<TMuzNote>(g, &doc, g->GetNoteStave(), position, in, lengthKind, 0, multiOol,
                                               posInOol, pitch, noteShiftNormal, art, noteStickGroup);
        TMuzNote* raw = note.get();
        in->InsertSorted(std::move(note));
        return raw;
    }

    // Puts the single part under a new parent made by `wrap`.
    template <class Wrap>
    void wrapPart(Wrap&& wrap) {
        TPartMuz* oldParent = nullptr;
        auto child = doc.GetStartPart()->GetPartMuz()->Detach(oldParent);
        doc.GetStartPart()->SetPartMuz(wrap(std::move(child)));
    }

    // S, E and the clock after the measuring pass over the whole tree.
    struct Offsets {
        bool ok;
        double S, E, clock;
        std::string error;
    };
    Offsets measure(const TRenderFilter& filter = {}) {
        TMusicRenderer renderer(doc, space);
        Offsets o{};
        o.ok = renderer.GetOffsets(*doc.GetStartPart(), o.S, o.E, o.clock, o.error, filter, 0);
        return o;
    }
};

// The samples of one channel of a sound.
inline std::vector<int> channelOf(const Sound& sound, int channel = 0) { return samplesOf(sound.Channel(channel)); }

}  // namespace korvane::testing
