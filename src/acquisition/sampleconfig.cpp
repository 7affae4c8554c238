#include "acquisition/sampleconfig.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "acquisition/iloggerhost.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "rigconfig/helprequests.h"

namespace {
constexpr int kIntervalFactor[] = {60000, 1000, 1};  // mins, secs, msecs
constexpr int kDurationFactor[] = {3600, 60, 1};     // hrs, mins, secs
constexpr std::int64_t kDayMs = 86400000;
}  // namespace

TSampleConfig::TSampleConfig(ILoggerHost* host, const QString& registryKey, QWidget* parent)
    : QDialog(parent), FHost(host), FRegistryKey(registryKey) {
  setWindowTitle(QStringLiteral("Sample Configuration"));
  auto* layout = new QVBoxLayout(this);
  ManualButton = new QRadioButton(QStringLiteral("Manual"), this);
  AutomaticButton = new QRadioButton(QStringLiteral("Automatic"), this);
  auto* mode = new QHBoxLayout;
  mode->addWidget(ManualButton);
  mode->addWidget(AutomaticButton);
  layout->addLayout(mode);

  FAutomaticGroup = new QGroupBox(QStringLiteral("Automatic Sampling Parameters"), this);
  auto* grid = new QGridLayout(FAutomaticGroup);
  IntervalEdit = new QLineEdit(FAutomaticGroup);
  IntervalUnits = new QComboBox(FAutomaticGroup);
  IntervalUnits->addItems({QStringLiteral("mins"), QStringLiteral("secs"), QStringLiteral("msecs")});
  ContinuousButton = new QRadioButton(QStringLiteral("Continuous"), FAutomaticGroup);
  FixedButton = new QRadioButton(QStringLiteral("Fixed Duration"), FAutomaticGroup);
  DurationEdit = new QLineEdit(FAutomaticGroup);
  DurationUnits = new QComboBox(FAutomaticGroup);
  DurationUnits->addItems({QStringLiteral("hrs"), QStringLiteral("mins"), QStringLiteral("secs")});
  grid->addWidget(new QLabel(QStringLiteral("Sample Interval"), FAutomaticGroup), 0, 0);
  grid->addWidget(IntervalEdit, 0, 1);
  grid->addWidget(IntervalUnits, 0, 2);
  grid->addWidget(ContinuousButton, 1, 0);
  grid->addWidget(FixedButton, 2, 0);
  grid->addWidget(DurationEdit, 2, 1);
  grid->addWidget(DurationUnits, 2, 2);
  layout->addWidget(FAutomaticGroup);
  // The two choices are separate groups of radio buttons.
  auto* modeGroup = new QButtonGroup(this);
  modeGroup->addButton(ManualButton);
  modeGroup->addButton(AutomaticButton);
  auto* runGroup = new QButtonGroup(this);
  runGroup->addButton(ContinuousButton);
  runGroup->addButton(FixedButton);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  ok->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &TSampleConfig::OKClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [] {
    if (TServices::Rig()) TServices::Rig()->ShellStringHelp(QLatin1String(helptopics::kSampleConfiguration));
  });
  for (QRadioButton* b : {ManualButton, AutomaticButton, ContinuousButton, FixedButton})
    connect(b, &QRadioButton::toggled, this, &TSampleConfig::UpdateEnabling);
}

void TSampleConfig::Load() {
  ManualButton->setChecked(FManual_Sample);
  AutomaticButton->setChecked(!FManual_Sample);
  ContinuousButton->setChecked(FFreeRun_Mode);
  FixedButton->setChecked(!FFreeRun_Mode);
  int unit = FInterval % 1000 != 0 ? 2 : FInterval % 60000 != 0 ? 1 : 0;
  IntervalEdit->setText(QString::number(FInterval / kIntervalFactor[unit]));
  IntervalUnits->setCurrentIndex(unit);
  unit = FDuration % 60 != 0 ? 2 : FDuration % 3600 != 0 ? 1 : 0;
  DurationEdit->setText(QString::number(FDuration / kDurationFactor[unit]));
  DurationUnits->setCurrentIndex(unit);
  UpdateEnabling();
}

void TSampleConfig::UpdateEnabling() {
  FAutomaticGroup->setEnabled(AutomaticButton->isChecked());
  DurationEdit->setEnabled(FixedButton->isChecked());
  DurationUnits->setEnabled(FixedButton->isChecked());
}

bool TSampleConfig::Ask(const char* question) {
  return TServices::Prompts().MessageDlg(QString::fromLatin1(question), TMsgDlgType::mtInformation,
                                         TMsgDlgButtons::YesNo) == TModalResult::mrYes;
}

void TSampleConfig::OKClick() {
  const auto intervalNumber = numbers::ParseTypedInteger(IntervalEdit->text());
  const std::int64_t interval =
      intervalNumber ? *intervalNumber * kIntervalFactor[std::max(0, IntervalUnits->currentIndex())] : 0;
  // An interval must be positive and under a day, or the timing arithmetic breaks.
  if (!intervalNumber || interval <= 0 || interval >= kDayMs) {
    TServices::Prompts().MessageDlg(QString::fromLatin1(BadInterval), TMsgDlgType::mtError, TMsgDlgButtons::OK);
    IntervalEdit->setFocus();
    return;
  }
  const bool manual = ManualButton->isChecked();
  const bool fixed = FixedButton->isChecked();
  bool close = true;
  const auto durationNumber = numbers::ParseTypedInteger(DurationEdit->text());
  const std::int64_t duration =
      durationNumber ? *durationNumber * kDurationFactor[std::max(0, DurationUnits->currentIndex())] : -1;
  if (!durationNumber || duration < 0 || duration > INT32_MAX / 1000) {
    TServices::Prompts().MessageDlg(QString::fromLatin1(BadDuration), TMsgDlgType::mtError, TMsgDlgButtons::OK);
    DurationEdit->setFocus();
    close = false;
  } else if (!manual) {
    const double seconds = interval / 1000.0;
    if (interval < 500 && !Ask(FastRate)) close = false;
    if (close && fixed && seconds * 10 > duration && !Ask(FewSamples)) close = false;
    if (close && fixed && seconds * 1000 < duration && !Ask(ManySamples)) close = false;
  }
  if (close) {
    FManual_Sample = manual;
    FFreeRun_Mode = !fixed;
    FInterval = static_cast<int>(interval);
    FDuration = static_cast<int>(duration);
    if (FHost) {
      FHost->SetSampleInterval(FInterval);
      if (!manual) FHost->UpdateStatusBar();
    }
    accept();
  }
  if (!FRegistryKey.isEmpty()) {
    TRegistry reg;
    if (reg.OpenKey(FRegistryKey, true)) reg.WriteInteger(settings::reg::SampleInterval, static_cast<int>(interval));
  }
}
