#include "platform/nowaitprompts.h"

#include <atomic>

#include <QCoreApplication>
#include <QThread>

#include "platform/inotices.h"
#include "platform/nowaitzone.h"

namespace {
std::atomic<int> gRefused{0};

void Say(IPrompts& prompts, const QString& text, TMsgDlgType kind) {
  if (auto* notices = dynamic_cast<INotices*>(&prompts))
    notices->Notice(text, kind);
  else
    prompts.MessageDlg(text, kind, TMsgDlgButtons::OK);  // a service without windows waits for nobody
}
}  // namespace

int TNoWaitPrompts::Refused() { return gRefused.load(); }

void TNoWaitPrompts::NotAsked(const QString& what) {
  ++gRefused;
  Forward(QStringLiteral("%1 was not asked: %2 does not wait for an answer.")
                     .arg(what, QString::fromLatin1(TNoWaitZone::Where())),
                 TMsgDlgType::mtWarning);
}

TModalResult TNoWaitPrompts::MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  ++gRefused;
  Forward(text, kind);
  switch (buttons) {
    case TMsgDlgButtons::OK:
    case TMsgDlgButtons::OKCancel: return buttons == TMsgDlgButtons::OK ? TModalResult::mrOk : TModalResult::mrCancel;
    case TMsgDlgButtons::YesNo: return TModalResult::mrNo;
    case TMsgDlgButtons::YesNoCancel:
    case TMsgDlgButtons::YesCancel: return TModalResult::mrCancel;
  }
  return TModalResult::mrCancel;
}

std::optional<QString> TNoWaitPrompts::OpenFileDialog(const TFileDialogRequest& request) {
  NotAsked(QStringLiteral("\"%1\"").arg(request.Title));
  return std::nullopt;
}

std::optional<QString> TNoWaitPrompts::SaveFileDialog(const TFileDialogRequest& request) {
  NotAsked(QStringLiteral("\"%1\"").arg(request.Title));
  return std::nullopt;
}

std::optional<int> TNoWaitPrompts::ChooseItem(const TChoiceRequest& request) {
  NotAsked(QStringLiteral("\"%1\"").arg(request.Text));
  return std::nullopt;
}

std::optional<QString> TNoWaitPrompts::InputText(const QString& caption, const QString& prompt, const QString&,
                                                 bool, const TTextDialog&) {
  NotAsked(QStringLiteral("\"%1\"").arg(prompt.isEmpty() ? caption : prompt));
  return std::nullopt;
}

void TNoWaitPrompts::Forward(const QString& text, TMsgDlgType kind) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    Say(FTarget(), text, kind);
    return;
  }
  const TTarget target = FTarget;
  QMetaObject::invokeMethod(app, [target, text, kind] { Say(target(), text, kind); }, Qt::QueuedConnection);
}
