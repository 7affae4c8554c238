#include "calibration/calibrate.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include "acquisition/calibrationtable.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxifdanaloguesource.h"
#include "acquisition/qxloggerpanel.h"
#include "platform/iclock.h"
#include "platform/iprogramlauncher.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbookerror.h"
#include "rigconfig/helprequests.h"

namespace {
TModalResult Ask(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons = TMsgDlgButtons::YesNo) {
  return TServices::Prompts().MessageDlg(text, kind, buttons);
}
void Tell(const QString& text, TMsgDlgType kind = TMsgDlgType::mtInformation) {
  TServices::Prompts().MessageDlg(text, kind, TMsgDlgButtons::OK);
}

// The stored calibration's markers: black crosses.
QImage CrossMarker() {
  QImage image(11, 11, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setPen(QPen(Qt::black, 1.6));
  p.drawLine(1, 1, 9, 9);
  p.drawLine(1, 9, 9, 1);
  return image;
}

QString ValueText(double v) { return numbers::FloatToStr(v); }

QList<QPointF> ChartPoints(const std::vector<TCalibrationPoint>& points) {
  QList<QPointF> pts;
  for (const TCalibrationPoint& p : points) pts.append(QPointF(p.Volts, p.Reference));
  return pts;
}

// Two decimals of the volts as their decimal form reads, halves away from zero: 2.345 V (held as
// 2.34499999...) shows 2.35, as the user reads it off the meter.
QString TwoDecimals(double v) {
  const double hundredths = std::round(v * 100 * (1 + 1e-13));
  return QString::asprintf("%.2f", hundredths / 100);
}
}  // namespace

TCalibrate::TCalibrate(QWidget* parent)
    : QWidget(parent, Qt::Tool),
      Input_Sensor(new QComboBox(this)),
      CalibrateChart(new QChart),
      Reference_Input(new QLineEdit(this)),
      Voltage_Input(new QLineEdit(this)),
      Calibrate_Gauge(new QProgressBar(this)),
      FreezeButton(new QPushButton(QStringLiteral("Freeze"), this)),
      PlotPointButton(new QPushButton(QStringLiteral("Plot"), this)),
      DirectButton(new QPushButton(QStringLiteral("Direct..."), this)),
      OkButton(new QPushButton(QStringLiteral("OK"), this)),
      ApplyButton(new QPushButton(QStringLiteral("Apply"), this)),
      CancelButton(new QPushButton(QStringLiteral("Cancel"), this)),
      HelpButton(new QPushButton(QStringLiteral("Help"), this)),
      DirectPanel(new QWidget(this)),
      Grid(new QTableWidget(GridRows, 2, DirectPanel)),
      GridPlotButton(new QPushButton(QStringLiteral("Plot"), DirectPanel)),
      RevertButton(new QPushButton(QStringLiteral("Revert"), DirectPanel)),
      Sensor_Reading(new QTimer(this)),
      FStoredSeries(new QScatterSeries),
      FNewSeries(new QScatterSeries),
      FStoredLine(new QLineSeries),
      FAxisX(new QValueAxis),
      FAxisY(new QValueAxis) {
  setWindowTitle(QStringLiteral("Calibrate"));
  Input_Sensor->setEditable(false);
  Input_Sensor->setMinimumWidth(260);
  Input_Sensor->setPlaceholderText(QStringLiteral("Select Sensor"));

  FStoredLine->setName(QStringLiteral("Stored"));
  FStoredLine->setPen(QPen(Qt::black, 1));
  FStoredSeries->setName(QStringLiteral("Stored points"));
  FStoredSeries->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  FStoredSeries->setMarkerSize(11);
  FStoredSeries->setBrush(CrossMarker());
  FStoredSeries->setPen(QColor(Qt::transparent));
  FNewSeries->setName(QStringLiteral("New points"));
  FNewSeries->setMarkerShape(QScatterSeries::MarkerShapeCircle);
  FNewSeries->setMarkerSize(10);
  FNewSeries->setColor(QColor(200, 30, 30));
  FNewSeries->setBorderColor(QColor(120, 0, 0));
  CalibrateChart->addSeries(FStoredLine);
  CalibrateChart->addSeries(FStoredSeries);
  CalibrateChart->addSeries(FNewSeries);
  FAxisX->setTitleText(QStringLiteral("Voltage (V)"));
  FAxisY->setTitleText(QStringLiteral("Reference Value"));
  // Whole volts, with room beside the ends so markers at 0 V and 5 V are not cut.
  FAxisX->setTickType(QValueAxis::TicksDynamic);
  FAxisX->setTickAnchor(0);
  FAxisX->setTickInterval(1);
  FAxisX->setLabelFormat(QStringLiteral("%.0f"));
  CalibrateChart->addAxis(FAxisX, Qt::AlignBottom);
  CalibrateChart->addAxis(FAxisY, Qt::AlignLeft);
  for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(FStoredLine), static_cast<QAbstractSeries*>(FStoredSeries),
                             static_cast<QAbstractSeries*>(FNewSeries)}) {
    s->attachAxis(FAxisX);
    s->attachAxis(FAxisY);
  }
  CalibrateChart->legend()->setAlignment(Qt::AlignBottom);
  CalibrateChart->legend()->markers(FStoredLine).first()->setVisible(false);
  FAxisX->setRange(-0.25, 5.25);
  FAxisY->setRange(0, 100);
  auto* view = new QChartView(CalibrateChart, this);
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumSize(420, 320);

  Voltage_Input->setReadOnly(true);
  Voltage_Input->setFocusPolicy(Qt::NoFocus);
  Calibrate_Gauge->setRange(0, 100);
  Calibrate_Gauge->setOrientation(Qt::Vertical);
  Calibrate_Gauge->setTextVisible(false);
  Calibrate_Gauge->setFixedSize(22, 110);
  Reference_Input->installEventFilter(this);

  Grid->setHorizontalHeaderLabels({QStringLiteral("Voltage"), QStringLiteral("Eng. Units")});
  QStringList numbers;
  for (int r = 1; r <= GridRows; ++r) numbers << QString::number(r);
  Grid->setVerticalHeaderLabels(numbers);
  Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  Grid->verticalHeader()->setDefaultSectionSize(22);
  Grid->setMinimumWidth(220);
  auto* panel = new QVBoxLayout(DirectPanel);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->addWidget(Grid, 1);
  auto* panelButtons = new QHBoxLayout;
  panelButtons->addWidget(GridPlotButton);
  panelButtons->addWidget(RevertButton);
  panel->addLayout(panelButtons);

  auto* side = new QVBoxLayout;
  side->addWidget(new QLabel(QStringLiteral("Reference value"), this));
  side->addWidget(Reference_Input);
  side->addWidget(new QLabel(QStringLiteral("Sensor voltage"), this));
  side->addWidget(Voltage_Input);
  auto* gaugeRow = new QHBoxLayout;
  gaugeRow->addWidget(Calibrate_Gauge);
  auto* actions = new QVBoxLayout;
  for (QPushButton* b : {FreezeButton, PlotPointButton, DirectButton}) actions->addWidget(b);
  actions->addStretch(1);
  gaugeRow->addLayout(actions);
  side->addLayout(gaugeRow);
  side->addStretch(1);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Sensor"), this));
  top->addWidget(Input_Sensor, 1);
  auto* middle = new QHBoxLayout;
  middle->addWidget(view, 1);
  middle->addLayout(side);
  middle->addWidget(DirectPanel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {OkButton, ApplyButton, CancelButton, HelpButton}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(middle, 1);
  layout->addLayout(buttons);

  Sensor_Reading->setInterval(1000);
  connect(Sensor_Reading, &QTimer::timeout, this, &TCalibrate::Sensor_ReadingTimer);
  connect(Input_Sensor, qOverload<int>(&QComboBox::activated), this, &TCalibrate::Input_SensorChange);
  connect(Reference_Input, &QLineEdit::returnPressed, this, [this] { Reference_InputExit(); });
  connect(Reference_Input, &QLineEdit::textChanged, this, [this] { FReference = TReferenceState::Unread; });
  connect(FreezeButton, &QPushButton::clicked, this, &TCalibrate::FreezeClick);
  connect(PlotPointButton, &QPushButton::clicked, this, &TCalibrate::PlotClick);
  connect(DirectButton, &QPushButton::clicked, this, &TCalibrate::DirectButtonClick);
  connect(GridPlotButton, &QPushButton::clicked, this, &TCalibrate::PlotButtonClick);
  connect(RevertButton, &QPushButton::clicked, this, &TCalibrate::RevertButtonClick);
  connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyClick(); });
  connect(OkButton, &QPushButton::clicked, this, &TCalibrate::okClick);
  connect(CancelButton, &QPushButton::clicked, this, &TCalibrate::CancelClick);
  connect(HelpButton, &QPushButton::clicked, this, &TCalibrate::HelpClick);
  // Both series react to clicks; only a new point can be deleted.
  auto clicked = [this](const QPointF& p) { Calibrate_ChartPointSelected(p.x(), p.y()); };
  connect(FNewSeries, &QScatterSeries::clicked, this, clicked);
  connect(FStoredSeries, &QScatterSeries::clicked, this, clicked);
  resize(900, 520);
}

