#include "acquisition/qxanalogueoutputsource.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>

#include "acquisition/iacquisitionhost.h"
#include "ifd/qxifd.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

namespace {
TScheduleEditorFactory gEditorFactory;
}

void TQXAnalogueOutputSource::SetScheduleEditorFactory(TScheduleEditorFactory factory) {
  gEditorFactory = std::move(factory);
}

void TQXAnalogueOutputSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  CreateSpinBox([this] { AnalogueChange(); });
  SetSpinValueSilently(static_cast<int>(numbers::RoundHalfEven(Source.InitialVal())));
  if (AnalogueDataBox) {
    FAOChannelSchedulingActive = true;
    if (gEditorFactory) {
      FTimeProfilingEditor = gEditorFactory(*this);
      if (FTimeProfilingEditor) FTimeProfilingEditor->LoadScheduleForTargetChl(FChannel);
    }
    AnalogueDataBox->installEventFilter(this);
    if (auto* edit = AnalogueDataBox->findChild<QLineEdit*>()) edit->installEventFilter(this);
  }
  FPIDLink = nullptr;
  FAOSchedStatus = PID_NO;
  EnableEditor = Source.NoColumnHintText() != QLatin1String("1");
  // Without typing the arrows still step the demand.
  if (AnalogueDataBox)
    if (auto* edit = AnalogueDataBox->findChild<QLineEdit*>()) edit->setReadOnly(!EnableEditor);
  if (ProgramType() != TProgramType::ClientApp) AnalogueChange();
}

void TQXAnalogueOutputSource::AnalogueChange() {
  current_IFD_value = GetRawFromProcess(SpinValue());
  if (ProgramType() == TProgramType::StandAloneApp && IFD()) IFD()->SetAnalogueValue(OutputNumber(), current_IFD_value);
}

void TQXAnalogueOutputSource::AnalogueSet(double percent) {
  double v = 0;
  const int counts = CountsForPercent(percent, &v);
  current_IFD_value = counts;
  if (ProgramType() != TProgramType::ClientApp && IFD()) IFD()->SetAnalogueValue(OutputNumber(), counts);
  SetSpinValue(static_cast<int>(numbers::RoundHalfEven(v)));
}

void TQXAnalogueOutputSource::OutputProgrammer(Qt::MouseButton Button, bool fromEditor) {
  if ((Button == Qt::RightButton || fromEditor) && Host() && Host()->AutopilotEnabled() && FTimeProfilingEditor)
    FTimeProfilingEditor->ShowEditor();
}

void TQXAnalogueOutputSource::ShowSchedule(QObject* AParent) {
  if (!FTimeProfilingEditor) return;
  OutputProgrammer(Qt::NoButton, true);
  if (auto* w = qobject_cast<QWidget*>(AParent)) FTimeProfilingEditor->PlaceInside(w);
}

void TQXAnalogueOutputSource::FollowSchedule() {
  if (!FTimeProfilingEditor || !FTimeProfilingEditor->FScheduleActive() || !FAOChannelSchedulingActive) return;
  const TProgramType type = ProgramType();
  if (type != TProgramType::ServerApp && type != TProgramType::StandAloneApp) return;
  const double target = FTimeProfilingEditor->GetScheduledProcValue();
  switch (FAOSchedStatus) {
    case PID_NO: SetSpinValue(static_cast<int>(numbers::RoundHalfEven(target))); break;
    case PID_ENGAGED_AUTOMATIC:
      if (FPIDLink) FPIDLink->ResetSetPointFromSchedule(target);
      break;
    case PID_ENGAGED_MANUAL: break;
  }
}

void TQXAnalogueOutputSource::DataWrite() {
  if (Host() && Host()->SchedulingActive()) FollowSchedule();
  if (ProgramType() == TProgramType::ServerApp && IFD()) {
    const int n = OutputNumber();
    if (n >= 0 && n < 4) current_IFD_value = IFD()->AnalogueOutputs[static_cast<size_t>(n)];
    SetSpinValueSilently(static_cast<int>(numbers::RoundHalfEven(ProcessValue())));
  }
  if (Source_Column != 0) WriteNumber(SpinValue());
}

void TQXAnalogueOutputSource::ResetSchedulerChnlTarget(int AChn) {
  if (!FTimeProfilingEditor) return;
  FTimeProfilingEditor->PauseScheduling();
  // Another channel's schedule is a controller's set point, not this output's level: it is read
  // without the output's range.
  FTimeProfilingEditor->SetPIDScheduleEngaged(AChn != FChannel);
  FTimeProfilingEditor->LoadScheduleForTargetChl(AChn);
}

void TQXAnalogueOutputSource::ResetSchedulerMode() {
  if (!FTimeProfilingEditor) return;
  // Only in Automatic is the schedule a set point; otherwise its values are the output's levels.
  FTimeProfilingEditor->SetPIDScheduleEngaged(FAOSchedStatus == PID_ENGAGED_AUTOMATIC);
  FTimeProfilingEditor->ToggleStatusSchedule(FAOSchedStatus == PID_ENGAGED_AUTOMATIC);
}

void TQXAnalogueOutputSource::TellSchedulerPIDProcessVarUnit(const QString& AUnit) {
  if (FTimeProfilingEditor) FTimeProfilingEditor->SetUnitOutPut(AUnit);
}

QString TQXAnalogueOutputSource::TextScheduledTarget() const {
  if (!FPIDLink) return fLong_text;
  switch (FAOSchedStatus) {
    case PID_NO: return fLong_text;
    case PID_ENGAGED_MANUAL: return QStringLiteral("PID MANUAL on ") + FPIDLink->ProcessVariableName();
    case PID_ENGAGED_AUTOMATIC: return QStringLiteral("PID AUTO on ") + FPIDLink->ProcessVariableName();
  }
  return QStringLiteral("Schedule Targer /na");
}

bool TQXAnalogueOutputSource::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress)
    OutputProgrammer(static_cast<QMouseEvent*>(event)->button());
  return TQXIFDAnalogueSource::eventFilter(watched, event);
}
