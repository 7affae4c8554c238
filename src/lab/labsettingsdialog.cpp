#include "lab/labsettingsdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "lab/labconnection.h"
#include "platform/iprompts.h"
#include "platform/services.h"

TLabSettingsDialog::TLabSettingsDialog(const TLabSettings& settings, QWidget* parent) : QDialog(parent), FInitial(settings) {
  setWindowTitle(QStringLiteral("Lab Network"));
  auto* form = new QFormLayout;
  FEnabled = new QCheckBox(QStringLiteral("Take part in the lab network"), this);
  FEnabled->setChecked(settings.Enabled);
  form->addRow(FEnabled);
  FHost = new QLineEdit(settings.Host, this);
  FHost->setPlaceholderText(QStringLiteral("broker host name or address"));
  form->addRow(QStringLiteral("Broker:"), FHost);
  FPort = new QSpinBox(this);
  FPort->setRange(1, 65535);
  FPort->setValue(settings.Port);
  form->addRow(QStringLiteral("Port:"), FPort);
  FLab = new QLineEdit(settings.Lab, this);
  form->addRow(QStringLiteral("Lab name:"), FLab);
  FStation = new QLineEdit(settings.Station, this);
  FStation->setPlaceholderText(QHostInfo::localHostName());
  form->addRow(QStringLiteral("Station name:"), FStation);
  FUser = new QLineEdit(settings.User, this);
  form->addRow(QStringLiteral("User name:"), FUser);
  FPassword = new QLineEdit(settings.Password, this);
  FPassword->setEchoMode(QLineEdit::Password);
  form->addRow(QStringLiteral("Password:"), FPassword);
  FCaFile = new QLineEdit(settings.CaFile, this);
  FCaFile->setPlaceholderText(QStringLiteral("none: no TLS"));
  form->addRow(QStringLiteral("TLS CA file:"), FCaFile);
  FCertFile = new QLineEdit(settings.CertFile, this);
  FCertFile->setPlaceholderText(QStringLiteral("optional"));
  form->addRow(QStringLiteral("Client certificate:"), FCertFile);
  FKeyFile = new QLineEdit(settings.KeyFile, this);
  FKeyFile->setPlaceholderText(QStringLiteral("optional"));
  form->addRow(QStringLiteral("Client key:"), FKeyFile);

  FTest = new QPushButton(QStringLiteral("&Test connection"), this);
  FResult = new QLabel(this);
  FResult->setWordWrap(true);
  FResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
  connect(FTest, &QPushButton::clicked, this, &TLabSettingsDialog::TestConnection);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TLabSettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(FTest, 0, Qt::AlignLeft);
  layout->addWidget(FResult);
  layout->addWidget(new QLabel(QStringLiteral("Kept for this user on this machine: %1").arg(TLabSettings::SettingsFile()), this));
  layout->addWidget(buttons);
}

TLabSettingsDialog::~TLabSettingsDialog() = default;

TLabSettings TLabSettingsDialog::Settings() const {
  TLabSettings s = FInitial;
  s.Enabled = FEnabled->isChecked();
  s.Host = FHost->text().trimmed();
  s.Port = FPort->value();
  s.Lab = FLab->text().trimmed().isEmpty() ? QStringLiteral("lab") : FLab->text().trimmed();
  s.Station = FStation->text().trimmed();
  s.User = FUser->text();
  s.Password = FPassword->text();
  s.CaFile = FCaFile->text().trimmed();
  s.CertFile = FCertFile->text().trimmed();
  s.KeyFile = FKeyFile->text().trimmed();
  return s;
}

QString TLabSettingsDialog::TestResult() const { return FResult->text(); }

void TLabSettingsDialog::TestConnection() {
  const TLabSettings s = Settings();
  if (s.Host.isEmpty()) {
    FResult->setText(QStringLiteral("Name the broker's host first."));
    emit TestDone(FResult->text());
    return;
  }
  FTest->setEnabled(false);
  FResult->setText(QStringLiteral("Testing %1:%2...").arg(s.Host).arg(s.Port));
  FProbe = std::make_unique<TLabConnection>(s, QStringLiteral("quorlex-test"));
  FProbe->SetProbe(true);
  connect(FProbe.get(), &TLabConnection::Finished, this, [this](bool, const QString& text) {
    FResult->setText(text);
    FTest->setEnabled(true);
    // The probe's thread has ended or ends now; it goes once this signal is over.
    QTimer::singleShot(0, this, [this] { FProbe.reset(); });
    emit TestDone(text);
  });
  FProbe->Start();
}

void TLabSettingsDialog::accept() {
  const TLabSettings s = Settings();
  if (s.Enabled && s.Host.isEmpty()) {
    TServices::Prompts().MessageDlg(QStringLiteral("Name the broker's host, or leave the lab network off."),
                                    TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    return;
  }
  QString error;
  if (!s.Save(&error)) {
    TServices::Prompts().MessageDlg(QStringLiteral("The lab network settings were not saved: %1").arg(error),
                                    TMsgDlgType::mtError, TMsgDlgButtons::OK);
    return;
  }
  QDialog::accept();
}