const TQXDataList* TCalibrate::List() const { return FList ? FList : TServices::DataList(); }

QString TCalibrate::SheetPath() const {
  if (!FSheetPath.isEmpty()) return FSheetPath;
  return TServices::Rig() ? TServices::Rig()->IFDSrc_Spreadsheet : QString();
}

void TCalibrate::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TCalibrate::FormShow() {
  Direct = false;
  DirectButton->setText(QStringLiteral("Direct..."));
  DirectButton->setEnabled(false);
  DirectPanel->hide();
  Data = nullptr;
  Channel = 0;
  Current_IFDSource_Channel = 0;
  Reset();
  Reference_Input->setEnabled(false);
  Voltage_Input->setEnabled(false);
  Restart_Machine = false;
  FStoredChannels.clear();
  FClosing = false;

  Input_Sensor->clear();
  Channel_array.clear();
  FSources.clear();
  if (const TQXDataList* list = List()) {
    for (TQXSource* s : list->Sources()) {
      auto* a = qobject_cast<TQXIFDAnalogueSource*>(s);
      if (!a) continue;
      QString name = a->fLong_text;
      if (name.isEmpty()) name = a->fShort_text;
      if (name.isEmpty()) name = QStringLiteral("No Sensor Description");
      Input_Sensor->addItem(name);
      Channel_array.push_back(a->FChannel);
      FSources.emplace_back(a);
    }
  }
  Input_Sensor->setCurrentIndex(-1);
}

