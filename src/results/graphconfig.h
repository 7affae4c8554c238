#pragma once
// "Graph Configuration": which columns the graph plots. It edits the graph's series list in place
// (shown or not, left or right axis, points or lines), picks the X column and sets the two user
// scale factors. The graph rebuilds after OK.

#include <vector>

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TGraphForm;
struct TSeries_Line;

class TGraphConfig : public QDialog {
  Q_OBJECT
 public:
  explicit TGraphConfig(TGraphForm& graph, QWidget* parent = nullptr);

  // Fills the three lists, the style choice and the X choice from the graph's descriptions.
  void GetAxes(std::vector<TSeries_Line>* series, const std::vector<TSeries_Line>* xAxes, int xChoice);

  // The move buttons: every highlighted line of the source list, one at a time.
  void MoveToPrimary();
  void MoveToSecondary();
  void RemoveFromPrimary();
  void RemoveFromSecondary();
  // "Sc": both factors (an unreadable field keeps the current factor) straight to the graph.
  void ApplyScale();
  // OK: styles, X choice and the X format into the graph; the caller rebuilds it.
  void ApplyChoices();

  // Indices into the series list, one per line of each list.
  std::vector<int> AllPlotSeriesIndex, Y1PlotSeriesIndex, Y2PlotSeriesIndex;
  int XAxisChoice = 0;

  QListWidget *lbAvailable, *lbPrimary, *lbSecondary;
  QRadioButton *rbPoints, *rbLines;
  QComboBox* cbXAxis;
  QLineEdit *edScFX, *edScFY;
  QPushButton *btnToPrimary, *btnToSecondary, *btnFromPrimary, *btnFromSecondary, *btnScale;

 private:
  void Move(QListWidget* from, std::vector<int>& fromIndex, QListWidget* to, std::vector<int>& toIndex, bool shown,
            bool secondary);
  void FillLists();

  TGraphForm& FGraph;
  std::vector<TSeries_Line>* FSeries = nullptr;
  const std::vector<TSeries_Line>* FXAxes = nullptr;
};
