#include "shell/changepassword.h"

#include <QFormLayout>
#include <QDialogButtonBox>
#include <QLineEdit>

#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "shell/passwordform.h"

TChangePassword::TChangePassword(TPasswordForm& passwordForm)
    : QDialog(passwordForm.parentWidget()), FPasswordForm(passwordForm) {
  setWindowTitle(QStringLiteral(" Change Password"));
  auto* form = new QFormLayout(this);
  Current = new QLineEdit(this);
  New = new QLineEdit(this);
  Confirm = new QLineEdit(this);
  for (QLineEdit* e : {Current, New, Confirm}) e->setEchoMode(QLineEdit::Password);
  form->addRow(QStringLiteral("Enter current password:"), Current);
  form->addRow(QStringLiteral("Enter new password:"), New);
  form->addRow(QStringLiteral("Confirm new password:"), Confirm);
  // OK checks first and closes only when the password passes.
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(box);
  connect(box, &QDialogButtonBox::accepted, this, &TChangePassword::OKClick);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TChangePassword::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  for (QLineEdit* e : {Current, New, Confirm}) e->clear();
  Current->setFocus();
}

void TChangePassword::OKClick() {
  if (Current->text().toUpper() != FPasswordForm.Password.toUpper()) {
    TServices::Prompts().MessageDlg(QString::fromLatin1(TPasswordForm::Incorrect), TMsgDlgType::mtError,
                                    TMsgDlgButtons::OK);
    Current->selectAll();
    return;
  }
  if (New->text().toUpper() != Confirm->text().toUpper()) {
    TServices::Prompts().MessageDlg(QString::fromLatin1(Mismatch), TMsgDlgType::mtError, TMsgDlgButtons::OK);
    New->clear();
    Confirm->clear();
    New->setFocus();
    return;
  }
  FPasswordForm.Password = New->text();
  if (TRigConfig* rig = TServices::Rig(); rig && !rig->RegistryKey.isEmpty()) {
    TRegistry reg;
    if (reg.OpenKey(rig->RegistryKey, true)) reg.WriteString(settings::reg::LecturerPassword, New->text().toLower());
  }
  accept();
}
