#include "shell/passwordform.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "shell/master.h"

TPasswordForm::TPasswordForm(TMaster& master) : QDialog(&master), Edit(new QLineEdit(this)), FMaster(master) {
  setWindowTitle(QStringLiteral("Enter Password"));
  Edit->setEchoMode(QLineEdit::Password);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Enter Password:"), this));
  layout->addWidget(Edit);
  // OK checks first and closes only when the password passes.
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(box);
  connect(box, &QDialogButtonBox::accepted, this, &TPasswordForm::OKClick);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Password = QString::fromLatin1(settings::reg::LecturerPasswordDefault);
  if (TRigConfig* rig = master.Rig(); rig && !rig->RegistryKey.isEmpty()) {
    TRegistry reg;
    if (reg.OpenKey(rig->RegistryKey, true)) {
      Password = reg.ReadStringOrCreate(settings::reg::LecturerPassword, QString::fromLatin1(settings::reg::LecturerPasswordDefault));
      reg.CloseKey();
    }
  }
}

void TPasswordForm::OKClick() {
  if (Edit->text().toUpper() != Password.toUpper()) {
    TServices::Prompts().MessageDlg(QString::fromLatin1(Incorrect), TMsgDlgType::mtError, TMsgDlgButtons::OK);
    Edit->selectAll();
    return;
  }
  FMaster.EnterLecturerMode();
  accept();
}
