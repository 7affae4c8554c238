#include "acquisition/qxpumptimersource.h"

#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "acquisition/iacquisitionhost.h"
#include "acquisition/qxloggerpanel.h"
#include "ifd/qxifd.h"
#include "platform/filenames.h"
#include "platform/hourglass.h"
#include "platform/iclock.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

namespace {
constexpr int kPanelX = 352, kPanelY = 50, kPanelWidth = 55;
constexpr double kMsPerDay = 86400000.0;
constexpr double kMinInterval = 800, kMaxInterval = 1250;
}  // namespace

TQXPumpTimerSource::~TQXPumpTimerSource() {
  delete StartButton;
  delete Panel;
}

void TQXPumpTimerSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  TQXIFDAnalogueSource::RegisterParent(DisplayParent, Source);
  if (FHasPosition && DisplayParent) {
    StartButton = new QPushButton(fLong_text, DisplayParent);
    StartButton->setFont(SourceFont());
    StartButton->setGeometry(FDataX, FDataY, FWidth, 25);
    StartButton->setToolTip(FHint);
    StartButton->show();
    StartButton->raise();
    connect(StartButton, &QPushButton::clicked, this, [this] { Start(); });
  }
  if (Display_Box) Display_Box->hide();
  Timing = false;
  Channel = Source.IFD_Channel();
  analogue = Channel > 0;
  if (!analogue) {
    Channel = -(Source.IFD_Channel() + 1);
    Channel2 = -(static_cast<int>(numbers::RoundHalfEven(Source.InitialVal())) + 1);
  } else if (DisplayParent) {
    Panel = new QWidget(DisplayParent);
    Panel->setGeometry(kPanelX, kPanelY, kPanelWidth, 355);
    Panel->setAutoFillBackground(true);
    Panel->setBackgroundRole(QPalette::Button);
    Picture = new QLabel(Panel);
    Picture->setScaledContents(true);
    if (Rig()) Picture->setPixmap(QPixmap(filenames::Resolve(Rig()->PathName, QStringLiteral("empty.bmp"))));
    Picture->setAttribute(Qt::WA_TranslucentBackground);
    Panel->show();
  }
  // The timer takes its own samples: the user's sampling commands are off.
  if (IAcquisitionHost* host = Host()) host->DisableSamplingCommands();
  Counter = 0;
  Idle = [] {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  };
}

bool TQXPumpTimerSource::Input(int line) const {
  const TQXIFD* ifd = IFD();
  return ifd && line >= 0 && line < TIFDState::DigitalLines && ifd->DigitalInputs[static_cast<size_t>(line)] == 1;
}

int TQXPumpTimerSource::Reading(int channel) const { return IFD() ? IFD()->DataForChannel(channel) : 0; }

void TQXPumpTimerSource::SetEnabled(bool on) {
  FEnabled = on;
  if (StartButton) StartButton->setEnabled(on);
}

void TQXPumpTimerSource::Start() {
  Timing = true;
  SetEnabled(false);
  QPointer<TQXPumpTimerSource> self(this);
  {
    THourglass busy;
    IClock& clock = TServices::Clock();
    // The loops run while the program goes on ticking; a rig closed meanwhile ends them.
    auto idle = [&] {
      Idle();
      return !self.isNull();
    };
    if (analogue) {
      while (Reading(LevelChannel) > FullLevel)
        if (!idle()) return;
      const TDateTime t0 = clock.Now();
      while (Reading(LevelChannel) > EmptyLevel) {
        WriteColumn(Source_Column, (clock.Now() - t0) * 86400.0);
        if (!idle()) return;
      }
    } else {
      while (Input(Channel2))
        if (!idle()) return;
      const TDateTime t0 = clock.Now();
      while (Input(Channel)) {
        WriteColumn(Source_Column, clock.Now() - t0);
        if (!idle()) return;
      }
    }
    if (TQXLoggerPanel* logger = TServices::Logger()) logger->SampleNow();
  }
  Timing = false;
}

void TQXPumpTimerSource::DataWrite() {
  if (!analogue) {
    if (!Timing) SetEnabled(Input(Channel2) && Input(Channel));
    return;
  }
  CurrentValue = Reading(PulseChannel);
  CurrentTime = TServices::Clock().Now();
  MeasureRate();
  ShowLevel();
  PrevValue = CurrentValue;
  PrevTime = CurrentTime;
}

void TQXPumpTimerSource::MeasureRate() {
  if (PrevValue <= PulseThreshold && CurrentValue > PulseThreshold) {
    // The crossing's moment, between the two readings.
    StoredTime = PrevTime + (CurrentTime - PrevTime) * (PulseThreshold - PrevValue) / (CurrentValue - PrevValue);
    Interval = (StoredTime - PrevStoredTime) * kMsPerDay;
    if (Interval > kMinInterval && Interval < kMaxInterval) {
      Intervals[static_cast<size_t>(Counter)] = 60000.0 / Interval;
      IntervalsUsed[static_cast<size_t>(Counter)] = true;
      double sum = 0;
      int used = 0;
      for (size_t i = 0; i < Intervals.size(); ++i)
        if (IntervalsUsed[i]) {
          sum += Intervals[i];
          ++used;
        }
      WriteColumn(RateColumn, sum / used);
      Counter = (Counter + 1) % static_cast<int>(Intervals.size());
    } else {
      WriteColumn(RateColumn, 0);
    }
    PrevStoredTime = StoredTime;
  } else if ((CurrentTime - PrevStoredTime) * kMsPerDay > kMaxInterval) {
    WriteColumn(RateColumn, 0);
    Intervals.fill(0);
    IntervalsUsed.fill(false);
  }
}

void TQXPumpTimerSource::ShowLevel() {
  const int level = Reading(Channel);
  if (level > FullLevel) {
    FPanelHeight = 10;
    if (!Timing) SetEnabled(true);
  } else if (level > EmptyLevel && level < FullLevel) {
    FPanelHeight = 200;
    SetEnabled(false);
  } else {
    FPanelHeight = 355;
    SetEnabled(false);
  }
  if (Panel) {
    Panel->resize(kPanelWidth, FPanelHeight);
    if (Picture) Picture->resize(Panel->size());
  }
}
