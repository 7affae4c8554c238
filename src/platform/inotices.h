#pragma once
// Messages that do not wait for the user: shown beside the work, answered by nobody. A prompt
// service that can show them implements this too; one that cannot is given them as plain messages
// (it has no window to wait in).

#include <QString>

#include "platform/iprompts.h"

class INotices {
 public:
  virtual ~INotices() = default;
  virtual void Notice(const QString& text, TMsgDlgType kind) = 0;
};
