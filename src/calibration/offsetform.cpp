#include "calibration/offsetform.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"

namespace {
const QString kValueName = QStringLiteral("TDC Offset");
}

TOffsetForm::TOffsetForm(TRigConfig& rig, QWidget* parent)
    : QDialog(parent), OffsetEdit(new QLineEdit(this)), FRig(rig) {
  setWindowTitle(QStringLiteral("TDC Sensor Offset"));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Offset"), this));
  row->addWidget(OffsetEdit, 1);
  row->addWidget(new QLabel(QStringLiteral("°"), this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TOffsetForm::okClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  OffsetEdit->setMinimumWidth(120);
  setMinimumWidth(280);
  ReadOffset();
}

void TOffsetForm::ReadOffset() {
  try {
    TRegistry& reg = FRig.Reg();
    if (!reg.OpenKey(FRig.RegistryKey, true)) return;
    FOffset = reg.ReadFloatOrCreate(kValueName, 0);
  } catch (const ERegistryError&) {
    // A value of the wrong type is left for the user to overwrite with OK; until then no offset.
    FOffset = 0;
  }
}

void TOffsetForm::showEvent(QShowEvent* event) {
  ReadOffset();
  OffsetEdit->setText(numbers::FloatToStr(FOffset));
  OffsetEdit->selectAll();
  QDialog::showEvent(event);
}

void TOffsetForm::okClick() {
  const auto value = numbers::ParseTypedNumber(OffsetEdit->text());
  if (!value) {
    TServices::Prompts().MessageDlg(
        QStringLiteral("'%1' is not a valid offset: enter the offset in degrees, e.g. 12.5").arg(OffsetEdit->text()),
        TMsgDlgType::mtError, TMsgDlgButtons::OK);
    OffsetEdit->setFocus();
    OffsetEdit->selectAll();
    return;
  }
  FOffset = *value;
  try {
    TRegistry& reg = FRig.Reg();
    if (reg.OpenKey(FRig.RegistryKey, true)) reg.WriteFloat(kValueName, FOffset);
  } catch (const ERegistryError& e) {
    TServices::Prompts().MessageDlg(QStringLiteral("The offset could not be remembered: %1").arg(QString::fromUtf8(e.what())),
                                    TMsgDlgType::mtError, TMsgDlgButtons::OK);
  }
  accept();
}
