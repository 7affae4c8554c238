#pragma once
// Shows the active sheet of a TWorkbook to Qt's item views: displayed text for viewing, the
// entry (formula or exact number) for editing, column headings from ColText.

#include <QAbstractTableModel>

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

 signals:
  // An edit was refused (a formula that does not compile); the message says why.
  void EditRefused(const QString& message);

 private:
  void Changed(int sheet, int row1, int col1, int row2, int col2);
  TWorkbook& FBook;
  int FRows = 0, FCols = 0;
};
