#include "scope/scopeanalysisform.h"

#include <cmath>
#include <complex>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "results/tableform.h"
#include "scope/scopeplot.h"
#include "workbook/view/f1book.h"

namespace {
const QColor kColours[] = {QColor(20, 80, 200), QColor(200, 40, 40), QColor(0, 140, 60), QColor(140, 0, 160)};
QColor Colour(std::size_t k) { return kColours[k % 4]; }

// The phase of b against a at `hz`, in degrees, from one-bin transforms over the same samples.
double PhaseDegrees(const std::vector<double>& a, const std::vector<double>& b, double hz, double interval) {
  std::complex<double> sa, sb;
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::complex<double> w = std::polar(1.0, -2 * M_PI * hz * double(i) * interval);
    sa += a[i] * w;
    sb += b[i] * w;
  }
  double d = std::arg(sb) - std::arg(sa);
  while (d > M_PI) d -= 2 * M_PI;
  while (d <= -M_PI) d += 2 * M_PI;
  return d * 180 / M_PI;
}
}  // namespace

TScopeAnalysisForm::TScopeAnalysisForm(TTableForm* table, QWidget* parent) : QDialog(parent), FTable0(table) {
  setWindowTitle(QString::fromLatin1(Caption));
  Build();
  resize(1000, 640);
}

TScopeAnalysisForm::~TScopeAnalysisForm() = default;

void TScopeAnalysisForm::Build() {
  auto* top = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("Capture"), this));
  FCaptureBox = new QComboBox(this);
  FCaptureBox->setMinimumContentsLength(12);
  bar->addWidget(FCaptureBox);
  FCopy = new QPushButton(QStringLiteral("Copy Measurements"), this);
  FCopy->setEnabled(false);
  bar->addWidget(FCopy);
  bar->addStretch();
  top->addLayout(bar);
  FStatus = new QLabel(this);
  FStatus->setWordWrap(true);
  top->addWidget(FStatus);

  FTabs = new QTabWidget(this);
  top->addWidget(FTabs, 1);

  // Trace: the plot, and beside it the figures and the cursor readout.
  auto* trace = new QWidget(FTabs);
  auto* tl = new QHBoxLayout(trace);
  FTracePlot = new TScopePlot(trace);
  FTracePlot->SetCursors(&FCursors);
  tl->addWidget(FTracePlot, 1);
  auto* side = new QVBoxLayout;
  FTable = new QTableWidget(TScopeMeasurements::KindCount, 0, trace);
  QStringList names;
  for (int k = 0; k < TScopeMeasurements::KindCount; ++k) names << TScopeMeasurements::Name(TScopeMeasurements::TKind(k));
  FTable->setVerticalHeaderLabels(names);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  FTable->setMinimumWidth(330);
  side->addWidget(FTable, 1);
  FCursorText = new QLabel(trace);
  FCursorText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  side->addWidget(FCursorText);
  tl->addLayout(side);
  FTabs->addTab(trace, QStringLiteral("Trace"));

  // Spectrum.
  auto* spectrum = new QWidget(FTabs);
  auto* sl = new QVBoxLayout(spectrum);
  auto* sbar = new QHBoxLayout;
  sbar->addWidget(new QLabel(QStringLiteral("Window"), spectrum));
  FWindowBox = new QComboBox(spectrum);
  for (auto w : {TScopeSpectrum::Rectangular, TScopeSpectrum::Hann, TScopeSpectrum::Hamming, TScopeSpectrum::BlackmanHarris})
    FWindowBox->addItem(TScopeSpectrum::WindowName(w), int(w));
  FWindowBox->setCurrentIndex(1);
  sbar->addWidget(FWindowBox);
  sbar->addWidget(new QLabel(QStringLiteral("Magnitude"), spectrum));
  FScaleBox = new QComboBox(spectrum);
  FScaleBox->addItems({QStringLiteral("dB"), QStringLiteral("Linear")});
  sbar->addWidget(FScaleBox);
  FAverage = new QCheckBox(QStringLiteral("Average over captures"), spectrum);
  FAverage->setToolTip(QStringLiteral("Averages the power of every capture of the table taken with the same "
                                      "number of samples and sample interval"));
  sbar->addWidget(FAverage);
  sbar->addStretch();
  sl->addLayout(sbar);
  FSpectrumPlot = new TScopePlot(spectrum);
  sl->addWidget(FSpectrumPlot, 1);
  FPeakText = new QLabel(spectrum);
  FPeakText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  sl->addWidget(FPeakText);
  FTabs->addTab(spectrum, QStringLiteral("Spectrum"));

  // XY.
  auto* xy = new QWidget(FTabs);
  auto* xl = new QVBoxLayout(xy);
  FXYPlot = new TScopePlot(xy);
  xl->addWidget(FXYPlot, 1);
  FXYText = new QLabel(xy);
  xl->addWidget(FXYText);
  FTabs->addTab(xy, QStringLiteral("XY"));

  connect(FCopy, &QPushButton::clicked, this, &TScopeAnalysisForm::CopyMeasurements);
  connect(FCaptureBox, &QComboBox::activated, this, [this](int index) {
    if (index >= 0 && index < int(FSheets.size())) ShowCapture(FSheets[static_cast<std::size_t>(index)]);
  });
  connect(FTracePlot, &TScopePlot::CursorsMoved, this, &TScopeAnalysisForm::RefreshCursorText);
  connect(FWindowBox, &QComboBox::currentIndexChanged, this, &TScopeAnalysisForm::RefreshSpectrum);
  connect(FScaleBox, &QComboBox::currentIndexChanged, this, &TScopeAnalysisForm::RefreshSpectrum);
  connect(FAverage, &QCheckBox::toggled, this, &TScopeAnalysisForm::RefreshSpectrum);
}

