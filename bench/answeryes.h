#pragma once
// A prompt service for benchmarks that drive the windows: every question is answered Yes (or OK),
// file dialogs are cancelled, and the messages shown are counted.

#include <optional>

#include <QString>

#include "platform/iprompts.h"

class TAnswerYes : public IPrompts {
 public:
  TModalResult MessageDlg(const QString&, TMsgDlgType, TMsgDlgButtons buttons) override {
    ++Messages;
    return buttons == TMsgDlgButtons::YesNo ? TModalResult::mrYes : TModalResult::mrOk;
  }
  std::optional<QString> OpenFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<QString> SaveFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<int> ChooseItem(const TChoiceRequest&) override { return std::nullopt; }
  std::optional<QString> InputText(const QString&, const QString&, const QString&, bool, const TTextDialog&) override {
    return std::nullopt;
  }
  int Messages = 0;
};