QStringList TCalibrate::SensorNames() const {
  QStringList names;
  for (int i = 0; i < Input_Sensor->count(); ++i) names << Input_Sensor->itemText(i);
  return names;
}

void TCalibrate::Reset() {
  Save_Data = false;
  Input_Sensor->setCurrentIndex(-1);
  Reference_Input->clear();
  ApplyButton->setEnabled(false);
  Calibrate_Gauge->setValue(0);
  Grid->clearContents();
  FNew.Clear();
  FStored.clear();
  FNewSeries->clear();
  FStoredSeries->clear();
  FStoredLine->clear();
  FreezeButton->setEnabled(false);
  PlotPointButton->setEnabled(false);
  FreezeButton->setText(QStringLiteral("Freeze"));
  freezestate = fsLive;
}

void TCalibrate::Input_SensorChange(int index) {
  if (index < 0 || index >= static_cast<int>(Channel_array.size())) return;
  if (Save_Data && !ApplyClick() && FStoreFailed) {
    // A failed store keeps the points with the sensor they were recorded on.
    Input_Sensor->setCurrentIndex(Current_IFDSource_Channel - 1);
    return;
  }
  Current_IFDSource_Channel = index + 1;
  Channel = Channel_array[static_cast<std::size_t>(index)];
  Data = FSources[static_cast<std::size_t>(index)];
  Reset();
  Input_Sensor->setCurrentIndex(index);
  LoadStored();
  Sensor_Reading->start();
  Reference_Input->setEnabled(true);
  Voltage_Input->setEnabled(true);
  DirectButton->setEnabled(true);
  DirectButton->setText(QStringLiteral("Direct..."));
  Direct = false;
  DirectPanel->hide();
  Sensor_ReadingTimer();
}

