#pragma once
// Loads a rig without windows and reports what it found and every problem, for rig authors
// ("quorlex --check-rig FOLDER") and for tests.

#include <QString>
#include <QTextStream>

class TRigChecker {
 public:
  // Writes the report to `out`; true when the rig loaded cleanly.
  static bool Check(const QString& folder, QTextStream& out);
};
