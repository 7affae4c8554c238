#include "results/graphconfig.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/numbers.h"
#include "platform/services.h"
#include "results/graphform.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/helprequests.h"

namespace {

QListWidget* SeriesListBox() {
  auto* list = new QListWidget;
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setMinimumWidth(220);
  return list;
}

QPushButton* MoveButton(const QString& text, const QString& hint) {
  auto* button = new QPushButton(text);
  button->setToolTip(hint);
  button->setFixedWidth(40);
  return button;
}

}  // namespace

TGraphConfig::TGraphConfig(TGraphForm& graph, QWidget* parent) : QDialog(parent), FGraph(graph) {
  setWindowTitle(QStringLiteral("Graph Configuration"));
  lbAvailable = SeriesListBox();
  lbPrimary = SeriesListBox();
  lbSecondary = SeriesListBox();
  const QString toAxis1 = QStringLiteral("Display the highlighted data on the first y-axis");
  const QString toAxis2 = QStringLiteral("Display the highlighted data on the second y-axis");
  const QString hide = QStringLiteral("Do not display the highlighted data");
  btnToPrimary = MoveButton(QStringLiteral(">"), toAxis1);
  btnFromPrimary = MoveButton(QStringLiteral("<"), hide);
  btnToSecondary = MoveButton(QStringLiteral(">"), toAxis2);
  btnFromSecondary = MoveButton(QStringLiteral("<"), hide);
  connect(btnToPrimary, &QPushButton::clicked, this, &TGraphConfig::MoveToPrimary);
  connect(btnToSecondary, &QPushButton::clicked, this, &TGraphConfig::MoveToSecondary);
  connect(btnFromPrimary, &QPushButton::clicked, this, &TGraphConfig::RemoveFromPrimary);
  connect(btnFromSecondary, &QPushButton::clicked, this, &TGraphConfig::RemoveFromSecondary);

  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("Available Series")), 0, 0);
  lists->addWidget(lbAvailable, 1, 0, 2, 1);
  auto* buttons1 = new QVBoxLayout;
  buttons1->addStretch();
  buttons1->addWidget(btnToPrimary);
  buttons1->addWidget(btnFromPrimary);
  buttons1->addStretch();
  auto* buttons2 = new QVBoxLayout;
  buttons2->addStretch();
  buttons2->addWidget(btnToSecondary);
  buttons2->addWidget(btnFromSecondary);
  buttons2->addStretch();
  lists->addLayout(buttons1, 1, 1);
  lists->addLayout(buttons2, 2, 1);
  auto* primary = new QVBoxLayout;
  primary->addWidget(new QLabel(QStringLiteral("Series on Primary Y-Axis")));
  primary->addWidget(lbPrimary);
  auto* secondary = new QVBoxLayout;
  secondary->addWidget(new QLabel(QStringLiteral("Series on Secondary Y-Axis")));
  secondary->addWidget(lbSecondary);
  lists->addLayout(primary, 1, 2);
  lists->addLayout(secondary, 2, 2);

  auto* style = new QGroupBox(QStringLiteral("Plot Style"));
  rbPoints = new QRadioButton(QStringLiteral("Show Points"));
  rbLines = new QRadioButton(QStringLiteral("Show Lines"));
  auto* styleLayout = new QVBoxLayout(style);
  styleLayout->addWidget(rbPoints);
  styleLayout->addWidget(rbLines);

  auto* xBox = new QGroupBox(QStringLiteral("X-Axis Content"));
  cbXAxis = new QComboBox;
  cbXAxis->setMinimumWidth(180);
  (new QVBoxLayout(xBox))->addWidget(cbXAxis);

  auto* scale = new QGroupBox(QStringLiteral("Scale Factors"));
  edScFX = new QLineEdit(numbers::FloatToStr(FGraph.FScalingXfactor));
  edScFY = new QLineEdit(numbers::FloatToStr(FGraph.FScalingYfactor));
  btnScale = new QPushButton(QStringLiteral("Sc"));
  btnScale->setToolTip(QStringLiteral("Scale the plotted values by these factors now"));
  connect(btnScale, &QPushButton::clicked, this, &TGraphConfig::ApplyScale);
  auto* scaleLayout = new QGridLayout(scale);
  scaleLayout->addWidget(new QLabel(QStringLiteral("X")), 0, 0);
  scaleLayout->addWidget(edScFX, 0, 1);
  scaleLayout->addWidget(new QLabel(QStringLiteral("Y")), 1, 0);
  scaleLayout->addWidget(edScFY, 1, 1);
  scaleLayout->addWidget(btnScale, 0, 2, 2, 1);

  auto* side = new QVBoxLayout;
  side->addWidget(xBox);
  side->addWidget(style);
  side->addWidget(scale);
  side->addStretch();

  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(box, &QDialogButtonBox::helpRequested, this, [] {
    if (TRigConfig* rig = TServices::Rig()) rig->ShellStringHelp(QLatin1String(helptopics::kGraphConfiguration));
  });

  auto* top = new QHBoxLayout;
  top->addLayout(lists, 1);
  top->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(box);
}