void TScopeAnalysisForm::ShowNewest() {
  FSheets.clear();
  FCaptureBox->clear();
  if (FTable0) {
    const TWorkbook& book = FTable0->ResultsTable->Book();
    for (int s = 1; s <= book.NumSheets(); ++s)
      if (FTable0->IsCaptureRun(s)) {
        FSheets.push_back(s);
        FCaptureBox->addItem(book.SheetName(s));
      }
  }
  if (FSheets.empty()) {
    ShowNothing(QString::fromLatin1(NoCapture));
    return;
  }
  FCaptureBox->setCurrentIndex(int(FSheets.size()) - 1);
  ShowCapture(FSheets.back());
}

bool TScopeAnalysisForm::ShowCapture(int sheet) {
  QString why;
  if (!FTable0 || !FTrace.Read(FTable0->ResultsTable->Book(), sheet, &why)) {
    ShowNothing(QStringLiteral("This capture cannot be measured: ") + why + QLatin1Char('.'));
    return false;
  }
  FTabs->setEnabled(true);
  FCopy->setEnabled(true);
  const std::size_t n = FTrace.Channels.front().Values.size();
  FStatus->setText(QStringLiteral("%1: %2 samples, %3 apart (%4 samples per second)")
                       .arg(FTrace.Title)
                       .arg(n)
                       .arg(TScopeMeasurements::Format({true, FTrace.Interval, {}}, TScopeMeasurements::Period, {}))
                       .arg(QString::number(1 / FTrace.Interval, 'g', 6)));
  FMeasures.assign(FTrace.Channels.size(), TScopeMeasurements{});
  FSpectra.clear();
  for (std::size_t c = 0; c < FTrace.Channels.size(); ++c) {
    FMeasures[c].Measure(FTrace.Channels[c].Values, FTrace.Interval);
    FSpectra.push_back(std::make_unique<TScopeSpectrum>());
  }

  std::vector<TScopePlot::TSeries> series;
  for (std::size_t c = 0; c < FTrace.Channels.size(); ++c) {
    const TCaptureTrace::TChannel& ch = FTrace.Channels[c];
    TScopePlot::TSeries s{ch.Name, Colour(c), {}};
    s.Points.reserve(ch.Values.size());
    for (std::size_t i = 0; i < ch.Values.size(); ++i) s.Points.emplace_back(double(i) * FTrace.Interval, ch.Values[i]);
    series.push_back(std::move(s));
  }
  const QString units = UnitsOf(0);
  FTracePlot->SetSeries(std::move(series), QStringLiteral("Time (s)"),
                        units.isEmpty() ? QStringLiteral("Value") : QStringLiteral("Value (%1)").arg(units));
  // Cursors start a quarter and three quarters in, on the first channel's top and base.
  FCursors.SetRecord(n, FTrace.Interval);
  FCursors.MoveTime(0, 0.25 * double(n - 1) * FTrace.Interval);
  FCursors.MoveTime(1, 0.75 * double(n - 1) * FTrace.Interval);
  FCursors.MoveLevel(0, FMeasures[0].Base());
  FCursors.MoveLevel(1, FMeasures[0].Top());
  FillMeasurements();
  RefreshCursorText();
  RefreshSpectrum();
  RefreshXY();
  return true;
}

void TScopeAnalysisForm::ShowNothing(const QString& why) {
  FTrace = TCaptureTrace{};
  FMeasures.clear();
  FSpectra.clear();
  FCursors.SetRecord(0, 0);
  FStatus->setText(why);
  FTable->setColumnCount(0);
  for (TScopePlot* plot : {FTracePlot, FSpectrumPlot, FXYPlot}) {
    plot->SetSeries({}, QString(), QString());
    plot->SetMarker({}, false);
  }
  FCursorText->clear();
  FPeakText->clear();
  FXYText->clear();
  FTabs->setEnabled(false);
  FCopy->setEnabled(false);
}

