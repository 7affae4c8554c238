#pragma once

#include "platform/icaptionedprompts.h"
#include "platform/inotices.h"
#include "platform/iprompts.h"

// Prompts as Qt's modal dialogs.
class TQtPrompts : public IPrompts, public INotices, public ICaptionedPrompts {
 public:
  TModalResult MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) override;
  TModalResult CaptionedMessageDlg(const QString& caption, const QString& text, TMsgDlgType kind,
                                   TMsgDlgButtons buttons) override;
  std::optional<QString> OpenFileDialog(const TFileDialogRequest& request) override;
  std::optional<QString> SaveFileDialog(const TFileDialogRequest& request) override;
  std::optional<int> ChooseItem(const TChoiceRequest& request) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                   const QString& initial, bool password,
                                   const TTextDialog& customDialog = {}) override;
  // A message box that stays open beside the work; the same text is not opened twice at once.
  void Notice(const QString& text, TMsgDlgType kind) override;

  // "Text|*.txt|All Files|*.*" -> "Text (*.txt);;All Files (*)"
  static QString QtFilter(const QString& filter);
};