void TGraphConfig::GetAxes(std::vector<TSeries_Line>* series, const std::vector<TSeries_Line>* xAxes, int xChoice) {
  FSeries = series;
  FXAxes = xAxes;
  XAxisChoice = xChoice;
  edScFX->setText(numbers::FloatToStr(FGraph.FScalingXfactor));
  edScFY->setText(numbers::FloatToStr(FGraph.FScalingYfactor));
  FillLists();
  const bool points = FSeries->empty() ? FGraph.PlotPoints : FSeries->front().Show_points;
  rbPoints->setChecked(points);
  rbLines->setChecked(!points);
  cbXAxis->clear();
  for (const TSeries_Line& x : *FXAxes) {
    cbXAxis->addItem(x.name, x.column);
    if (x.column == XAxisChoice) cbXAxis->setCurrentIndex(cbXAxis->count() - 1);
  }
}

void TGraphConfig::FillLists() {
  lbAvailable->clear();
  lbPrimary->clear();
  lbSecondary->clear();
  AllPlotSeriesIndex.clear();
  Y1PlotSeriesIndex.clear();
  Y2PlotSeriesIndex.clear();
  for (std::size_t i = 0; i < FSeries->size(); ++i) {
    const TSeries_Line& s = (*FSeries)[i];
    QListWidget* list = s.excluded ? lbAvailable : s.Second_Y_axis ? lbSecondary : lbPrimary;
    std::vector<int>& index = s.excluded ? AllPlotSeriesIndex : s.Second_Y_axis ? Y2PlotSeriesIndex : Y1PlotSeriesIndex;
    list->addItem(s.Column_Label);
    index.push_back(static_cast<int>(i));
  }
}

void TGraphConfig::Move(QListWidget* from, std::vector<int>& fromIndex, QListWidget* to, std::vector<int>& toIndex,
                        bool shown, bool secondary) {
  if (!FSeries) return;
  // From the bottom up, so the rows still to move keep their positions.
  for (int row = from->count() - 1; row >= 0; --row) {
    if (!from->item(row)->isSelected()) continue;
    const int index = fromIndex[static_cast<std::size_t>(row)];
    TSeries_Line& s = (*FSeries)[static_cast<std::size_t>(index)];
    s.excluded = !shown;
    s.Second_Y_axis = secondary;
    // Lines keep the series list's order, so the graph's axis titles follow the first one.
    std::size_t at = 0;
    while (at < toIndex.size() && toIndex[at] < index) ++at;
    toIndex.insert(toIndex.begin() + static_cast<std::ptrdiff_t>(at), index);
    to->insertItem(static_cast<int>(at), s.Column_Label);
    fromIndex.erase(fromIndex.begin() + row);
    delete from->takeItem(row);
  }
}

void TGraphConfig::MoveToPrimary() { Move(lbAvailable, AllPlotSeriesIndex, lbPrimary, Y1PlotSeriesIndex, true, false); }
void TGraphConfig::MoveToSecondary() { Move(lbAvailable, AllPlotSeriesIndex, lbSecondary, Y2PlotSeriesIndex, true, true); }
void TGraphConfig::RemoveFromPrimary() { Move(lbPrimary, Y1PlotSeriesIndex, lbAvailable, AllPlotSeriesIndex, false, false); }
void TGraphConfig::RemoveFromSecondary() {
  Move(lbSecondary, Y2PlotSeriesIndex, lbAvailable, AllPlotSeriesIndex, false, false);
}

void TGraphConfig::ApplyScale() {
  const double fx = numbers::ParseTypedNumber(edScFX->text()).value_or(FGraph.FScalingXfactor);
  const double fy = numbers::ParseTypedNumber(edScFY->text()).value_or(FGraph.FScalingYfactor);
  edScFX->setText(numbers::FloatToStr(fx));
  edScFY->setText(numbers::FloatToStr(fy));
  FGraph.RescaleAxis(fy, fx);
}

void TGraphConfig::ApplyChoices() {
  const bool points = rbPoints->isChecked();
  FGraph.PlotPoints = points;
  FGraph.PlotLines = !points;
  if (FSeries)
    for (TSeries_Line& s : *FSeries) {
      s.Show_points = points;
      s.Show_Lines = !points;
    }
  if (cbXAxis->currentIndex() >= 0) XAxisChoice = cbXAxis->currentData().toInt();
}