QString TScopeAnalysisForm::UnitsOf(int channel) const {
  const auto c = static_cast<std::size_t>(channel);
  return c < FTrace.Channels.size() ? FTrace.Channels[c].Units : QString();
}

void TScopeAnalysisForm::FillMeasurements() {
  FTable->setColumnCount(int(FTrace.Channels.size()));
  QStringList heads;
  for (const auto& ch : FTrace.Channels) heads << ch.Name;
  FTable->setHorizontalHeaderLabels(heads);
  for (std::size_t c = 0; c < FTrace.Channels.size(); ++c)
    for (int k = 0; k < TScopeMeasurements::KindCount; ++k) {
      const auto kind = TScopeMeasurements::TKind(k);
      const TScopeMeasurements::TMeasure& m = FMeasures[c][kind];
      auto* item = new QTableWidgetItem(TScopeMeasurements::Format(m, kind, UnitsOf(int(c))));
      item->setTextAlignment(m.Valid ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignCenter));
      if (!m.Valid) item->setToolTip(m.Why);
      FTable->setItem(k, int(c), item);
    }
}

QString TScopeAnalysisForm::MeasurementsText() const {
  QString out = FTrace.Title + QStringLiteral("\tsample interval\t") +
                TScopeMeasurements::Format({true, FTrace.Interval, {}}, TScopeMeasurements::Period, {}) + QLatin1Char('\n');
  for (std::size_t c = 0; c < FMeasures.size(); ++c)
    out += FMeasures[c].Text(FTrace.Channels[c].Name, FTrace.Channels[c].Units);
  return out;
}

void TScopeAnalysisForm::CopyMeasurements() { QApplication::clipboard()->setText(MeasurementsText()); }

void TScopeAnalysisForm::RefreshCursorText() {
  if (FTrace.Channels.empty()) return;
  QString text = FCursors.Readout(UnitsOf(0));
  // Each trace's value under the time cursors.
  for (std::size_t c = 0; c < FTrace.Channels.size(); ++c) {
    const auto& v = FTrace.Channels[c].Values;
    const double a = v[std::min(FCursors.Sample(0), v.size() - 1)], b = v[std::min(FCursors.Sample(1), v.size() - 1)];
    text += QStringLiteral("%1: %2 \u2192 %3, \u0394 %4\n")
                .arg(FTrace.Channels[c].Name,
                     TScopeMeasurements::Format({true, a, {}}, TScopeMeasurements::Mean, FTrace.Channels[c].Units),
                     TScopeMeasurements::Format({true, b, {}}, TScopeMeasurements::Mean, FTrace.Channels[c].Units),
                     TScopeMeasurements::Format({true, b - a, {}}, TScopeMeasurements::Mean, FTrace.Channels[c].Units));
  }
  FCursorText->setText(text.trimmed());
}

