#pragma once
// The workbook as a widget: a table view over a TWorkbook with column headings, widths and row
// heights from the sheet, an optional frozen first row, selection that follows the workbook's,
// clipboard copy/cut/paste of ranges as tab-separated text, and a click signal. The model does the
// work; reach it through Book() for every cell operation.

#include <functional>

#include <QWidget>

#include "workbook/model/workbook.h"

class QTableView;
class TWorkbookTableModel;

class TF1Book : public QWidget {
  Q_OBJECT
 public:
  explicit TF1Book(QWidget* parent = nullptr);
  ~TF1Book() override;

  TWorkbook& Book() { return FBook; }
  const TWorkbook& Book() const { return FBook; }

  // The operations callers use most, forwarded.
  QStringList Read(const QString& path, std::int16_t* fileType = nullptr) { return FBook.Read(path, fileType); }
  QStringList Write(const QString& path, std::int16_t fileType, int textRows = 0) const { return FBook.Write(path, fileType, textRows); }
  void SetSelection(int row1, int col1, int row2, int col2);

  // Clipboard commands on the workbook's selection. Cut and Paste first ask the edit guard, when
  // there is one, about the rows they would change (row1..row2, counted from 1): a text it returns
  // is the reason they are refused, sent through EditRefused, and nothing changes.
  using TEditGuard = std::function<QString(int row1, int row2)>;
  void SetEditGuard(TEditGuard guard) { FEditGuard = std::move(guard); }
  void EditCopy();
  void EditCut();
  void EditPaste();

  int FixedRows() const { return FFixedRows; }
  void SetFixedRows(int rows);  // 0 or 1: row 1 stays in view while the rest scrolls

  QTableView* View() const { return FView; }
  // Work on another sheet and back without the view following each switch (a run recorded while
  // another run is shown).
  void SetBackstage(bool on);

 signals:
  // A cell was clicked; row 0 means a column heading.
  void Click(int row, int col);
  // An edit or paste was refused; the text says why.
  void EditRefused(const QString& message);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplySizes();
  void PlaceFrozen();
  void SelectionToBook();
  bool Refused(int row1, int row2);

  TWorkbook FBook;
  TWorkbookTableModel* FModel;
  QTableView* FView;
  QTableView* FFrozen;
  int FFixedRows = 0;
  bool FSyncing = false;
  TEditGuard FEditGuard;
};
