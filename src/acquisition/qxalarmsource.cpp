#include "acquisition/qxalarmsource.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include "acquisition/calibrationtable.h"
#include "ifd/qxifd.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"

namespace {
// Full scale of an analogue input (5 V).
constexpr int kFullScale = 2048;

QColor ColourForCode(int code) {
  switch (code) {
    case 1: return QColor(0xFF, 0, 0);
    case 2: return QColor(0, 0, 0xFF);
    default: return QColor(0, 0, 0);
  }
}
}  // namespace

TQXAlarmSource::~TQXAlarmSource() { delete AlarmMute; }

void TQXAlarmSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  if (Display_Box) Display_Box->hide();
  // The label's cells hold the panel's height and colour: a label there would be stray text.
  if (Data_Label) Data_Label->hide();
  AlarmMessage = Source.NoColumnHintText();
  NoAlarmMessage = Source.LongLabelText();
  AlarmColourCode = ColourForCode(Source.MimicLabel_Y_Pos());
  PlusOrMinus = 1;
  Channel_monitored = Source.IFD_Channel();
  dir_of_comparison = Source.ShortLabelText() == QLatin1String("<") ? -1 : 1;

  const QString type = Source.UnitsLabelText().toLower();
  const double threshold = Source.InitialVal();
  if (type == QLatin1String("v")) {
    Alarm_type = VoltageAlarm;
    if (threshold > 5)
      Channel_val_monitored = kFullScale;
    else if (threshold < -5)
      Channel_val_monitored = -kFullScale;
    else
      Channel_val_monitored = static_cast<int>(numbers::RoundHalfEven(threshold * TCalibrationTable::CountsPerVolt));
  } else if (type == QLatin1String("a")) {
    Alarm_type = CurrentAlarm;  // configured but not watched: what it should compare is not settled
  } else {
    Alarm_type = DigitalAlarm;
    Channel_val_monitored = threshold != 0 ? 1 : 0;
  }

  // The parent's colour; a diagram painted with a backdrop picture has none, so the window colour.
  const QBrush parentBrush = DisplayParent ? DisplayParent->palette().brush(QPalette::Window) : QBrush();
  NoAlarmColourCode = parentBrush.style() == Qt::SolidPattern ? parentBrush.color()
                                                               : QApplication::palette().color(QPalette::Window);
  FCaption = NoAlarmMessage;
  FColour = NoAlarmColourCode;
  if (FHasPosition && DisplayParent) {
    AlarmMute = new QLabel(NoAlarmMessage, DisplayParent);
    FHeight = Source.MimicLabel_X_Pos();
    AlarmMute->setGeometry(FDataX, FDataY, FWidth, FHeight);
    AlarmMute->setFont(SourceFont());
    AlarmMute->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    AlarmMute->setAutoFillBackground(true);
    AlarmMute->setToolTip(QString::fromLatin1(MuteHint));
    AlarmMute->setCursor(Qt::PointingHandCursor);
    AlarmMute->installEventFilter(this);
    AlarmMute->show();
    Show(FCaption, FColour);
  }
  re_armed = true;
  alarm_wentoff = false;
  RunSheetColumnLink = Source.Column();
}

bool TQXAlarmSource::eventFilter(QObject* watched, QEvent* event) {
  if (watched == AlarmMute && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    MuteAlarm();
    return true;
  }
  return TQXSource::eventFilter(watched, event);
}

void TQXAlarmSource::Show(const QString& caption, const QColor& colour) {
  FCaption = caption;
  FColour = colour;
  if (!AlarmMute) return;
  AlarmMute->setText(caption);
  FitCaption();
  QPalette palette = AlarmMute->palette();
  palette.setColor(QPalette::Window, colour);
  // Keep the caption readable on the dark alarm colours.
  const double luminance = 0.299 * colour.red() + 0.587 * colour.green() + 0.114 * colour.blue();
  palette.setColor(QPalette::WindowText, luminance < 140 ? QColor(Qt::white) : QColor(Qt::black));
  AlarmMute->setPalette(palette);
}

// The rig gives the box a width for its usual caption; a longer one (the "went off with" message,
// a larger font) widens the box as far as the diagram allows, then wraps onto more lines.
void TQXAlarmSource::FitCaption() {
  const QWidget* parent = AlarmMute->parentWidget();
  const int room = parent ? std::max(FWidth, parent->width() - AlarmMute->x()) : FWidth;
  const QFontMetrics metrics(AlarmMute->font());
  const int needed = metrics.horizontalAdvance(AlarmMute->text()) + 2 * AlarmMute->margin() + 6;
  const int width = std::min(std::max(FWidth, needed), room);
  AlarmMute->setWordWrap(needed > width);
  const int height = std::max(FHeight, AlarmMute->wordWrap() ? AlarmMute->heightForWidth(width) : metrics.height() + 2);
  AlarmMute->resize(width, height);
}

void TQXAlarmSource::DataWrite() {
  if (!re_armed) return;
  TQXIFD* ifd = IFD();
  if (!ifd) return;
  if (Alarm_type == DigitalAlarm) {
    const bool valid = Channel_monitored >= 0 && Channel_monitored < TIFDState::DigitalLines;
    const int state = valid ? ifd->DigitalInputs[static_cast<size_t>(Channel_monitored)] : 0;
    if (state != Channel_val_monitored)
      RaiseAlarm(state);
    else
      ClearAlarm();
  } else if (Alarm_type == VoltageAlarm) {
    // No reading for this sample: the alarm stays as it is, raised or clear.
    if (!ifd->ReadingAvailable(Channel_monitored)) return;
    const int reading = ifd->DataForChannel(Channel_monitored);
    if (dir_of_comparison * (reading - Channel_val_monitored) > 0)
      RaiseAlarm(reading);
    else
      ClearAlarm();
  }
}

void TQXAlarmSource::RaiseAlarm(int reading) {
  alarm_wentoff = true;
  QApplication::beep();
  Show(AlarmMessage + QStringLiteral(" (%1) (%2)").arg(reading).arg(Channel_val_monitored),
       PlusOrMinus == 1 ? AlarmColourCode : NoAlarmColourCode);
  PlusOrMinus = -PlusOrMinus;
}

void TQXAlarmSource::ClearAlarm() {
  if (!alarm_wentoff) return;
  Show(NoAlarmMessage + QStringLiteral(" went off with ") + AlarmMessage,
       PlusOrMinus == 1 ? QColor(Qt::white) : NoAlarmColourCode);
  PlusOrMinus = -PlusOrMinus;
}

void TQXAlarmSource::MuteAlarm() {
  IPrompts& prompts = TServices::Prompts();
  if (re_armed && alarm_wentoff &&
      prompts.MessageDlg(QString::fromLatin1(StopQuestion), TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNoCancel) ==
          TModalResult::mrYes) {
    re_armed = false;
    Show(FCaption, AlarmColourCode);
  }
  if (!re_armed && alarm_wentoff &&
      prompts.MessageDlg(QString::fromLatin1(ResetQuestion), TMsgDlgType::mtConfirmation, TMsgDlgButtons::YesNoCancel) ==
          TModalResult::mrYes) {
    Show(NoAlarmMessage, NoAlarmColourCode);
    alarm_wentoff = false;
    re_armed = true;
  }
}