void TScopeAnalysisForm::RefreshSpectrum() {
  if (FTrace.Channels.empty() || FSpectra.size() != FTrace.Channels.size()) return;
  const auto window = TScopeSpectrum::TWindow(FWindowBox->currentData().toInt());
  const bool db = FScaleBox->currentIndex() == 0;
  const std::size_t n = FTrace.Channels.front().Values.size();
  // The captures averaged: this one, or every one of the same length and rate.
  std::vector<TCaptureTrace> traces;
  if (FAverage->isChecked() && FTable0) {
    for (int s : FSheets) {
      TCaptureTrace t;
      if (t.Read(FTable0->ResultsTable->Book(), s) && t.Channels.size() == FTrace.Channels.size() &&
          t.Channels.front().Values.size() == n && std::fabs(t.Interval - FTrace.Interval) <= 1e-9 * FTrace.Interval)
        traces.push_back(std::move(t));
    }
  }
  std::vector<TScopePlot::TSeries> series;
  QStringList peaks;
  for (std::size_t c = 0; c < FTrace.Channels.size(); ++c) {
    TScopeSpectrum& s = *FSpectra[c];
    s.SetWindow(window);
    s.Clear();
    if (traces.empty()) s.Add(FTrace.Channels[c].Values, FTrace.Interval);
    for (const TCaptureTrace& t : traces) s.Add(t.Channels[c].Values, t.Interval);
    TScopePlot::TSeries line{FTrace.Channels[c].Name, Colour(c), {}};
    line.Points.reserve(s.Bins());
    // In dB, exact zeros between a clean square's harmonics would stretch the scale to the floor:
    // 160 dB below the peak is shown as the bottom.
    const double bottom = s.Decibels(s.PeakBin()) - 160;
    for (std::size_t k = 1; k < s.Bins(); ++k)
      line.Points.emplace_back(double(k) * s.BinHz(), db ? std::max(bottom, s.Decibels(k)) : s.Linear(k));
    series.push_back(std::move(line));
    const QString& u = FTrace.Channels[c].Units;
    const std::size_t peak = s.PeakBin();
    if (peak == 0) {
      peaks << QStringLiteral("%1: no peak (a flat signal)").arg(FTrace.Channels[c].Name);
      continue;
    }
    peaks << QStringLiteral("%1: peak at %2 (\u00b1%3), %4 = %5 dB%6")
                 .arg(FTrace.Channels[c].Name,
                      TScopeMeasurements::Format({true, double(peak) * s.BinHz(), {}}, TScopeMeasurements::Frequency, {}),
                      TScopeMeasurements::Format({true, s.BinHz() / 2, {}}, TScopeMeasurements::Frequency, {}),
                      TScopeMeasurements::Format({true, s.Linear(peak), {}}, TScopeMeasurements::Amplitude, u),
                      QString::number(s.Decibels(peak), 'f', 2), u.isEmpty() ? QString() : QStringLiteral(" re 1 ") + u);
  }
  QString averaged;
  if (!FSpectra.empty())
    averaged = QStringLiteral("%1 window, %2 capture%3 averaged, bins %4 apart")
                   .arg(TScopeSpectrum::WindowName(window))
                   .arg(FSpectra.front()->Records())
                   .arg(FSpectra.front()->Records() == 1 ? QString() : QStringLiteral("s"))
                   .arg(TScopeMeasurements::Format({true, FSpectra.front()->BinHz(), {}}, TScopeMeasurements::Frequency, {}));
  FPeakText->setText(averaged + QLatin1Char('\n') + peaks.join(QLatin1Char('\n')));
  const QString u = UnitsOf(0);
  FSpectrumPlot->SetSeries(std::move(series), QStringLiteral("Frequency (Hz)"),
                           db ? (u.isEmpty() ? QStringLiteral("Magnitude (dB)") : QStringLiteral("Magnitude (dB re 1 %1)").arg(u))
                              : (u.isEmpty() ? QStringLiteral("Magnitude") : QStringLiteral("Magnitude (%1)").arg(u)));
  const TScopeSpectrum& first = *FSpectra.front();
  const std::size_t peak = first.PeakBin();
  FSpectrumPlot->SetMarker(QPointF(double(peak) * first.BinHz(), db ? first.Decibels(peak) : first.Linear(peak)), peak > 0);
}

void TScopeAnalysisForm::RefreshXY() {
  if (FTrace.Channels.size() < 2) {
    FXYPlot->SetSeries({}, QString(), QString());
    FXYText->setText(QStringLiteral("XY needs two channels; this capture has one."));
    return;
  }
  const TCaptureTrace::TChannel &a = FTrace.Channels[0], &b = FTrace.Channels[1];
  TScopePlot::TSeries s{b.Name + QStringLiteral(" against ") + a.Name, Colour(0), {}};
  s.Points.reserve(a.Values.size());
  for (std::size_t i = 0; i < a.Values.size() && i < b.Values.size(); ++i) s.Points.emplace_back(a.Values[i], b.Values[i]);
  const auto title = [](const TCaptureTrace::TChannel& c) { return c.Units.isEmpty() ? c.Name : c.Name + " (" + c.Units + ")"; };
  FXYPlot->SetSeries({s}, title(a), title(b));
  const TScopeMeasurements::TMeasure& f = FMeasures[0][TScopeMeasurements::Frequency];
  const TScopeMeasurements::TMeasure& g = FMeasures[1][TScopeMeasurements::Frequency];
  // A phase only means something between two signals of one frequency.
  QString why = !f.Valid ? a.Name + QStringLiteral(": ") + f.Why : !g.Valid ? b.Name + QStringLiteral(": ") + g.Why : QString();
  if (why.isEmpty() && std::fabs(g.Value - f.Value) > 0.01 * f.Value)
    why = QStringLiteral("the channels run at different frequencies (%1 and %2)")
              .arg(TScopeMeasurements::Format(f, TScopeMeasurements::Frequency, {}),
                   TScopeMeasurements::Format(g, TScopeMeasurements::Frequency, {}));
  if (!why.isEmpty()) {
    FXYText->setText(QStringLiteral("Phase of %1 against %2: %3").arg(b.Name, a.Name, QString::fromUtf16(TScopeMeasurements::NoValue)));
    FXYText->setToolTip(why);
    return;
  }
  FXYText->setToolTip({});
  FXYText->setText(QStringLiteral("Phase of %1 against %2 at %3: %4\u00b0")
                       .arg(b.Name, a.Name, TScopeMeasurements::Format(f, TScopeMeasurements::Frequency, {}))
                       .arg(QString::number(PhaseDegrees(a.Values, b.Values, f.Value, FTrace.Interval), 'f', 1)));
}
