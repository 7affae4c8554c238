#pragma once
// Shows the active sheet of a TWorkbook to Qt's item views: displayed text for viewing, the
// entry (formula or exact number) for editing, column headings from ColText.

#include <QAbstractTableModel>
#include <QTimer>

class TWorkbook;

class TWorkbookTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TWorkbookTableModel(TWorkbook& book, QObject* parent = nullptr);
  ~TWorkbookTableModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 public:
  // While on, the workbook may switch to another sheet and back (a run recorded while another is
  // shown): the view stays on the sheet it shows and takes only that sheet's changes. Turned off,
  // the view follows the workbook again.
  void SetBackstage(bool on);
  // Rows a growing sheet gains are shown at once, then at most every this many milliseconds while
  // it keeps growing: each growth makes the views walk every row again.
  static constexpr int GrowthPaceMs = 250;

 signals:
  // An edit was refused (a formula that does not compile); the message says why.
  void EditRefused(const QString& message);

 private:
  void Changed(int sheet, int row1, int col1, int row2, int col2);
  void Reset();
  // Shows the shown sheet's rows up to `rows` now, or at the next pace.
  void Grow(int rows);
  void Paced();
  void Follow();
  TWorkbook& FBook;
  int FRows = 0, FCols = 0;
  int FShown = 0;  // the sheet the views show
  bool FBackstage = false;
  bool FWaiting = false;  // rows gained since the last pace are not shown yet
  bool FMissed = false;   // the shown sheet changed while another was active
  QTimer FPace;
};
