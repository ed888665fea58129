#include "shell/JournalKeeper.h"

#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "processing/TWorkspace.h"
#include "shell/ChildMuz.h"
#include "shell/History.h"
#include "shell/JournalHost.h"
#include "shell/MusicUndo.h"
#include "wavewindow/PlayRecord.h"

namespace korvane {

namespace {

const char* const kNotKept = " Unsaved changes are not kept for a crash.";

}  // namespace

TJournalKeeper::TJournalKeeper(TJournalHost& host, TWorkspace& space, THistoryBook& history)
    : host_(host), space_(space), history_(history) {
    later_.setSingleShot(true);
    QObject::connect(&later_, &QTimer::timeout, &later_, [this] { Update(); });
}

void TJournalKeeper::Start(const std::string& root) {
    if (root.empty() || journal_) return;
    TJournalRecovery recovery(root);
    const MessageAnswer answer = askRecover(recovery);
    // This window's own journal first: the histories of the recovered
    // documents move into its folder.
    const bool own = startOwn(root);
    bool discardDamaged = false;
    if (answer == MessageAnswer::Yes) {
        std::vector<std::string> damaged;
        adoptRecovered(recovery.Read(damaged));
        if (!damaged.empty()) {
            // What could not be read now may be read later (with more
            // memory, say): it goes only when the user says so.
            std::string text = "These unsaved documents could not be recovered:";
            for (const std::string& line : damaged) text += "\n" + line;
            text += "\n\nKeep their copies for the next start? No discards them.";
            discardDamaged = messages().askYesNoCancel("Error", text) == MessageAnswer::No;
        }
    }
    if (own) {
        // The recovered documents are safe in the new journal before the old
        // one goes.
        host_.UpdateActions();
        journal_->WaitIdle();
    }
    if (answer == MessageAnswer::No || (discardDamaged && own)) recovery.Discard();
    else if (answer == MessageAnswer::Yes && own) recovery.RemoveRecovered();
}

MessageAnswer TJournalKeeper::askRecover(const TJournalRecovery& recovery) {
    // Folders that are not the user's own are named, never opened or removed.
    std::string passed;
    for (const std::string& line : recovery.Skipped()) passed += "\n" + line;
    if (!passed.empty()) passed = "\n\nThese journal folders were passed by:" + passed;
    if (recovery.Count() > 0) {
        std::string list;
        for (const std::string& line : recovery.Listing()) list += line + "\n";
        return messages().askYesNoCancel("Korvane",
                                         "Recover " + std::to_string(recovery.Count()) + " unsaved documents?",
                                         list + "\nNo discards them; Cancel keeps them for the next start." + passed);
    }
    if (!passed.empty()) messages().show("Korvane", passed.substr(2), MessageIcon::Warning);
    return MessageAnswer::Cancel;
}

bool TJournalKeeper::startOwn(const std::string& root) {
    journal_ = std::make_unique<TJournal>();
    std::string error;
    if (!journal_->Start(root, error)) {
        journal_.reset();
        messages().show("Error", error + kNotKept, MessageIcon::Information);
        return false;
    }
    if (TPlayRecord* recorder = host_.Recorder()) recorder->SetRecordFile(journal_->RecordFile());
    history_.SetFolder(journal_->Folder());
    journal_->SetHistorySource({[this](const TUnit& unit) -> uint64_t {
                                    const THistory* h = history_.Find(unit);
                                    return h && h->Current >= 0 ? h->Generation : 0;
                                },
                                [this](const TUnit& unit, TJournalHistory& out) { journalHistory(unit, out); }});
    return true;
}

void TJournalKeeper::adoptRecovered(std::vector<TRecoveredDocument> documents) {
    for (TRecoveredDocument& recovered : documents) {
        TUnit& unit = *recovered.Unit;
        // Two windows that are gone may both have had a "NONAME1".
        if (!space_.NameAvailable(unit, unit.Name)) unit.Name.clear();
        space_.NoteName(unit.Name);
        if (unit.Kind == unitKindWave) {
            std::unique_ptr<TUnitWave> wave(static_cast<TUnitWave*>(recovered.Unit.release()));
            wave->Records = space_.Records;
            TUnitWave& doc = space_.AddWave(std::move(wave));
            doc.FirstSel = recovered.FirstSel;
            doc.SecondSel = recovered.SecondSel;
            host_.ShowWave(doc, nullptr);
            adoptHistory(doc, recovered);
        } else {
            std::unique_ptr<TUnitMuz> music(static_cast<TUnitMuz*>(recovered.Unit.release()));
            if (!music->SelectedTreeItem) music->SelectedTreeItem = music->GetStartPart();
            TMDIChildMuz* child = host_.AddMusicWindow(std::move(music));
            if (child && child->Doc()) adoptHistory(*child->Doc(), recovered);
        }
    }
}

void TJournalKeeper::Update() {
    if (!journal_) return;
    TPlayRecord* recorder = host_.Recorder();
    journal_->Update(space_.Units(), recorder ? recorder->RecordingDocument() : nullptr);
    if (journal_->Deferred() && !later_.isActive()) later_.start(50);
    const std::string error = journal_->TakeError();
    if (error.empty()) return;
    // Told once, and not from inside the event loop's idle call.
    QTimer::singleShot(0, &later_, [error] { messages().show("Error", error + kNotKept, MessageIcon::Information); });
}

void TJournalKeeper::Finish() {
    if (journal_) journal_->Finish();
}

void TJournalKeeper::journalHistory(const TUnit& unit, TJournalHistory& out) const {
    const THistory* h = history_.Find(unit);
    if (!h) return;
    out.Current = h->Current;
    out.States.reserve(h->States.size());
    for (const THistoryState& s : h->States) {
        TJournalState state;
        state.Id = s.Id;
        state.Name = s.Name;
        state.TheSound = s.TheSound;
        state.Text = s.Text;
        if (s.File) state.File = s.File->Path;
        state.FirstSel = s.FirstSel;
        state.SecondSel = s.SecondSel;
        out.States.push_back(std::move(state));
    }
}

void TJournalKeeper::adoptHistory(TUnit& unit, const TRecoveredDocument& recovered) {
    if (recovered.History.empty() || recovered.Current < 0) return;
    THistory history;
    history.Serial = unit.Serial;
    history.Music = unit.Kind != unitKindWave;
    auto* wave = dynamic_cast<TUnitWave*>(&unit);
    auto* music = dynamic_cast<TUnitMuz*>(&unit);
    std::shared_ptr<const std::string> shownText;
    if (music) {
        std::string text, message;
        if (!MuzText(*music, text, message)) return;
        shownText = std::make_shared<const std::string>(std::move(text));
    }
    for (const TRecoveredState& r : recovered.History) {
        THistoryState state;
        state.Name = r.Name;
        state.Id = history.NextId++;
        const bool shown = r.IsDocument;
        if (shown) history.Current = static_cast<int>(history.States.size());
        if (wave) {
            state.FirstSel = shown ? wave->FirstSel : r.FirstSel;
            state.SecondSel = shown ? wave->SecondSel : r.SecondSel;
            if (shown) state.TheSound = wave->TheSound;
            else if (!r.Path.empty() && !(state.File = history_.AdoptFile(r.Path, unit.Serial, state.Id)))
                continue;  // the copy could not be kept: the state is left out
        } else {
            state.Text = shown ? shownText : std::make_shared<const std::string>(r.Text);
            state.Props = {music->SampleFreq, music->Channels, music->BytesPSample};
            if (shown) state.Place = PlaceOf(*music);
        }
        history.States.push_back(std::move(state));
    }
    history.Revision = unit.Revision;
    history_.Adopt(std::move(history));
}

}  // namespace korvane
