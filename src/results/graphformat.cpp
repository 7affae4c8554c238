#include "results/graphformat.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "results/fontchooser.h"

namespace {

const QString SelectStyle = QStringLiteral("Select Style");
const char* const LineStyleNames[] = {"Solid", "Dash Dash", "Dot Dot", "Dash Dot", "Dash Dot Dot"};
const Qt::PenStyle LineStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
const char* const PointStyleNames[] = {"square", "circle", "diamond", "cross"};
const std::pair<const char*, QColor> NamedColours[] = {
    {"Red", Qt::red},       {"Blue", Qt::blue},   {"Green", QColor(0, 128, 0)}, {"Yellow", Qt::yellow},
    {"Purple", QColor(128, 0, 128)}, {"Navy", QColor(0, 0, 128)}, {"Fuchsia", Qt::magenta}, {"Black", Qt::black},
    {"Grey", Qt::gray},     {"Silver", QColor(192, 192, 192)}, {"White", Qt::white}, {"Cream", QColor(255, 251, 240)},
    {"Sky Blue", QColor(166, 202, 240)}, {"Orange", QColor(255, 165, 0)}};

QComboBox* ColourBox() {
  auto* box = new QComboBox;
  for (const auto& [name, colour] : NamedColours) {
    QPixmap swatch(14, 14);
    swatch.fill(colour);
    box->addItem(QIcon(swatch), QString::fromLatin1(name), colour);
  }
  return box;
}

// Selects `colour`, adding it as "Custom" when it is none of the named ones.
void SetColour(QComboBox* box, const QColor& colour) {
  int at = box->findData(colour);
  if (at < 0) {
    QPixmap swatch(14, 14);
    swatch.fill(colour);
    box->addItem(QIcon(swatch), colour.name(), colour);
    at = box->count() - 1;
  }
  box->setCurrentIndex(at);
}

QColor Colour(const QComboBox* box) { return box->currentData().value<QColor>(); }

QSpinBox* Spin(int lo, int hi) {
  auto* spin = new QSpinBox;
  spin->setRange(lo, hi);
  return spin;
}

const char* const AxisNames[] = {"X axis", "Primary Y axis", "Secondary Y axis"};

}  // namespace

