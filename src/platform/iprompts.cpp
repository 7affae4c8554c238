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

QString ModalResultName(TModalResult result) {
  switch (result) {
    case TModalResult::mrNone: return QStringLiteral("None");
    case TModalResult::mrOk: return QStringLiteral("OK");
    case TModalResult::mrCancel: return QStringLiteral("Cancel");
    case TModalResult::mrYes: return QStringLiteral("Yes");
    case TModalResult::mrNo: return QStringLiteral("No");
  }
  return {};
}
