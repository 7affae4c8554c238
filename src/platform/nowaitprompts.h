#pragma once
// The prompt service as seen from inside a no-wait zone: it never opens a dialog or waits. A
// message goes to the installed service as a non-modal notice; a question gets its cautious answer
// (OK for a plain message, Cancel or No otherwise, no file, no choice, no text) and the user is
// told what was not asked.

#include "platform/iprompts.h"

class TNoWaitPrompts : public IPrompts {
 public:
  // `target` gives the installed service, asked for notices only.
  using TTarget = IPrompts& (*)();
  explicit TNoWaitPrompts(TTarget target) : FTarget(target) {}

  TModalResult MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) override;
  std::optional<QString> OpenFileDialog(const TFileDialogRequest& request) override;
  std::optional<QString> SaveFileDialog(const TFileDialogRequest& request) override;
  std::optional<int> ChooseItem(const TChoiceRequest& request) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt, const QString& initial,
                                   bool password, const TTextDialog& customDialog = {}) override;

  // How many prompts were turned away in any zone since start-up (for checks and tests).
  static int Refused();

 private:
  void NotAsked(const QString& what);
  // Hands the notice to the installed service on the user-interface thread.
  void Forward(const QString& text, TMsgDlgType kind);
  TTarget FTarget;
};