void TCalibrate::LoadStored() {
  const QString units = Data ? Data->fUnits_text : QString();
  FAxisY->setTitleText(units.isEmpty() ? QStringLiteral("Reference Value") : QStringLiteral("Reference Value (%1)").arg(units));
  FStored.clear();
  try {
    ReadStored();
  } catch (const EWorkbookError& e) {
    Tell(e.Message(), TMsgDlgType::mtError);
  }
  std::vector<TCalibrationPoint> shown(FStored.begin(),
                                       FStored.begin() + std::min<std::ptrdiff_t>(GridRows, std::ssize(FStored)));
  FillGrid(shown);
  RedrawStored();
}

void TCalibrate::ReadStored() {
  const QString path = SheetPath();
  IFDSRC_File.Read(path);
  FStored = TCalibrationSheet::StoredPoints(IFDSRC_File, Channel, QFileInfo(path).fileName());
}

void TCalibrate::Sensor_ReadingTimer() {
  if (!Data) return;
  const double v = Data->VoltageValue();
  Calibrate_Gauge->setValue(static_cast<int>(std::clamp<double>(std::round(v / 0.05), 0, 100)));
  Input_Volt_Value = TwoDecimals(v);
  Voltage_Input->setText(QStringLiteral(" %1 v").arg(Input_Volt_Value));
}

void TCalibrate::Reference_InputEnter() {
  if (Reference_Input->isEnabled()) FreezeButton->setEnabled(true);
}

bool TCalibrate::Reference_InputExit() {
  if (FInReferenceCheck) return false;
  QString text = Reference_Input->text().trimmed();
  const QString units = Data ? Data->fUnits_text : QString();
  // The field shows "value units" once read; read back, the units are not part of the number.
  if (!units.isEmpty() && text.endsWith(units)) text = text.left(text.size() - units.size()).trimmed();
  const auto value = numbers::ParseTypedNumber(text);
  if (!value) {
    FReference = TReferenceState::Refused;
    FInReferenceCheck = true;
    Tell(QStringLiteral("The reference value that has been inputed is invalid, please change this value"),
         TMsgDlgType::mtError);
    FInReferenceCheck = false;
    Reference_Input->setFocus();
    Reference_Input->selectAll();
    return false;
  }
  Input_ref_Value = *value;
  Reference_Input->setText(units.isEmpty() ? ValueText(*value) : ValueText(*value) + QLatin1Char(' ') + units);
  FReference = TReferenceState::Read;
  return true;
}

bool TCalibrate::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Reference_Input) {
    if (event->type() == QEvent::FocusIn) Reference_InputEnter();
    // Leaving an empty field is not an entry yet; a typed one is read as the user leaves it.
    if (event->type() == QEvent::FocusOut && !Reference_Input->text().trimmed().isEmpty() && isVisible() &&
        Reference_Input->isEnabled())
      Reference_InputExit();
  }
  return QWidget::eventFilter(watched, event);
}

