#include "render/MusicRender.h"

#include <algorithm>
#include <cmath>

#include "core/Allocation.h"
#include "core/Sample.h"
#include "platform/Messages.h"
#include "processing/TWorkspace.h"

namespace korvane {

bool TRenderFilter::Passes(const TMuzNote& note) const {
    return (Stave || Group || !note.IsMuted()) && (!Group || note.GetNoteGroup() == Group) &&
           (!Stave || note.GetNoteStave() == Stave);
}

namespace {

void showRenderFailure(const std::string& error) {
    messages().show("Error", kCannotCreateMusic + error, MessageIcon::Information);
}

// The most samples a wave holds.
constexpr double kMaxRenderSamples = 2147483647.0;

// The factor on a note's period for a transposition of t semitones.
double transposeFactor(double t) { return std::pow(0.5, t / 12); }

}  // namespace

template <class Single>
bool TMusicRenderer::Walk(TPartMuz& part, double& clock, double transpose, const bool* stop, bool measuring,
                          const Single& single) {
    if (stop && *stop) return false;
    auto child = [&](TPartMuz* c, double t) {
        return !c || !c->PlayAndDraw || Walk(*c, clock, t, stop, measuring, single);
    };
    switch (part.GetPartMuzKind()) {
        case partMuzStart:
            return child(static_cast<TStartPartMuz&>(part).GetPartMuz(), transpose);
        case partMuzConcat: {
            auto& concat = static_cast<TConcatPartMuz&>(part);
            return child(concat.GetFirstPart(), transpose) && child(concat.GetSecondPart(), transpose);
        }
        case partMuzLoop: {
            auto& loop = static_cast<TLoopPartMuz&>(part);
            const int32_t count = loop.Count.GetValue();
            for (int32_t pass = 1; pass <= count; ++pass) {
                loop.CurrentPass = pass;
                if (!child(loop.GetLoopPart(), transpose)) return false;
                // Past the longest wave the render fails anyway; a huge Count
                // stops here instead of running for hours first.
                if (measuring && !(UnitMuz.SampleFreq * clock < kMaxRenderSamples)) {
                    tooLong_ = true;
                    return false;
                }
            }
            return true;
        }
        case partMuzSelect: {
            auto& select = static_cast<TSelectPartMuz&>(part);
            const TCountSelectPartItem* turn = select.CurrentTurn();
            if (!turn) return true;
            return child(select.GetSelectPart(), transpose + turn->Pitch.GetValue());
        }
        case partMuzSingle:
            return single(static_cast<TSinglePartMuz&>(part), clock, transpose);
        default: return true;
    }
}

bool TMusicRenderer::GetOffsets(TPartMuz& part, double& S, double& E, double& clock, std::string& error,
                                const TRenderFilter& filter, double transpose) {
    return Walk(part, clock, transpose, nullptr, true, [&](TSinglePartMuz& single, double& c, double t) {
        return SingleOffsets(single, S, E, c, error, filter, t);
    });
}

bool TMusicRenderer::Render(TPartMuz& part, bool& stop, Sound& sound, double& clock, std::string& error,
                            const TRenderFilter& filter, double transpose) {
    return Walk(part, clock, transpose, &stop, false, [&](TSinglePartMuz& single, double& c, double t) {
        return SingleRender(single, stop, sound, c, error, filter, t);
    });
}

bool TMusicRenderer::SingleOffsets(TSinglePartMuz& part, double& S, double& E, double& clock, std::string& error,
                                   const TRenderFilter& filter, double transpose) {
    const double T = Tempo;
    const double factor = transposeFactor(transpose);
    for (TStaveSymbol* symbol = part.GetFirstSymbol(); symbol; symbol = symbol->Next) {
        if (symbol->GetStaveSymbolKind() != staveSymbolNote) continue;
        const auto& note = static_cast<const TMuzNote&>(*symbol);
        if (!filter.Passes(note)) continue;
        const TCompoundPlayer* player = note.GetPlayer();
        const double period = note.GetPeriod() * factor;
        const double length = note.GetPlayLength();
        bool ok = true;
        const double s = Players.GetStartOffset(*player, period, length, T, ok, error);
        if (!ok) return false;
        const double e = Players.GetEndOffset(*player, period, length, T, ok, error);
        if (!ok) return false;
        const double u = clock + note.GetStartTime() * T;
        S = std::max(S, s - u);
        E = std::max(E, u + e);
    }
    clock = clock + T * part.PartLength();
    return true;
}

bool TMusicRenderer::SingleRender(TSinglePartMuz& part, bool& stop, Sound& sound, double& clock, std::string& error,
                                  const TRenderFilter& filter, double transpose) {
    const double T = Tempo;
    const double factor = transposeFactor(transpose);
    for (TStaveSymbol* symbol = part.GetFirstSymbol(); symbol; symbol = symbol->Next) {
        if (symbol->GetStaveSymbolKind() != staveSymbolNote) continue;
        const auto& note = static_cast<const TMuzNote&>(*symbol);
        if (!filter.Passes(note)) continue;
        const TCompoundPlayer* player = note.GetPlayer();
        const double period = note.GetPeriod() * factor;
        const double length = note.GetPlayLength();
        bool ok = true;
        double v = 1;
        auto noteSound = Players.GetSound(*player, stop, period, length, T, v, ok, error);
        if (stop || !ok) return false;
        const double s = Players.GetStartOffset(*player, period, length, T, ok, error);
        if (!ok) return false;
        const double u = clock + note.GetStartTime() * T;
        if (noteSound && noteSound->GetValues() > 0) {
            // The first pass made room for this sound; rounding of the clock
            // sums can only put it a hair before the start or past the end.
            int32_t position = truncToInt32(sound.Freq * (u - s));
            if (position < 0) position = 0;
            if (position < sound.GetValues()) sound.AddScaledAfter(stop, *noteSound, position, v);
            if (stop) return false;
        }
    }
    clock = clock + T * part.PartLength();
    return true;
}

std::unique_ptr<Sound> TMusicRenderer::RenderPart(TPartMuz& part, const TRenderFilter& filter, bool& stop,
                                                  std::string& error) {
    double S = 0, E = 0, clock = 0;
    tooLong_ = false;
    if (!GetOffsets(part, S, E, clock, error, filter, 0) && !tooLong_) {
        showRenderFailure(error);
        return nullptr;
    }
    auto sound = MakeMusicSound(UnitMuz);
    if (S == 0 && E == 0 && !tooLong_) return sound;
    // A length no wave can hold is a memory failure, as for any sound.
    if (tooLong_ || !(sound->Freq * (S + E) + 1 < kMaxRenderSamples)) {
        stop = true;
        reportOutOfMemory();
        return nullptr;
    }
    int32_t b = 0, e = 0;
    auto silence = sound->InsertSilence(stop, S + E, b, e);
    if (!silence || stop) return nullptr;
    clock = S;
    if (!Render(part, stop, *silence, clock, error, filter, 0)) {
        if (!stop) showRenderFailure(error);
        return nullptr;
    }
    return silence;
}

std::unique_ptr<Sound> MakeMusicSound(const TUnitMuz& unitMuz) {
    if (unitMuz.Channels == 1) return std::make_unique<MonoSound>(unitMuz.SampleFreq, unitMuz.BytesPSample);
    return std::make_unique<StereoSound>(unitMuz.SampleFreq, unitMuz.BytesPSample);
}

std::unique_ptr<Sound> RenderMusic(TUnitMuz& unitMuz, const WaveRegistry& registry, const TRenderFilter& filter,
                                   bool& stop, std::string& error) {
    TMusicRenderer renderer(unitMuz, registry);
    return renderer.RenderPart(*unitMuz.GetStartPart(), filter, stop, error);
}

std::unique_ptr<Sound> RenderMusic(TUnitMuz& unitMuz, const WaveRegistry& registry, const TRenderFilter& filter) {
    bool stop = false;
    std::string error;
    return RenderMusic(unitMuz, registry, filter, stop, error);
}

std::unique_ptr<Sound> RenderMusicPart(TUnitMuz& unitMuz, TPartMuz& part, const WaveRegistry& registry) {
    unitMuz.GetStartPart()->ResetPasses();
    bool stop = false;
    std::string error;
    TMusicRenderer renderer(unitMuz, registry);
    return renderer.RenderPart(part, {}, stop, error);
}

TUnitWave* MusicGenerate(TWorkspace& space, TUnitMuz& unitMuz) {
    auto sound = RenderMusic(unitMuz, space);
    if (!sound) return nullptr;
    auto doc = std::make_unique<TUnitWave>(std::move(sound), "");
    doc->MarkNew();
    doc->Records = space.Records;
    std::string name = space.NextNewName();
    if (space.NameAvailable(*doc, name)) doc->Name = name;
    return &space.AddWave(std::move(doc));
}

std::unique_ptr<Sound> PlayNoteSound(const TMuzNote& note, const WaveRegistry& registry, bool& ok,
                                     std::string& error) {
    TNotePlayers players(registry);
    bool stop = false;
    double volume = 1;
    auto sound = players.GetSound(*note.GetPlayer(), stop, note.GetPeriod(), note.GetPlayLength(),
                                  note.GetUnitMuz()->Tempo.GetValue(), volume, ok, error);
    if (stop) return nullptr;
    return sound;
}

}  // namespace korvane
