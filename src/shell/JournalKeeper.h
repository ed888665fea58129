#pragma once

#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "platform/Messages.h"

namespace korvane {

class THistoryBook;
class TJournalHost;
class TUnit;
class TWorkspace;

// The window's side of the recovery journal: the documents of windows that
// are gone offered back at the start, and the open documents with their
// histories kept in the journal as they change, so that a crash loses none.
class TJournalKeeper {
public:
    TJournalKeeper(TJournalHost& host, TWorkspace& space, THistoryBook& history);

    // Offers back, in one question, the unsaved documents of windows under
    // `root` that are gone, then keeps this window's own journal there. An
    // empty root keeps no journal.
    void Start(const std::string& root);
    TJournal* Journal() const { return journal_.get(); }
    // Catches the journal up with the documents; what it puts off is picked
    // up a moment later.
    void Update();
    // Everything is saved or given up: nothing is left to recover.
    void Finish();

private:
    // The one question about the documents found under the root.
    MessageAnswer askRecover(const TJournalRecovery& recovery);
    // This window's own journal; false when it could not be started.
    bool startOwn(const std::string& root);
    void adoptRecovered(std::vector<TRecoveredDocument> documents);
    // A recovered document's history becomes its history here.
    void adoptHistory(TUnit& unit, const TRecoveredDocument& recovered);
    // The history of a document as the journal keeps it.
    void journalHistory(const TUnit& unit, TJournalHistory& out) const;

    TJournalHost& host_;
    TWorkspace& space_;
    THistoryBook& history_;
    std::unique_ptr<TJournal> journal_;
    QTimer later_;  // picks up what the journal put off
};

}  // namespace korvane
