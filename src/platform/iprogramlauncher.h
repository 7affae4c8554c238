#pragma once
// Starting another program or document by name with a working folder (the word processor, a new
// instance of Quorlex for another exercise).

#include <QString>
#include <QStringList>

class IProgramLauncher {
 public:
  virtual ~IProgramLauncher() = default;
  // True when the program was started.
  virtual bool Start(const QString& program, const QStringList& arguments, const QString& workingDir) = 0;
};
