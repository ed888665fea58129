#pragma once

#include <string>
#include <vector>

namespace korvane {

class TUnitMuz;
class TUnitWave;
class TWorkspace;
class unitUnitWave;
struct TOnePlayerProps;

// A music document names its instruments: the sample wave of every player
// is a registered wave name. For the music to travel, the wave of a name
// lives beside the music file as NAME.wav, where the windows and the batch
// front end look for it and where the window offers to save it.

// The sample-wave field the player's kind reads; none for no kind.
const unitUnitWave* SampleWaveOf(const TOnePlayerProps& props);
// The sample-wave names of the document's players, each once, in stave,
// group and player order; empty names left out.
std::vector<std::string> InstrumentNames(const TUnitMuz& doc);
// Whether NAME.wav beside a music file may stand for the name: not empty,
// no folder separator (`/`, `\`) and not "." or "..", so the file always
// stays in the music file's own folder.
bool InstrumentNameTravels(const std::string& name);
// The file NAME.wav in the folder of the music file.
std::string InstrumentFileBeside(const std::string& musicFile, const std::string& name);

// What looking beside a music file found.
struct TInstrumentsFound {
    std::vector<TUnitWave*> Opened;     // added to the workspace under their names
    std::vector<std::string> Missing;   // no open wave, nothing usable beside the file
};
// Opens NAME.wav beside the music file for each instrument name that no
// open wave has, registered under the name. A file that cannot be read is
// reported missing; a name that does not travel is reported missing without
// a look.
TInstrumentsFound OpenInstrumentsBeside(TWorkspace& space, const TUnitMuz& doc, const std::string& musicFile);
// The open instrument waves of the document with unsaved samples whose
// names travel: what Save offers to put beside the music file.
std::vector<TUnitWave*> UnsavedInstruments(const TWorkspace& space, const TUnitMuz& doc);

}  // namespace korvane
