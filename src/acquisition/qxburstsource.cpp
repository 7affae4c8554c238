#include "acquisition/qxburstsource.h"

#include <QCoreApplication>
#include <QLineEdit>

#include "acquisition/capturedrun.h"
#include "acquisition/iloggerhost.h"
#include "acquisition/isampletable.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxlist.h"
#include "acquisition/qxloggerpanel.h"
#include "acquisition/sensorhistoryform.h"
#include "ifd/qxifd.h"
#include "platform/hourglass.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

void TQXBurstSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  if (Display_Box) Display_Box->hide();
  // The card's buffers hold 2000 samples per channel: a longer (or unset) duration takes them all.
  const int duration = Rig() ? Rig()->Duration : 0;
  Samples = duration >= 1 && duration <= TIFDState::BurstSamples ? duration : TIFDState::BurstSamples;
  FirstChannel = Source.MimicData_X_Pos();
  SecondChannel = Source.MimicData_Y_Pos();
}

TCalibrationTable TQXBurstSource::TableOf(int channel) {
  if (const TQXAnalogueInputSource* in = TQXList::Loaded().FindAI(channel)) return in->Calibration;
  TCalibrationTable identity;
  identity.Build({});
  return identity;
}

bool TQXBurstSource::Start(TQXLoggerPanel& panel) {
  ILoggerHost* host = panel.Host();
  TQXIFD* ifd = IFD();
  if (host) host->SetSampleNowEnabled(false);
  bool captured = false;
  if (ifd) {
    ifd->SetBurstChannel(FirstChannel, SecondChannel);
    if (TQXDataList* list = TServices::DataList()) list->TakeSample(1);
    if (host)
      host->SetSampleStatus(FChannel != 0
                                ? QStringLiteral("Data Capture in progress - trigger channel ") + QString::number(FChannel)
                                : QStringLiteral("Data Capture in progress - software trigger"));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    THourglass busy;
    captured = ifd->GetBurst(FChannel);
  }
  if (!captured) {
    TServices::Prompts().MessageDlg(QString::fromLatin1(FailedText), TMsgDlgType::mtError, TMsgDlgButtons::OK);
  } else {
    // The tables are copied now: a calibration changed later does not change this run.
    const TCalibrationTable first = TableOf(FirstChannel), second = TableOf(SecondChannel);
    TCapturedRun run;
    run.SecondsPerSample = SecondsPerSample;
    run.ColumnOne = Source_Column;
    run.ColumnTwo = Source_Column + 1;
    for (int k = 0; k < Samples; ++k) {
      run.One.push_back(first.Process(ifd->Ch1Vals[static_cast<size_t>(k)]));
      run.Two.push_back(second.Process(ifd->Ch2Vals[static_cast<size_t>(k)]));
    }
    if (ISampleTable* table = panel.Table()) table->WriteCaptureRun(run);
    panel.Sample_Transfer_Count = Samples + 1;
  }
  panel.ResumeLogger();
  if (TSensorHistoryForm* history = panel.SensorHistory(); history && history->isVisible()) history->Resume();
  if (host) host->SetSampleNowEnabled(true);
  return captured;
}
