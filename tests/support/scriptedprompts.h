#pragma once
// A prompt service for tests: records every prompt and answers from a queue of expectations. A
// prompt that nobody expected fails the running test and is answered with the safest answer
// (Cancel / No / OK, no file, no choice).

#include <deque>
#include <optional>
#include <variant>
#include <vector>

#include "platform/iprompts.h"

struct TPromptRecord {
  enum class TKind { Message, OpenFile, SaveFile, Choice, Input } Kind;
  QString Text;               // message text, dialog title, choice text or input prompt
  TMsgDlgType Type = TMsgDlgType::mtInformation;
  TMsgDlgButtons Buttons = TMsgDlgButtons::OK;
  QStringList Items;          // choice items
};

class TScriptedPrompts : public IPrompts {
 public:
  // Installs itself as the program's prompt service; the destructor restores the previous one and
  // fails the test if expectations are left unanswered.
  TScriptedPrompts();
  ~TScriptedPrompts() override;

  // Expect a message whose text contains `textPart` (empty matches any) and answer it.
  TScriptedPrompts& ExpectMessage(const QString& textPart, TModalResult answer = TModalResult::mrOk);
  TScriptedPrompts& ExpectOpenFile(std::optional<QString> answer);
  TScriptedPrompts& ExpectSaveFile(std::optional<QString> answer);
  TScriptedPrompts& ExpectChoice(std::optional<int> answer);
  TScriptedPrompts& ExpectInput(std::optional<QString> answer);

  const std::vector<TPromptRecord>& Records() const { return FRecords; }
  QStringList MessageTexts() const;
  int Pending() const { return static_cast<int>(FQueue.size()); }

  TModalResult MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) override;
  std::optional<QString> OpenFileDialog(const TFileDialogRequest& request) override;
  std::optional<QString> SaveFileDialog(const TFileDialogRequest& request) override;
  std::optional<int> ChooseItem(const TChoiceRequest& request) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt, const QString& initial,
                                   bool password, const TTextDialog& customDialog = {}) override;

 private:
  using TAnswer = std::variant<TModalResult, std::optional<QString>, std::optional<int>>;
  struct TExpectation {
    TPromptRecord::TKind Kind;
    QString TextPart;
    TAnswer Answer;
  };
  // The next expectation if it matches; otherwise reports the failure and returns nothing.
  std::optional<TAnswer> Take(const TPromptRecord& record);

  std::deque<TExpectation> FQueue;
  std::vector<TPromptRecord> FRecords;
};
