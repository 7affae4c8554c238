#include "support/recordinglauncher.h"

#include "platform/services.h"

TRecordingLauncher::TRecordingLauncher(bool succeed) : FSucceed(succeed) { TServices::SetLauncher(this); }

TRecordingLauncher::~TRecordingLauncher() { TServices::SetLauncher(nullptr); }

bool TRecordingLauncher::Start(const QString& program, const QStringList& arguments, const QString& workingDir) {
  FLaunches.push_back({program, arguments, workingDir});
  return FSucceed;
}

bool TRecordingLauncher::OpenDocument(const QString& file) {
  FLaunches.push_back({QStringLiteral("open"), {file}, QString()});
  return FSucceed;
}