void TCalibrate::SetLive(bool live) {
  if (live) {
    FreezeButton->setText(QStringLiteral("freeze"));
    PlotPointButton->setEnabled(false);
    Reference_Input->setEnabled(true);
    Voltage_Input->setEnabled(true);
    freezestate = fsLive;
    Sensor_Reading->start();
  } else {
    Sensor_Reading->stop();
    FreezeButton->setText(QStringLiteral("unfreeze"));
    PlotPointButton->setEnabled(true);
    Reference_Input->setEnabled(false);
    Voltage_Input->setEnabled(false);
    freezestate = fsFrozen;
  }
}

void TCalibrate::FreezeClick() {
  if (!Data) return;
  if (freezestate == fsLive) {
    // The point needs its reference: a field not holding a number is refused before freezing
    // (once: leaving the field for the button may have said so already).
    if (FReference == TReferenceState::Unread) Reference_InputExit();
    if (FReference != TReferenceState::Read) return;
    SetLive(false);
  } else {
    SetLive(true);
  }
}

void TCalibrate::PlotClick() {
  if (freezestate != fsFrozen || !Data) return;
  if (FNew.Full()) {
    Tell(QStringLiteral("A channel holds at most %1 calibration points; delete one before adding another")
             .arg(TCalibrationPoints::MaxPoints),
         TMsgDlgType::mtWarning);
    return;
  }
  const int before = FNew.Count();
  FNew.Add({Input_Volt_Value.toDouble(), Input_ref_Value});
  RedrawNew();
  FillGrid(FNew.Points());
  SetLive(true);
  if (before >= 1) {
    ApplyButton->setEnabled(true);
    Save_Data = true;
  }
}

void TCalibrate::Calibrate_ChartPointSelected(double volts, double reference) {
  const int i = FNew.Nearest(volts, reference, FAxisX->max() - FAxisX->min(), FAxisY->max() - FAxisY->min());
  if (i < 0) return;
  // A click counts for the point it lands on (within a marker's reach), not for the nearest far away.
  const QPointF at = CalibrateChart->mapToPosition(QPointF(FNew.At(i).Volts, FNew.At(i).Reference), FNewSeries);
  const QPointF clicked = CalibrateChart->mapToPosition(QPointF(volts, reference), FNewSeries);
  if (QLineF(at, clicked).length() > 8) return;
  const QString value = ValueText(FNew.At(i).Reference);
  if (Ask(QStringLiteral("Do you want to delete Reference point %1?").arg(value), TMsgDlgType::mtConfirmation) !=
      TModalResult::mrYes)
    return;
  FNew.Remove(i);
  // An emptied list must not store an empty calibration over the stored one.
  if (FNew.Count() == 0) Save_Data = false;
  ApplyButton->setEnabled(Save_Data);
  Grid->clearContents();
  FillGrid(FNew.Points());
  RedrawNew();
  Tell(QStringLiteral("Reference point %1 has been deleted").arg(value));
}

void TCalibrate::DirectButtonClick() {
  Direct = !Direct;
  DirectPanel->setVisible(Direct);
  DirectButton->setText(Direct ? QStringLiteral("Manual...") : QStringLiteral("Direct..."));
}

void TCalibrate::PlotButtonClick() {
  std::vector<TCalibrationPoint> points;
  for (int r = 0; r < GridRows; ++r) {
    const QTableWidgetItem* vi = Grid->item(r, 0);
    const QTableWidgetItem* ri = Grid->item(r, 1);
    const QString vt = vi ? vi->text().trimmed() : QString();
    const QString rt = ri ? ri->text().trimmed() : QString();
    if (vt.isEmpty() && rt.isEmpty()) continue;
    const auto v = numbers::ParseTypedNumber(vt);
    const auto ref = numbers::ParseTypedNumber(rt);
    for (const auto& [text, parsed] : {std::pair(vt, v), std::pair(rt, ref)})
      if (!text.isEmpty() && !parsed) {
        Tell(QStringLiteral("'%1' is not a valid floating point value").arg(text), TMsgDlgType::mtError);
        return;
      }
    // A half-filled row would store a point with a made-up value.
    if (!v || !ref) {
      Tell(QStringLiteral("Row %1 needs both a voltage and a reference value").arg(r + 1), TMsgDlgType::mtError);
      return;
    }
    points.push_back({*v, *ref});
  }
  FNew.Assign(std::move(points));
  RedrawNew();
  Save_Data = FNew.Count() > 0;
  ApplyButton->setEnabled(Save_Data);
}

