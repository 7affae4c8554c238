#pragma once
// Where an installed copy keeps its shared data (<prefix>/share/quorlex, found from the
// executable's own folder, so an installation can be moved), and how a rig named on the command
// line is found there.

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
};