TGraphFormat::TGraphFormat(TGraphForm& graph, QWidget* parent) : QDialog(parent), FGraph(graph) {
  setWindowTitle(QStringLiteral("Format"));
  Pages = new QTabWidget;
  Pages->addTab(BuildPlotPage(), QStringLiteral("Plot"));
  Pages->addTab(BuildAxesPage(), QStringLiteral("Axes"));
  Pages->addTab(BuildScalesPage(), QStringLiteral("Axis Scales"));
  Pages->addTab(BuildSeriesPage(), QStringLiteral("Series"));
  Pages->addTab(BuildLegendPage(), QStringLiteral("Legend"));
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel);
  connect(box, &QDialogButtonBox::accepted, this, [this] {
    if (Apply()) accept();
  });
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(box->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { Apply(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Pages);
  layout->addWidget(box);
}

QWidget* TGraphFormat::BuildPlotPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  edTitle = new QLineEdit;
  form->addRow(QStringLiteral("Title"), edTitle);
  form->addRow(QStringLiteral("Title font"), (fcTitleFont = new TFontChooser));
  cbBackground = ColourBox();
  form->addRow(QStringLiteral("Background colour"), cbBackground);
  auto* margins = new QGroupBox(QStringLiteral("Margins (pixels)"));
  auto* grid = new QGridLayout(margins);
  spMarginTop = Spin(0, 200);
  spMarginLeft = Spin(0, 200);
  spMarginBottom = Spin(0, 200);
  spMarginRight = Spin(0, 200);
  grid->addWidget(new QLabel(QStringLiteral("Top")), 0, 0);
  grid->addWidget(spMarginTop, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Left")), 0, 2);
  grid->addWidget(spMarginLeft, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("Bottom")), 1, 0);
  grid->addWidget(spMarginBottom, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Right")), 1, 2);
  grid->addWidget(spMarginRight, 1, 3);
  form->addRow(margins);
  return page;
}

QWidget* TGraphFormat::BuildAxesPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* switches = new QGroupBox(QStringLiteral("Show"));
  auto* row = new QHBoxLayout(switches);
  chkTicks = new QCheckBox(QStringLiteral("Show Ticks"));
  chkLabels = new QCheckBox(QStringLiteral("Show Labels"));
  chkGrid = new QCheckBox(QStringLiteral("Show Grid Lines"));
  row->addWidget(chkTicks);
  row->addWidget(chkLabels);
  row->addWidget(chkGrid);
  layout->addWidget(switches);
  auto* titles = new QGroupBox(QStringLiteral("Titles"));
  auto* titleForm = new QFormLayout(titles);
  edXTitle = new QLineEdit;
  edYTitle = new QLineEdit;
  edY2Title = new QLineEdit;
  titleForm->addRow(QStringLiteral("X axis"), edXTitle);
  titleForm->addRow(QStringLiteral("Primary Y axis"), edYTitle);
  titleForm->addRow(QStringLiteral("Secondary Y axis"), edY2Title);
  titleForm->addRow(QStringLiteral("Title font"), (fcAxisTitleFont = new TFontChooser));
  layout->addWidget(titles);
  auto* formats = new QGroupBox(QStringLiteral("Value Formats"));
  auto* formatForm = new QFormLayout(formats);
  chkAutoFormat = new QCheckBox(QStringLiteral("Auto"));
  chkTime = new QCheckBox(QStringLiteral("Time"));
  auto* flags = new QHBoxLayout;
  flags->addWidget(chkAutoFormat);
  flags->addWidget(chkTime);
  flags->addStretch();
  formatForm->addRow(flags);
  edXFormat = new QLineEdit;
  edYFormat = new QLineEdit;
  edY2Format = new QLineEdit;
  formatForm->addRow(QStringLiteral("X axis"), edXFormat);
  formatForm->addRow(QStringLiteral("Primary Y axis"), edYFormat);
  formatForm->addRow(QStringLiteral("Secondary Y axis"), edY2Format);
  formatForm->addRow(QStringLiteral("Label font"), (fcLabelFont = new TFontChooser));
  layout->addWidget(formats);
  connect(chkAutoFormat, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
  return page;
}

QWidget* TGraphFormat::BuildScalesPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  for (int a = 0; a < 3; ++a) {
    auto* group = new QGroupBox(QString::fromLatin1(AxisNames[a]));
    auto* grid = new QGridLayout(group);
    chkAutoScale[a] = new QCheckBox(QStringLiteral("Auto Scaling"));
    edMin[a] = new QLineEdit;
    edMax[a] = new QLineEdit;
    edInterval[a] = new QLineEdit;
    grid->addWidget(chkAutoScale[a], 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Minimum")), 0, 1);
    grid->addWidget(edMin[a], 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Maximum")), 0, 3);
    grid->addWidget(edMax[a], 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("Interval")), 0, 5);
    grid->addWidget(edInterval[a], 0, 6);
    connect(chkAutoScale[a], &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    layout->addWidget(group);
  }
  layout->addStretch();
  return page;
}

QWidget* TGraphFormat::BuildSeriesPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  cbSeries = new QComboBox;
  form->addRow(QStringLiteral("Series"), cbSeries);
  auto* lines = new QGroupBox(QStringLiteral("Line"));
  auto* lineForm = new QFormLayout(lines);
  cbLineStyle = new QComboBox;
  cbLineStyle->addItem(SelectStyle);
  for (const char* name : LineStyleNames) cbLineStyle->addItem(QString::fromLatin1(name));
  cbLineColour = ColourBox();
  lineForm->addRow(QStringLiteral("Style"), cbLineStyle);
  lineForm->addRow(QStringLiteral("Colour"), cbLineColour);
  form->addRow(lines);
  auto* points = new QGroupBox(QStringLiteral("Points"));
  auto* pointForm = new QFormLayout(points);
  cbPointStyle = new QComboBox;
  cbPointStyle->addItem(SelectStyle);
  for (const char* name : PointStyleNames) cbPointStyle->addItem(QString::fromLatin1(name));
  cbPointColour = ColourBox();
  spPointSize = Spin(1, 30);
  pointForm->addRow(QStringLiteral("Style"), cbPointStyle);
  pointForm->addRow(QStringLiteral("Colour"), cbPointColour);
  pointForm->addRow(QStringLiteral("Size"), spPointSize);
  form->addRow(points);
  connect(cbSeries, &QComboBox::currentIndexChanged, this, [this](int i) { SelectSeries(i); });
  for (QComboBox* box : {cbLineStyle, cbLineColour, cbPointColour, cbPointStyle})
    connect(box, &QComboBox::currentIndexChanged, this, [this] { StoreSeriesControls(); });
  connect(spPointSize, &QSpinBox::valueChanged, this, [this] { StoreSeriesControls(); });
  return page;
}

QWidget* TGraphFormat::BuildLegendPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  chkShowLegend = new QCheckBox(QStringLiteral("Show Legend"));
  chkAutoLegend = new QCheckBox(QStringLiteral("Automatic Dimensions"));
  form->addRow(chkShowLegend);
  form->addRow(chkAutoLegend);
  chkResizeChart = new QCheckBox(QStringLiteral("Resize Chart"));
  form->addRow(chkResizeChart);
  spLegendLeft = Spin(0, 4000);
  spLegendTop = Spin(0, 4000);
  form->addRow(QStringLiteral("Across"), spLegendLeft);
  form->addRow(QStringLiteral("Down"), spLegendTop);
  form->addRow(QStringLiteral("Font"), (fcLegendFont = new TFontChooser));
  connect(chkAutoLegend, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
  connect(chkShowLegend, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
  return page;
}

void TGraphFormat::Load(int page) {
  FLoading = true;
  QChart* chart = FGraph.Chart();
  const TGraphLook& look = FGraph.Look;
  edTitle->setText(chart->title());
  fcTitleFont->SetFont(chart->titleFont());
  SetColour(cbBackground, look.Background);
  spMarginTop->setValue(look.Margins.top());
  spMarginLeft->setValue(look.Margins.left());
  spMarginBottom->setValue(look.Margins.bottom());
  spMarginRight->setValue(look.Margins.right());

  chkTicks->setChecked(look.ShowTicks);
  chkLabels->setChecked(look.ShowLabels);
  chkGrid->setChecked(look.ShowGrid);
  const QList<QAbstractAxis*> bottom = chart->axes(Qt::Horizontal);
  const QList<QAbstractAxis*> vertical = chart->axes(Qt::Vertical);
  edXTitle->setText(FGraph.XTitle());
  for (QAbstractAxis* axis : bottom)
    if (axis->isVisible()) edXTitle->setText(axis->titleText());
  edYTitle->setText(vertical.value(0) ? vertical[0]->titleText() : QString());
  edY2Title->setText(vertical.value(1) ? vertical[1]->titleText() : QString());
  if (vertical.value(0)) {
    fcAxisTitleFont->SetFont(vertical[0]->titleFont());
    fcLabelFont->SetFont(vertical[0]->labelsFont());
  }
  chkAutoFormat->setChecked(FGraph.XAxis.AutoFormat && FGraph.YAxis.AutoFormat && FGraph.Y2Axis.AutoFormat);
  chkTime->setChecked(FGraph.TimeOnXAxis());
  edXFormat->setText(FGraph.XAxis.format);
  edYFormat->setText(FGraph.YAxis.format);
  edY2Format->setText(FGraph.Y2Axis.format);

  const TGraphAxis* axes[] = {&FGraph.XAxis, &FGraph.YAxis, &FGraph.Y2Axis};
  for (int a = 0; a < 3; ++a) {
    chkAutoScale[a]->setChecked(axes[a]->AutoScale);
    edMin[a]->setText(QString::number(FGraph.AxisValue(a, false), 'g', 8));
    edMax[a]->setText(QString::number(FGraph.AxisValue(a, true), 'g', 8));
    edInterval[a]->setText(numbers::FloatToStr(axes[a]->major));
  }

  QLegend* legend = chart->legend();
  chkShowLegend->setChecked(legend->isVisible());
  chkAutoLegend->setChecked(look.LegendAuto);
  chkResizeChart->setChecked(look.LegendResize);
  spLegendLeft->setValue(look.LegendAuto ? static_cast<int>(legend->geometry().left()) : look.LegendLeft);
  spLegendTop->setValue(look.LegendAuto ? static_cast<int>(legend->geometry().top()) : look.LegendTop);
  fcLegendFont->SetFont(legend->font());
  FLoading = false;

  FillSeriesChoices();
  BadInput = false;
  UpdateEnabled();
  Pages->setCurrentIndex(std::clamp(page, 0, Pages->count() - 1));
}

void TGraphFormat::FillSeriesChoices() {
  FLoading = true;
  Styles.clear();
  cbSeries->clear();
  cbSeries->addItem(QStringLiteral("Select Series"));
  for (const TSeries_Line& s : FGraph.SeriesList) {
    if (s.excluded) continue;
    cbSeries->addItem(s.short_name);
    Styles.push_back(s.Style());
  }
  cbSeries->setCurrentIndex(0);
  FSelected = -1;
  cbLineStyle->setCurrentIndex(0);
  cbPointStyle->setCurrentIndex(0);
  FLoading = false;
  UpdateEnabled();
}

void TGraphFormat::SelectSeries(int index) {
  if (FLoading) return;
  FSelected = index >= 1 && index <= static_cast<int>(Styles.size()) ? index - 1 : -1;
  FLoading = true;
  if (FSelected >= 0) {
    const TSeriesStyle& style = Styles[static_cast<std::size_t>(FSelected)];
    int line = 0;
    for (int i = 0; i < 5; ++i)
      if (LineStyles[i] == style.LineStyle) line = i + 1;
    cbLineStyle->setCurrentIndex(line);
    SetColour(cbLineColour, style.LineColour);
    SetColour(cbPointColour, style.PointColour);
    cbPointStyle->setCurrentIndex(std::clamp(style.PointShape, 0, 3) + 1);
    spPointSize->setValue(static_cast<int>(style.PointSize));
  } else {
    cbLineStyle->setCurrentIndex(0);
    cbPointStyle->setCurrentIndex(0);
  }
  FLoading = false;
  UpdateEnabled();
}

void TGraphFormat::StoreSeriesControls() {
  if (FLoading || FSelected < 0) return;
  TSeriesStyle& style = Styles[static_cast<std::size_t>(FSelected)];
  if (cbLineStyle->currentIndex() > 0) style.LineStyle = LineStyles[cbLineStyle->currentIndex() - 1];
  style.LineColour = Colour(cbLineColour);
  style.PointColour = Colour(cbPointColour);
  if (cbPointStyle->currentIndex() > 0) style.PointShape = cbPointStyle->currentIndex() - 1;
  style.PointSize = static_cast<std::uint32_t>(spPointSize->value());
}

void TGraphFormat::UpdateEnabled() {
  const bool rightLabels = FGraph.Look.ShowLabels && std::any_of(FGraph.SeriesList.begin(), FGraph.SeriesList.end(),
                                                                 [](const TSeries_Line& s) { return !s.excluded && s.Second_Y_axis; });
  edY2Title->setEnabled(rightLabels);
  edY2Format->setEnabled(rightLabels && !chkAutoFormat->isChecked());
  edXFormat->setEnabled(!chkAutoFormat->isChecked());
  edYFormat->setEnabled(!chkAutoFormat->isChecked());
  for (int a = 0; a < 3; ++a) {
    const bool manual = !chkAutoScale[a]->isChecked() && (a < 2 || rightLabels);
    edMin[a]->setEnabled(manual);
    edMax[a]->setEnabled(manual);
    edInterval[a]->setEnabled(manual);
  }
  chkAutoScale[2]->setEnabled(rightLabels);
  const bool chosen = FSelected >= 0;
  cbLineStyle->setEnabled(chosen && FGraph.PlotLines);
  cbLineColour->setEnabled(chosen && FGraph.PlotLines);
  cbPointStyle->setEnabled(chosen && FGraph.PlotPoints);
  cbPointColour->setEnabled(chosen && FGraph.PlotPoints);
  spPointSize->setEnabled(chosen && FGraph.PlotPoints);
  const bool manualLegend = chkShowLegend->isChecked() && !chkAutoLegend->isChecked();
  spLegendLeft->setEnabled(manualLegend);
  spLegendTop->setEnabled(manualLegend);
  chkResizeChart->setEnabled(chkShowLegend->isChecked() && chkAutoLegend->isChecked());
}

void TGraphFormat::Refuse(QLineEdit* box, const QString& text) {
  TServices::Prompts().MessageDlg(text, TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
  Pages->setCurrentWidget(box->parentWidget()->parentWidget());
  box->setFocus();
  box->selectAll();
  BadInput = true;
}

// The three fields of a fixed scale; the axis keeps its old scale unless all three are sound.
bool TGraphFormat::ReadScale(int a, TGraphAxis& target) {
  if (chkAutoScale[a]->isChecked()) {
    target.AutoScale = true;
    return true;
  }
  const QString axis = QString::fromLatin1(AxisNames[a]);
  const std::pair<QLineEdit*, const char*> fields[] = {{edMin[a], "Minimum"}, {edMax[a], "Maximum"}, {edInterval[a], "Interval"}};
  double values[3];
  for (int i = 0; i < 3; ++i) {
    const auto v = numbers::ParseTypedNumber(fields[i].first->text());
    if (!v) {
      Refuse(fields[i].first, QStringLiteral("This is not a valid number: %1 %2.").arg(axis, QString::fromLatin1(fields[i].second)));
      return false;
    }
    values[i] = *v;
  }
  if (values[0] >= values[1]) {
    Refuse(edMax[a], QStringLiteral("The %1 Maximum must be greater than its Minimum.").arg(axis));
    return false;
  }
  if (values[2] < 0) {
    Refuse(edInterval[a], QStringLiteral("The %1 Interval cannot be negative.").arg(axis));
    return false;
  }
  target.AutoScale = false;
  target.ScaleMin = values[0];
  target.ScaleMax = values[1];
  target.major = values[2];
  return true;
}

bool TGraphFormat::Apply() {
  BadInput = false;
  TGraphLook look = FGraph.Look;
  // Plot page. An unchanged title stays the automatic one.
  look.Title = edTitle->text() == FGraph.Chart()->title() && FGraph.Look.Title.isEmpty() ? QString() : edTitle->text();
  look.Background = Colour(cbBackground);
  look.Margins = QMargins(spMarginLeft->value(), spMarginTop->value(), spMarginRight->value(), spMarginBottom->value());
  // Axes page.
  look.ShowTicks = chkTicks->isChecked();
  look.ShowLabels = chkLabels->isChecked();
  look.ShowGrid = chkGrid->isChecked();
  const QString automatic[] = {FGraph.XTitle(), QString(), QString()};
  const QList<QAbstractAxis*> vertical = FGraph.Chart()->axes(Qt::Vertical);
  const QLineEdit* titles[] = {edXTitle, edYTitle, edY2Title};
  for (int a = 0; a < 3; ++a) {
    QString current = a == 0 ? automatic[0] : vertical.value(a - 1) ? vertical[a - 1]->titleText() : QString();
    if (!FGraph.Look.AxisTitles[a].isEmpty() || titles[a]->text() != current) look.AxisTitles[a] = titles[a]->text();
  }
  look.FontsSet = true;
  look.TitleFont = fcTitleFont->ChosenFont(FGraph.Chart()->titleFont());
  look.AxisTitleFont = fcAxisTitleFont->ChosenFont(look.AxisTitleFont);
  look.LabelFont = fcLabelFont->ChosenFont(look.LabelFont);
  look.LegendFont = fcLegendFont->ChosenFont(FGraph.Chart()->legend()->font());
  look.TimeX = chkTime->isChecked() ? 1 : 0;
  // Legend page.
  look.LegendVisible = chkShowLegend->isChecked();
  look.LegendAuto = chkAutoLegend->isChecked();
  look.LegendResize = chkResizeChart->isChecked();
  look.LegendLeft = spLegendLeft->value();
  look.LegendTop = spLegendTop->value();

  // Value formats: a format that cannot be read leaves its axis as it was.
  TGraphAxis axes[] = {FGraph.XAxis, FGraph.YAxis, FGraph.Y2Axis};
  const bool autoFormat = chkAutoFormat->isChecked();
  QLineEdit* formats[] = {edXFormat, edYFormat, edY2Format};
  for (int a = 0; a < 3; ++a) {
    if (autoFormat) {
      axes[a].AutoFormat = true;
      continue;
    }
    const QString text = formats[a]->text().trimmed();
    const bool clock = a == 0 && chkTime->isChecked();
    if (clock ? !TGraphForm::IsTimeFormat(text) : !TGraphForm::IsNumberFormat(text)) {
      if (!formats[a]->isEnabled()) continue;
      Refuse(formats[a], QStringLiteral("This is not a valid %1 format: %2 value format.")
                             .arg(clock ? QStringLiteral("time") : QStringLiteral("number"), QString::fromLatin1(AxisNames[a])));
      continue;
    }
    axes[a].AutoFormat = false;
    axes[a].format = text;
  }
  // Scales: refused fields leave their axis alone.
  bool scalesOk = true;
  for (int a = 0; a < 3; ++a)
    if (chkAutoScale[a]->isEnabled() || a < 2) scalesOk = ReadScale(a, axes[a]) && scalesOk;
  BadInput = BadInput || !scalesOk;

  FGraph.Look = look;
  FGraph.XAxis = axes[0];
  FGraph.YAxis = axes[1];
  FGraph.Y2Axis = axes[2];
  FGraph.RefreshSeries(Styles);
  FGraph.SetPlotTitles();
  return !BadInput;
}