void TCalibrate::RevertButtonClick() {
  if (Current_IFDSource_Channel == 0) return;
  if (Ask(QStringLiteral("The new calibration data will be lost. Continue?"), TMsgDlgType::mtWarning) !=
      TModalResult::mrYes)
    return;
  const bool wasDirect = Direct;
  Reset();
  Input_Sensor->setCurrentIndex(Current_IFDSource_Channel - 1);
  LoadStored();
  Sensor_Reading->start();
  Direct = wasDirect;
}

bool TCalibrate::ApplyClick() {
  FStoreFailed = false;
  if (!Save_Data || FNew.Count() == 0) return true;
  // A sensor may fall as well as rise, but one voltage must give one value: a curve that turns
  // back would read wrong between its points, so it is refused here with the points named.
  std::vector<std::pair<double, double>> pairs;
  for (const TCalibrationPoint& p : FNew.Points()) pairs.emplace_back(p.Reference, p.Volts);
  if (const std::optional<QString> why = TCalibrationTable::NonMonotonic(pairs)) {
    Tell(QStringLiteral("The calibration was not stored: %1. Change or delete a point so that the values only rise "
                        "or only fall as the voltage rises.")
             .arg(*why),
         TMsgDlgType::mtError);
    FStoreFailed = true;
    return false;
  }
  if (Ask(QStringLiteral("You are about to overwrite default calibration data, do you want to continue?"),
          TMsgDlgType::mtWarning) != TModalResult::mrYes)
    return false;
  QString error;
  if (!TCalibrationSheet::Store(SheetPath(), Channel, FNew.Points(), TServices::Clock().Now(), error)) {
    Tell(QStringLiteral("The calibration was not stored: %1").arg(error), TMsgDlgType::mtError);
    FStoreFailed = true;
    return false;
  }
  Save_Data = false;
  ApplyButton->setEnabled(false);
  Restart_Machine = true;
  FStoredChannels.insert(Channel);
  // What is stored now is the stored calibration.
  try {
    ReadStored();
  } catch (const EWorkbookError&) {
    FStored = FNew.Points();
  }
  RedrawStored();
  return true;
}

void TCalibrate::okClick() {
  // Declining the store (or a failed one) keeps the window and its points.
  if (!ApplyClick()) return;
  CancelClick();
}

void TCalibrate::CancelClick() {
  FinishClosing();
  hide();
}

void TCalibrate::closeEvent(QCloseEvent* event) {
  FinishClosing();
  QWidget::closeEvent(event);
}

void TCalibrate::FinishClosing() {
  if (FClosing) return;
  FClosing = true;
  Sensor_Reading->stop();
  if (Restart_Machine) {
    Restart_Machine = false;
    if (CanApplyNow()) {
      if (Ask(QStringLiteral("New calibration data has been stored. Use it from now on?"),
              TMsgDlgType::mtConfirmation) == TModalResult::mrYes &&
          ApplyNow())
        return;
      Tell(QStringLiteral("New calibration will take effect next time the program is restarted"));
      return;
    }
    if (Ask(QStringLiteral("For new calibration data to take effect this program must be restarted. Restart this "
                           "program now?"),
            TMsgDlgType::mtConfirmation) == TModalResult::mrYes) {
      QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
      // The main window asks about unsaved results first; a restart waits for it to close.
      if (main && main->close()) {
        TServices::Launcher().Start(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1),
                                    QCoreApplication::applicationDirPath());
        return;
      }
    }
    Tell(QStringLiteral("New calibration will take effect next time the program is restarted"));
  }
}

