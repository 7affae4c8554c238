#include "platform/iprompts.h"

QString MsgDlgTypeName(TMsgDlgType kind) {
  switch (kind) {
    case TMsgDlgType::mtError: return QStringLiteral("Error");
    case TMsgDlgType::mtWarning: return QStringLiteral("Warning");
    case TMsgDlgType::mtInformation: return QStringLiteral("Information");
    case TMsgDlgType::mtConfirmation: return QStringLiteral("Confirm");
  }
  return {};
}

