#pragma once
// Where an installed copy keeps its shared data (<prefix>/share/quorlex, found from the
// executable's own folder, so an installation can be moved), how a rig named on the command line
// is found there, and where settings go so that nothing installed is ever written.

#include <QList>
#include <QString>

class TInstalledData {
 public:
  // <prefix>/share/quorlex for a program in <prefix>/bin; empty when not installed (a build tree).
  // QUORLEX_DATA_DIR overrides it.
  static QString DataDir();
  // The user's own copies of installed rigs: <data home>/quorlex/rigs (writable, unlike DataDir()).
  static QString UserRigsDir();
  // A rig given as --rig VALUE: an existing folder as it is; otherwise a bare name ("demo") of the
  // user's copy of a rig, else of an installed rig; otherwise VALUE unchanged, for the caller to report.
  static QString ResolveRig(const QString& value);

  // A rig on offer when none was named: the user's copies first, then the installed rigs.
  struct TRigOffer {
    QString Name, Folder;
    bool Installed = false;
  };
  static QList<TRigOffer> AvailableRigs();

  // Where the program's own settings files live: <config home>/Veltrim.
  static QString SettingsDir();
  // The settings file of a rig (its Configuration.ini) as the program reads and writes it: the file
  // itself in a rig the user may change; for an installed rig, or one the user may not write, the
  // user's own copy under SettingsDir()/rigs/<the file's absolute folder>, made from the rig's file
  // on first use, so the rig itself is never written.
  static QString WritableSettingsFile(const QString& rigFile);
};