bool TCalibrate::CanApplyNow() const {
  // Mid-run the recorded samples would change calibration part-way; an output's demand range
  // follows its table and is fixed when the diagram is built.
  if (TServices::Logger() && TServices::Logger()->IsSampling()) return false;
  if (!List()) return false;
  for (int channel : FStoredChannels)
    for (TQXSource* s : List()->Sources()) {
      auto* a = qobject_cast<TQXIFDAnalogueSource*>(s);
      if (a && a->FChannel == channel && !qobject_cast<TQXAnalogueInputSource*>(a)) return false;
    }
  return true;
}

bool TCalibrate::ApplyNow() {
  const QString path = SheetPath();
  TWorkbook book;
  try {
    book.Read(path);
    for (int channel : FStoredChannels) {
      TDataSource_Definition::TPairArray processed{}, raw{};
      const int n = TDataSource_Definition::ReadCalibration(book, QFileInfo(path).fileName(), channel, processed, raw);
      std::vector<std::pair<double, double>> points;
      for (int i = 1; i <= n; ++i) points.emplace_back(processed[static_cast<std::size_t>(i)], raw[static_cast<std::size_t>(i)]);
      for (TQXSource* s : List()->Sources())
        if (auto* a = qobject_cast<TQXAnalogueInputSource*>(s); a && a->FChannel == channel) a->Calibration.Build(points);
    }
  } catch (const EWorkbookError& e) {
    Tell(e.Message(), TMsgDlgType::mtError);
    return false;
  }
  return true;
}

void TCalibrate::FillGrid(const std::vector<TCalibrationPoint>& points) {
  for (int r = 0; r < GridRows && r < static_cast<int>(points.size()); ++r) {
    Grid->setItem(r, 0, new QTableWidgetItem(ValueText(points[static_cast<std::size_t>(r)].Volts)));
    Grid->setItem(r, 1, new QTableWidgetItem(ValueText(points[static_cast<std::size_t>(r)].Reference)));
  }
}

void TCalibrate::RedrawNew() {
  FNewSeries->replace(ChartPoints(FNew.Points()));
  FitAxes();
}

void TCalibrate::RedrawStored() {
  const QList<QPointF> pts = ChartPoints(FStored);
  FStoredSeries->replace(pts);
  FStoredLine->replace(pts);
  FitAxes();
}

void TCalibrate::FitAxes() {
  double x0 = 0, x1 = 5, y0 = 0, y1 = 0;
  bool any = false;
  const std::vector<TCalibrationPoint>* lists[] = {&FStored, &FNew.Points()};
  for (const std::vector<TCalibrationPoint>* list : lists)
    for (const TCalibrationPoint& p : *list) {
      x0 = std::min(x0, p.Volts);
      x1 = std::max(x1, p.Volts);
      y0 = any ? std::min(y0, p.Reference) : p.Reference;
      y1 = any ? std::max(y1, p.Reference) : p.Reference;
      any = true;
    }
  if (!any || y1 - y0 < 1e-9) {
    y0 = any ? y0 - 1 : 0;
    y1 = any ? y1 + 1 : 100;
  }
  const double pad = (y1 - y0) * 0.05;
  FAxisX->setRange(x0 - 0.25, x1 + 0.25);
  FAxisY->setRange(y0 - pad, y1 + pad);
  FAxisY->applyNiceNumbers();
}

void TCalibrate::HelpClick() {
  if (TServices::Rig()) TServices::Rig()->ShellStringHelp(QLatin1String(helptopics::kSensorCalibration));
}
