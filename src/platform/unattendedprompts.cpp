#include "platform/unattendedprompts.h"

#include <cstdio>

namespace {
void Note(const QString& kind, const QString& text) {
  std::fprintf(stderr, "quorlex: %s: %s (answered without asking)\n", qPrintable(kind), qPrintable(text));
}
}  // namespace

TModalResult TUnattendedPrompts::MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  Note(MsgDlgTypeName(kind), text);
  switch (buttons) {
    case TMsgDlgButtons::OK:
    case TMsgDlgButtons::OKCancel: return TModalResult::mrOk;
    case TMsgDlgButtons::YesCancel:
    case TMsgDlgButtons::YesNo:
    case TMsgDlgButtons::YesNoCancel: return TModalResult::mrYes;
  }
  return TModalResult::mrOk;
}

std::optional<QString> TUnattendedPrompts::OpenFileDialog(const TFileDialogRequest& request) {
  Note(QStringLiteral("open dialog"), request.Title);
  return std::nullopt;
}

std::optional<QString> TUnattendedPrompts::SaveFileDialog(const TFileDialogRequest& request) {
  Note(QStringLiteral("save dialog"), request.Title);
  return std::nullopt;
}

std::optional<int> TUnattendedPrompts::ChooseItem(const TChoiceRequest& request) {
  Note(QStringLiteral("choice"), request.Text);
  if (request.Items.isEmpty()) return std::nullopt;
  return request.Default;
}

std::optional<QString> TUnattendedPrompts::InputText(const QString& caption, const QString& prompt,
                                                     const QString& initial, bool password,
                                                     const TTextDialog& customDialog) {
  Q_UNUSED(password);
  Q_UNUSED(customDialog);
  Note(caption, prompt);
  return initial;
}
