#include "support/scriptedprompts.h"

#include <gtest/gtest.h>

#include "platform/services.h"

namespace {
const char* KindName(TPromptRecord::TKind kind) {
  switch (kind) {
    case TPromptRecord::TKind::Message: return "message";
    case TPromptRecord::TKind::OpenFile: return "open dialog";
    case TPromptRecord::TKind::SaveFile: return "save dialog";
    case TPromptRecord::TKind::Choice: return "choice";
    case TPromptRecord::TKind::Input: return "input";
  }
  return "?";
}
}  // namespace

TScriptedPrompts::TScriptedPrompts() { TServices::SetPrompts(this); }

TScriptedPrompts::~TScriptedPrompts() {
  TServices::SetPrompts(nullptr);
  for (const auto& e : FQueue)
    ADD_FAILURE() << "expected " << KindName(e.Kind) << " \"" << e.TextPart.toStdString() << "\" never came";
}

TScriptedPrompts& TScriptedPrompts::ExpectMessage(const QString& textPart, TModalResult answer) {
  FQueue.push_back({TPromptRecord::TKind::Message, textPart, answer});
  return *this;
}
TScriptedPrompts& TScriptedPrompts::ExpectOpenFile(std::optional<QString> answer) {
  FQueue.push_back({TPromptRecord::TKind::OpenFile, {}, answer});
  return *this;
}
TScriptedPrompts& TScriptedPrompts::ExpectSaveFile(std::optional<QString> answer) {
  FQueue.push_back({TPromptRecord::TKind::SaveFile, {}, answer});
  return *this;
}
TScriptedPrompts& TScriptedPrompts::ExpectChoice(std::optional<int> answer) {
  FQueue.push_back({TPromptRecord::TKind::Choice, {}, answer});
  return *this;
}
TScriptedPrompts& TScriptedPrompts::ExpectInput(std::optional<QString> answer) {
  FQueue.push_back({TPromptRecord::TKind::Input, {}, std::optional<QString>(answer)});
  return *this;
}

QStringList TScriptedPrompts::MessageTexts() const {
  QStringList out;
  for (const auto& r : FRecords)
    if (r.Kind == TPromptRecord::TKind::Message) out << r.Text;
  return out;
}

std::optional<TScriptedPrompts::TAnswer> TScriptedPrompts::Take(const TPromptRecord& record) {
  FRecords.push_back(record);
  if (FQueue.empty()) {
    ADD_FAILURE() << "unexpected " << KindName(record.Kind) << ": \"" << record.Text.toStdString() << "\"";
    return std::nullopt;
  }
  const TExpectation e = FQueue.front();
  FQueue.pop_front();  // a mismatch uses the expectation up too, so it is reported once
  if (e.Kind != record.Kind || !record.Text.contains(e.TextPart)) {
    ADD_FAILURE() << "expected " << KindName(e.Kind) << " \"" << e.TextPart.toStdString() << "\" but got "
                  << KindName(record.Kind) << ": \"" << record.Text.toStdString() << "\"";
    return std::nullopt;
  }
  return e.Answer;
}

TModalResult TScriptedPrompts::MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  const auto a = Take({TPromptRecord::TKind::Message, text, kind, buttons, {}});
  if (a) return std::get<TModalResult>(*a);
  switch (buttons) {
    case TMsgDlgButtons::OK: return TModalResult::mrOk;
    case TMsgDlgButtons::YesNo: return TModalResult::mrNo;
    default: return TModalResult::mrCancel;
  }
}

std::optional<QString> TScriptedPrompts::OpenFileDialog(const TFileDialogRequest& request) {
  const auto a = Take({TPromptRecord::TKind::OpenFile, request.Title, {}, {}, {}});
  return a ? std::get<std::optional<QString>>(*a) : std::nullopt;
}

std::optional<QString> TScriptedPrompts::SaveFileDialog(const TFileDialogRequest& request) {
  const auto a = Take({TPromptRecord::TKind::SaveFile, request.Title, {}, {}, {}});
  return a ? std::get<std::optional<QString>>(*a) : std::nullopt;
}

std::optional<int> TScriptedPrompts::ChooseItem(const TChoiceRequest& request) {
  const auto a = Take({TPromptRecord::TKind::Choice, request.Text, {}, {}, request.Items});
  return a ? std::get<std::optional<int>>(*a) : std::nullopt;
}

std::optional<QString> TScriptedPrompts::InputText(const QString& caption, const QString& prompt,
                                                   const QString& initial, bool password,
                                                   const TTextDialog& customDialog) {
  Q_UNUSED(customDialog);
  Q_UNUSED(caption);
  Q_UNUSED(initial);
  Q_UNUSED(password);
  const auto a = Take({TPromptRecord::TKind::Input, prompt, {}, {}, {}});
  return a ? std::get<std::optional<QString>>(*a) : std::nullopt;
}
