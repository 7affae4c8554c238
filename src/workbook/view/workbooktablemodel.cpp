#include "workbook/view/workbooktablemodel.h"

#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

TWorkbookTableModel::TWorkbookTableModel(TWorkbook& book, QObject* parent) : QAbstractTableModel(parent), FBook(book) {
  FRows = FBook.MaxRow();
  FCols = FBook.MaxCol();
  FBook.SetChangeHandler([this](int sheet, int r1, int c1, int r2, int c2) { Changed(sheet, r1, c1, r2, c2); });
}

TWorkbookTableModel::~TWorkbookTableModel() { FBook.SetChangeHandler(nullptr); }

int TWorkbookTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FRows; }
int TWorkbookTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FCols; }

QVariant TWorkbookTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int r = index.row() + 1, c = index.column() + 1;
  switch (role) {
    case Qt::DisplayRole: return FBook.FormattedTextRC(r, c);
    case Qt::EditRole: return FBook.EntryRC(r, c);
    case Qt::TextAlignmentRole: {
      const TValueKind kind = FBook.ValueRC(r, c).Kind;
      const Qt::Alignment h = kind == TValueKind::Number ? Qt::AlignRight
                              : kind == TValueKind::Bool || kind == TValueKind::Error ? Qt::AlignHCenter : Qt::AlignLeft;
      return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    default: return {};
  }
}

bool TWorkbookTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  try {
    FBook.SetEntryRC(index.row() + 1, index.column() + 1, value.toString());
    return true;
  } catch (const EWorkbookError& e) {
    emit EditRefused(e.Message());
    return false;
  }
}

QVariant TWorkbookTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  const QString text = FBook.ColText(section + 1);
  return text.isEmpty() ? a1::ColumnName(section + 1) : text;
}

Qt::ItemFlags TWorkbookTableModel::flags(const QModelIndex& index) const {
  return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

// Cell changes become dataChanged; anything that may move the grid (sheet switch, size, file read)
// resets the model.
void TWorkbookTableModel::Changed(int sheet, int row1, int col1, int row2, int col2) {
  const int rows = FBook.MaxRow();
  const int cols = FBook.MaxCol();
  // The shown sheet grew at its end (a run taking samples): the view keeps its place and selection,
  // and a view of a long run is not rebuilt for every sample.
  if (sheet != 0 && sheet == FBook.Sheet() && cols == FCols && rows > FRows) {
    beginInsertRows(QModelIndex(), FRows, rows - 1);
    FRows = rows;
    endInsertRows();
  }
  if (sheet == 0 || rows != FRows || cols != FCols) {
    beginResetModel();
    FRows = rows;
    FCols = cols;
    endResetModel();
    return;
  }
  if (sheet != FBook.Sheet()) return;
  if (row1 == 0) {
    emit headerDataChanged(Qt::Horizontal, col1 - 1, col2 - 1);
    return;
  }
  if (col1 == 0) {
    emit headerDataChanged(Qt::Vertical, row1 - 1, row2 - 1);
    return;
  }
  emit dataChanged(index(row1 - 1, col1 - 1), index(row2 - 1, col2 - 1));
}
