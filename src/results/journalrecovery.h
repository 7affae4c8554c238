#pragma once
// The start-up step after a crash: the journal a previous session of this rig and exercise left
// behind is read, and when it holds unsaved samples the user is asked whether to recover them. Yes
// rebuilds the table from it; No keeps the journal aside under its date. A journal that cannot be
// used (another rig's, a newer format's, unreadable) is reported, kept aside, and nothing changes.

class TSampleJournal;
class TTableForm;

class TJournalRecovery {
 public:
  enum class TOutcome { Nothing, Recovered, Declined, Refused };

  // `journal` must be claimed and already be the table's journal, so a recovered table is
  // journalled again at once.
  static TOutcome Run(TSampleJournal& journal, TTableForm& table);
};
