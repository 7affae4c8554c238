#pragma once
// The prompt service: every question or message to the user goes through it, so that tests can
// answer them and check their texts.

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

enum class TMsgDlgType { mtError, mtWarning, mtInformation, mtConfirmation };
enum class TMsgDlgButtons { OK, OKCancel, YesNo, YesNoCancel, YesCancel };
enum class TModalResult { mrNone, mrOk, mrCancel, mrYes, mrNo };

struct TFileDialogRequest {
  QString Title;
  QString Filter;       // "Description|*.ext;*.ext2|All Files|*.*"
  QString InitialDir;
  QString FileName;     // proposed name
  QString DefaultExt;   // without the dot
};

struct TChoiceRequest {
  QString Caption;
  QString Text;
  QStringList Items;
  int Default = 0;
  // A dialog of the program's own that asks this question (an exercise list, a port list); the
  // Qt service runs it instead of its plain list, a test responder answers without it.
  std::function<std::optional<int>()> CustomDialog;
};

class IPrompts {
 public:
  virtual ~IPrompts() = default;
  virtual TModalResult MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) = 0;
  // A chosen path, or nothing when the user cancelled.
  virtual std::optional<QString> OpenFileDialog(const TFileDialogRequest& request) = 0;
  virtual std::optional<QString> SaveFileDialog(const TFileDialogRequest& request) = 0;
  // Index of the chosen item, or nothing when cancelled.
  virtual std::optional<int> ChooseItem(const TChoiceRequest& request) = 0;
  // A line of text typed by the user (password boxes mask it), or nothing when cancelled.
  // `customDialog`, when given, is the program's own dialog asking it (a test responder answers
  // without it).
  using TTextDialog = std::function<std::optional<QString>()>;
  virtual std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                           const QString& initial, bool password,
                                           const TTextDialog& customDialog = {}) = 0;
};

// The caption a message box of this kind has.
QString MsgDlgTypeName(TMsgDlgType kind);
