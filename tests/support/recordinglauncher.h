#pragma once
// A program launcher for tests: records what would have been started. Installs itself while alive.

#include <vector>

#include "platform/iprogramlauncher.h"

class TRecordingLauncher : public IProgramLauncher {
 public:
  struct TLaunch {
    QString Program;
    QStringList Arguments;
    QString WorkingDir;
  };
  explicit TRecordingLauncher(bool succeed = true);
  ~TRecordingLauncher() override;

  bool Start(const QString& program, const QStringList& arguments, const QString& workingDir) override;
  // Recorded as a launch of the program "open" with the file as its argument.
  bool OpenDocument(const QString& file) override;
  const std::vector<TLaunch>& Launches() const { return FLaunches; }

 private:
  bool FSucceed;
  std::vector<TLaunch> FLaunches;
};
