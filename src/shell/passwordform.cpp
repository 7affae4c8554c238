#include "shell/passwordform.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  ok->setDefault(true);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &TPasswordForm::OKClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  Password = QString::fromLatin1(DefaultPassword);
  if (TRigConfig* rig = master.Rig(); rig && !rig->RegistryKey.isEmpty()) {
    TRegistry reg;
    if (reg.OpenKey(rig->RegistryKey, true)) {
      Password = reg.ReadStringOrCreate(settings::reg::LecturerPassword, QString::fromLatin1(DefaultPassword));
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
