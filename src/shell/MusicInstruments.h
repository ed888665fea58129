#pragma once

#include <string>
#include <vector>

class QWidget;

namespace korvane {

class TDialogRunner;
class TUnitMuz;
class TUnitWave;
class TWorkspace;

// What the main window does about a music document's instruments (the
// waves its players sample, by name) when the music is opened and saved.

// On opening `musicFile`: each instrument no open wave has is opened from
// NAME.wav beside the file; one box lists the names still missing and, on
// Yes, asks for each one's file, which is opened under the name. The waves
// are in the workspace; the caller gives them windows.
void FindInstruments(TWorkspace& space, TDialogRunner& runner, QWidget* parent, const TUnitMuz& doc,
                     const std::string& musicFile);
// After the music was saved to `musicFile`: one box offers to save its
// unsaved instrument waves beside it as NAME.wav; returns the waves saved.
std::vector<TUnitWave*> OfferToSaveInstruments(const TWorkspace& space, const TUnitMuz& doc,
                                               const std::string& musicFile);

}  // namespace korvane

#include <cstdint>
#include <map>
#include <set>

namespace korvane {

// Auto play and Play Note name a missing instrument once per document, not
// at every click: a message already shown for a document stays quiet until
// the set of open waves changes (the wave may have appeared) or a note of
// that document plays.
class TInstrumentNotices {
public:
    // Whether to show `error` for the document now; `waveNames` are the
    // names of the open waves.
    bool ShouldShow(const TUnitMuz& doc, const std::string& error, const std::vector<std::string>& waveNames);
    void Played(const TUnitMuz& doc);

private:
    std::map<uint64_t, std::set<std::string>> shown_;  // by document serial
    std::vector<std::string> waves_;
};

}  // namespace korvane
