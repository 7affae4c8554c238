#include "results/journalrecovery.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "platform/iprompts.h"
#include "platform/services.h"
#include "results/journalreader.h"
#include "results/samplejournal.h"
#include "results/tableform.h"

namespace {

void Tell(const QString& text) { TServices::Prompts().MessageDlg(text, TMsgDlgType::mtWarning, TMsgDlgButtons::OK); }

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// Where a journal went when it was set aside, for the user's message.
QString KeptAs(const QString& path) {
  const QString aside = TSampleJournal::SetAside(path);
  return aside.isEmpty() ? QStringLiteral("It could not be moved aside and stays as %1.").arg(Native(path))
                         : QStringLiteral("It was kept as %1.").arg(Native(aside));
}

bool SameRig(const TSampleJournal::THeader& ours, const TJournalReader::TResult& found) {
  return QDir::cleanPath(ours.RigFolder) == QDir::cleanPath(found.RigFolder) && ours.Exercise == found.Exercise;
}

}  // namespace

TJournalRecovery::TOutcome TJournalRecovery::Run(TSampleJournal& journal, TTableForm& table) {
  const QString path = journal.Path();
  if (!QFileInfo::exists(path)) return TOutcome::Nothing;
  const QString recorded = QFileInfo(path).lastModified().toString(QStringLiteral("d MMM yyyy hh:mm:ss"));
  const TJournalReader::TResult found = TJournalReader::Read(path);

  switch (found.Status) {
    case TJournalReader::TStatus::Unreadable:
      Tell(QStringLiteral("The recovery journal %1 cannot be read: %2. Nothing was recovered from it. %3")
               .arg(Native(path), found.Problem, KeptAs(path)));
      return TOutcome::Refused;
    case TJournalReader::TStatus::NewerFormat:
      Tell(QStringLiteral("The recovery journal %1 was written by a newer version of Quorlex (journal format %2; this "
                          "version reads format %3). Nothing was recovered from it. %4")
               .arg(Native(path))
               .arg(found.Version)
               .arg(TJournalRecord::FormatVersion)
               .arg(KeptAs(path)));
      return TOutcome::Refused;
    case TJournalReader::TStatus::Read:
    case TJournalReader::TStatus::Damaged: break;
  }
  if (!SameRig(journal.Header(), found)) {
    Tell(QStringLiteral("The recovery journal %1 belongs to the rig in %2 (exercise %3), not to this one. Nothing was "
                        "recovered from it. %4")
             .arg(Native(path), Native(found.RigFolder))
             .arg(found.Exercise)
             .arg(KeptAs(path)));
    return TOutcome::Refused;
  }

  const bool damaged = found.Status == TJournalReader::TStatus::Damaged;
  const QString damage = damaged ? QStringLiteral("The recovery journal %1 is damaged (%2): nothing after the damage can "
                                                  "be recovered.")
                                       .arg(Native(path), found.Problem)
                                 : QString();
  if (!found.State.AnyUnsaved()) {
    // Everything it held was saved: nothing to ask.
    if (damaged) Tell(damage + QLatin1Char(' ') + KeptAs(path));
    else QFile::remove(path);
    return TOutcome::Nothing;
  }

  const QString title = found.ExerciseTitle.isEmpty() ? Native(found.RigFolder) : found.ExerciseTitle;
  const QString question =
      (damaged ? damage + QStringLiteral("\n\n") : QString()) +
      QStringLiteral("Quorlex was not closed normally. %1 unsaved samples in %2 runs of \"%3\", recorded up to %4, can "
                     "be recovered. Do you wish to recover them?\n\nIf you answer No, they are kept in the folder %5.")
          .arg(found.State.UnsavedRows())
          .arg(found.State.UnsavedRuns())
          .arg(title, recorded, Native(QFileInfo(path).absolutePath()));
  if (TServices::Prompts().MessageDlg(question, TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNo) !=
      TModalResult::mrYes) {
    if (TSampleJournal::SetAside(path).isEmpty())
      Tell(QStringLiteral("The recovery journal %1 could not be moved aside: the next samples will replace it.").arg(Native(path)));
    return TOutcome::Declined;
  }
  // A damaged journal stays for a look at what was lost; the table is journalled afresh either way.
  if (damaged) TSampleJournal::SetAside(path);
  // A long session takes a moment to rebuild: a bar shows how far it is, and the window is
  // repainted meanwhile (no input is taken: the table is not whole yet).
  QProgressDialog bar(QStringLiteral("Recovering %1 samples...").arg(found.State.UnsavedRows()), QString(), 0, 1);
  bar.setWindowTitle(QStringLiteral("Recovery"));
  bar.setWindowModality(Qt::ApplicationModal);
  bar.setMinimumDuration(300);
  bar.setAutoClose(false);
  bar.setAutoReset(false);
  table.RestoreJournal(found.State, [&bar](int done, int total) {
    bar.setMaximum(std::max(total, 1));
    bar.setValue(done);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
  return TOutcome::Recovered;
}
