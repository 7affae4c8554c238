#pragma once
// Prompts for an unattended run (a screenshot, a demo on a machine nobody watches): every question
// gets its default answer without a window, and its text is written to standard error.

#include "platform/iprompts.h"

class TUnattendedPrompts : public IPrompts {
 public:
  TModalResult MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) override;
  std::optional<QString> OpenFileDialog(const TFileDialogRequest& request) override;
  std::optional<QString> SaveFileDialog(const TFileDialogRequest& request) override;
  std::optional<int> ChooseItem(const TChoiceRequest& request) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt, const QString& initial,
                                   bool password, const TTextDialog& customDialog = {}) override;
};
