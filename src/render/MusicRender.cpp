#include "render/MusicRender.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/Allocation.h"
#include "core/Sample.h"
#include "platform/LongWork.h"
#include "platform/Messages.h"
#include "processing/TWorkspace.h"
#include "render/NoteMixer.h"

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
    if (stop && flagSet(*stop)) return false;
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
            if (measuring) return MeasureLoop(loop, clock, transpose, single);
            for (int32_t pass = 1; pass <= count; ++pass) {
                loop.CurrentPass = pass;
                if (!child(loop.GetLoopPart(), transpose)) return false;
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

namespace {

// The passes of `loop` in which a turn it governs plays: the turns of the
// select parts below it that no nearer loop encloses.
void collectTurnPasses(const TPartMuz* part, int32_t count, std::vector<int64_t>& passes) {
    if (!part) return;
    switch (part->GetPartMuzKind()) {
        case partMuzConcat: {
            auto* concat = static_cast<const TConcatPartMuz*>(part);
            collectTurnPasses(concat->GetFirstPart(), count, passes);
            collectTurnPasses(concat->GetSecondPart(), count, passes);
            break;
        }
        case partMuzSelect: {
            auto* select = static_cast<const TSelectPartMuz*>(part);
            for (const auto& turn : select->GetTurns()) {
                const int32_t pass = turn->Count.GetValue();
                if (pass >= 1 && pass <= count) passes.push_back(pass);
            }
            collectTurnPasses(select->GetSelectPart(), count, passes);
            break;
        }
        default: break;  // a nearer loop governs what lies below it
    }
}

// Passes in a row that sound alike beyond this many are measured as one pass
// times their number; fewer are walked one by one, as the render walks them.
constexpr int32_t kMeasuredOneByOne = 4096;

}  // namespace

template <class Single>
bool TMusicRenderer::MeasureLoop(TLoopPartMuz& loop, double& clock, double transpose, const Single& single) {
    const int32_t count = loop.Count.GetValue();
    TPartMuz* body = loop.GetLoopPart();
    std::vector<int64_t> special;
    collectTurnPasses(body, count, special);
    std::sort(special.begin(), special.end());
    special.erase(std::unique(special.begin(), special.end()), special.end());
    special.push_back(int64_t{count} + 1);  // the end, as a last stop
    auto walkPass = [&](int64_t pass) {
        loop.CurrentPass = static_cast<int32_t>(pass);
        return !body || !body->PlayAndDraw || Walk(*body, clock, transpose, nullptr, true, single);
    };
    // Past the longest wave the render fails anyway; a huge Count stops here
    // instead of running for hours first.
    auto tooLong = [&] {
        if (UnitMuz.SampleFreq * clock < kMaxRenderSamples) return false;
        tooLong_ = true;
        return true;
    };
    int64_t pass = 1;
    for (int64_t stop : special) {
        // Passes [pass, stop) play no turn of this loop: each sounds as the first.
        const int64_t plain = stop - pass;
        if (plain > kMeasuredOneByOne) {
            const double before = clock, outerS = measureS_, outerE = measureE_;
            measureS_ = measureE_ = -std::numeric_limits<double>::infinity();
            if (!walkPass(pass)) return false;
            const double step = clock - before, rest = static_cast<double>(plain - 1) * step;
            // The first of them starts earliest, the last ends latest.
            measureS_ = std::max({outerS, measureS_, measureS_ - rest});
            measureE_ = std::max({outerE, measureE_, measureE_ + rest});
            clock = before + static_cast<double>(plain) * step;
            if (tooLong()) return false;
        } else {
            for (int64_t p = pass; p < stop; ++p)
                if (!walkPass(p) || tooLong()) return false;
        }
        if (stop > count) break;
        if (!walkPass(stop) || tooLong()) return false;
        pass = stop + 1;
    }
    loop.CurrentPass = count;
    return true;
}

bool TMusicRenderer::GetOffsets(TPartMuz& part, double& S, double& E, double& clock, std::string& error,
                                const TRenderFilter& filter, double transpose) {
    measureS_ = S;
    measureE_ = E;
    const bool ok = Walk(part, clock, transpose, nullptr, true, [&](TSinglePartMuz& single, double& c, double t) {
        return SingleOffsets(single, measureS_, measureE_, c, error, filter, t);
    });
    S = measureS_;
    E = measureE_;
    return ok;
}

bool TMusicRenderer::Render(TPartMuz& part, bool& stop, Sound& sound, double& clock, std::string& error,
                            const TRenderFilter& filter, double transpose) {
    TNoteMixer mixer(sound, stop);
    const bool ok = Walk(part, clock, transpose, &stop, false, [&](TSinglePartMuz& single, double& c, double t) {
        return SingleRender(single, stop, mixer, sound.Freq, c, error, filter, t);
    });
    return ok && mixer.Flush();
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

bool TMusicRenderer::SingleRender(TSinglePartMuz& part, bool& stop, TNoteMixer& mixer, int32_t freq, double& clock,
                                  std::string& error, const TRenderFilter& filter, double transpose) {
    const double T = Tempo;
    const double factor = transposeFactor(transpose);
    for (TStaveSymbol* symbol = part.GetFirstSymbol(); symbol; symbol = symbol->Next) {
        if (symbol->GetStaveSymbolKind() != staveSymbolNote) continue;
        const auto& note = static_cast<const TMuzNote&>(*symbol);
        if (!filter.Passes(note)) continue;
        const TCompoundPlayer* player = note.GetPlayer();
        const double period = note.GetPeriod() * factor;
        const double length = note.GetPlayLength();
        const TNoteMixer::Key key = TNoteMixer::MakeKey(player, period, length, T);
        std::shared_ptr<const TMixedNote> sound = mixer.Find(key);
        if (!sound) {
            bool ok = true;
            double v = 1;
            auto made = Players.GetSound(*player, stop, period, length, T, v, ok, error);
            if (stop || !ok) return false;
            const double s = Players.GetStartOffset(*player, period, length, T, ok, error);
            if (!ok) return false;
            sound = mixer.Keep(key, std::move(made), v, s);
            if (!sound) return false;
        }
        const double u = clock + note.GetStartTime() * T;
        // The first pass made room for this sound; rounding of the clock
        // sums can only put it a hair before the start or past the end.
        int32_t position = truncToInt32(freq * (u - sound->Start));
        if (position < 0) position = 0;
        const double volume = sound->Volume;
        if (!mixer.Add(std::move(sound), position, volume)) return false;
    }
    clock = clock + T * part.PartLength();
    return true;
}

bool TMusicRenderer::ListNotes(TPartMuz& part, const TRenderFilter& filter, std::vector<TPlayedNote>& notes,
                               size_t maxNotes, size_t maxParts) {
    const double T = Tempo;
    double clock = 0;
    size_t parts = 0;
    return Walk(part, clock, 0, nullptr, false, [&](TSinglePartMuz& single, double& c, double t) {
        if (++parts > maxParts) return false;
        for (TStaveSymbol* symbol = single.GetFirstSymbol(); symbol; symbol = symbol->Next) {
            if (symbol->GetStaveSymbolKind() != staveSymbolNote) continue;
            const auto& note = static_cast<const TMuzNote&>(*symbol);
            if (!filter.Passes(note)) continue;
            if (notes.size() >= maxNotes) return false;
            notes.push_back({&note, c + note.GetStartTime() * T, note.GetPlayLength() * T, t});
        }
        c = c + T * single.PartLength();
        return true;
    });
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
    bool stop = false;
    std::string error;
    std::unique_ptr<Sound> sound;
    if (!RunLongWork([&] { sound = RenderMusic(unitMuz, space, {}, stop, error); }, stop)) return nullptr;
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
