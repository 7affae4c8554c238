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
  // Opens a document with the program the desktop chooses for its kind (a text file: the desktop's
  // text editor). True when the desktop's opener took it.
  virtual bool OpenDocument(const QString& file) = 0;
};
