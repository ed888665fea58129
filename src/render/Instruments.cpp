#include "render/Instruments.h"

#include <filesystem>
#include <set>

#include "music/TUnitMuz.h"
#include "processing/TWorkspace.h"

namespace korvane {

const unitUnitWave* SampleWaveOf(const TOnePlayerProps& props) {
    switch (props.NotePlayerKind) {
        case notePlayerSimpleSampler: return &props.SimpleSampler.SampleWave;
        case notePlayerResonantSampler: return &props.ResonantSampler.SampleWave;
        case notePlayerRepeatWaveForm: return &props.RepeatWaveForm.SampleWave;
        case notePlayerRollOutSampler: return &props.RollOutSampler.SampleWave;
        case notePlayerRollOutWaveForm: return &props.RollOutWaveForm.SampleWave;
        default: return nullptr;
    }
}

std::vector<std::string> InstrumentNames(const TUnitMuz& doc) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (TStave* s = doc.GetFirstStave(); s; s = s->GetNext()) {
        auto* stave = static_cast<TNoteStave*>(s);
        for (TNoteGroup* g = stave->GetStartNoteGroup(); g; g = g->GetNext()) {
            if (!g->GetCompoundPlayer()) continue;
            for (TOnePlayer* p = g->GetCompoundPlayer()->GetStartOnePlayer(); p; p = p->GetNext()) {
                const unitUnitWave* wave = SampleWaveOf(p->OnePlayerProps);
                const std::string name = wave ? wave->ToText() : std::string();
                if (!name.empty() && seen.insert(name).second) names.push_back(name);
            }
        }
    }
    return names;
}

bool InstrumentNameTravels(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

std::string InstrumentFileBeside(const std::string& musicFile, const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(musicFile).parent_path();
    return (folder / (name + ".wav")).string();
}

namespace {

bool nameTaken(const TWorkspace& space, const std::string& name) {
    for (const auto& unit : space.Units())
        if (unit->Name == name) return true;
    return false;
}

}  // namespace

TInstrumentsFound OpenInstrumentsBeside(TWorkspace& space, const TUnitMuz& doc, const std::string& musicFile) {
    TInstrumentsFound found;
    for (const std::string& name : InstrumentNames(doc)) {
        if (space.FindWave(name)) continue;
        // A document of another kind holding the name would refuse it anyway.
        if (!InstrumentNameTravels(name) || nameTaken(space, name)) {
            found.Missing.push_back(name);
            continue;
        }
        const std::string file = InstrumentFileBeside(musicFile, name);
        std::error_code ec;
        std::unique_ptr<Sound> sound;
        std::string reason;
        if (!std::filesystem::is_regular_file(file, ec) || !ReadWaveFile(file, sound, reason)) {
            found.Missing.push_back(name);
            continue;
        }
        auto unit = std::make_unique<TUnitWave>(std::move(sound), file);
        unit->Records = space.Records;
        TUnitWave& wave = space.AddWave(std::move(unit));
        wave.Name = name;
        found.Opened.push_back(&wave);
    }
    return found;
}

std::vector<TUnitWave*> UnsavedInstruments(const TWorkspace& space, const TUnitMuz& doc) {
    std::vector<TUnitWave*> unsaved;
    for (const std::string& name : InstrumentNames(doc)) {
        TUnitWave* wave = space.FindWave(name);
        if (wave && InstrumentNameTravels(name) && wave->NeedsSaving()) unsaved.push_back(wave);
    }
    return unsaved;
}

}  // namespace korvane
