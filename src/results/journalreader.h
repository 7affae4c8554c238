#pragma once
// Reads a sample journal back into the table it describes. A record cut short at the end of the
// file (the program died while writing it) is dropped without complaint; damage anywhere else
// stops the reading there, keeps what came before and says so.

#include <QString>

#include "platform/datetime.h"
#include "results/journalstate.h"

class TJournalReader {
 public:
  enum class TStatus {
    Read,          // every record read (a torn last record dropped)
    Damaged,       // read up to damage; State holds what came before it
    Unreadable,    // no file, or not a journal, or no valid header: nothing read
    NewerFormat,   // written by a newer program: nothing read
  };
  struct TResult {
    TStatus Status = TStatus::Unreadable;
    QString Problem;  // for Damaged and Unreadable
    std::uint32_t Version = 0;
    QString RigFolder;
    int Exercise = 0;
    QString ExerciseTitle;
    TDateTime Created = 0;
    TJournalState State;
    bool TornTail = false;
  };

  static TResult Read(const QString& path);

 private:
  // The records from `pos` on into result.State, up to the file's end or damage.
  static void ReadRecords(const QString& path, const QByteArray& file, qsizetype pos, TResult& result);
};
