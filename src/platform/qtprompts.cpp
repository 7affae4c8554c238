#include "platform/qtprompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

namespace {
void Dress(QMessageBox& box, const QString& caption, const QString& text, TMsgDlgType kind) {
  box.setWindowTitle(caption);
  box.setText(text);
  switch (kind) {
    case TMsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
    case TMsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
    case TMsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
    case TMsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
  }
}
}  // namespace

TModalResult TQtPrompts::MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  return CaptionedMessageDlg(MsgDlgTypeName(kind), text, kind, buttons);
}

TModalResult TQtPrompts::CaptionedMessageDlg(const QString& caption, const QString& text, TMsgDlgType kind,
                                             TMsgDlgButtons buttons) {
  QMessageBox box(QApplication::activeWindow());
  Dress(box, caption, text, kind);
  QMessageBox::StandardButtons set;
  QMessageBox::StandardButton escape = QMessageBox::Ok;
  switch (buttons) {
    case TMsgDlgButtons::OK: set = QMessageBox::Ok; break;
    case TMsgDlgButtons::OKCancel: set = QMessageBox::Ok | QMessageBox::Cancel; escape = QMessageBox::Cancel; break;
    case TMsgDlgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; escape = QMessageBox::No; break;
    case TMsgDlgButtons::YesCancel: set = QMessageBox::Yes | QMessageBox::Cancel; escape = QMessageBox::Cancel; break;
    case TMsgDlgButtons::YesNoCancel:
      set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
  }
  box.setStandardButtons(set);
  box.setEscapeButton(escape);
  switch (box.exec()) {
    case QMessageBox::Ok: return TModalResult::mrOk;
    case QMessageBox::Yes: return TModalResult::mrYes;
    case QMessageBox::No: return TModalResult::mrNo;
    case QMessageBox::Cancel: return TModalResult::mrCancel;
    default: return TModalResult::mrCancel;
  }
}

QString TQtPrompts::QtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return out.join(QStringLiteral(";;"));
}

namespace {
QString StartPath(const TFileDialogRequest& r) {
  if (r.FileName.isEmpty()) return r.InitialDir;
  if (r.InitialDir.isEmpty()) return r.FileName;
  return r.InitialDir + QLatin1Char('/') + r.FileName;
}
}  // namespace

std::optional<QString> TQtPrompts::OpenFileDialog(const TFileDialogRequest& request) {
  const QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), request.Title,
                                                    StartPath(request), QtFilter(request.Filter));
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> TQtPrompts::SaveFileDialog(const TFileDialogRequest& request) {
  QFileDialog dlg(QApplication::activeWindow(), request.Title, StartPath(request), QtFilter(request.Filter));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setDefaultSuffix(request.DefaultExt);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().first();
}

std::optional<int> TQtPrompts::ChooseItem(const TChoiceRequest& request) {
  if (request.CustomDialog) return request.CustomDialog();
  bool ok = false;
  const QString item = QInputDialog::getItem(QApplication::activeWindow(), request.Caption, request.Text,
                                             request.Items, request.Default, false, &ok);
  if (!ok) return std::nullopt;
  const int index = static_cast<int>(request.Items.indexOf(item));
  if (index < 0) return std::nullopt;
  return index;
}

std::optional<QString> TQtPrompts::InputText(const QString& caption, const QString& prompt,
                                             const QString& initial, bool password,
                                             const TTextDialog& customDialog) {
  if (customDialog) return customDialog();
  bool ok = false;
  const QString text = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                             password ? QLineEdit::Password : QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

void TQtPrompts::Notice(const QString& text, TMsgDlgType kind) {
  static QList<QPointer<QMessageBox>> open;
  open.removeAll(nullptr);
  for (const QPointer<QMessageBox>& shown : open)
    if (shown->text() == text) return;
  auto* box = new QMessageBox(QApplication::activeWindow());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  Dress(*box, MsgDlgTypeName(kind), text, kind);
  box->setStandardButtons(QMessageBox::Ok);
  open << box;
  box->show();
}
