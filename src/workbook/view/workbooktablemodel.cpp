#include "workbook/view/workbooktablemodel.h"

#include <algorithm>

#include "workbook/model/a1notation.h"
#include "workbook/model/workbook.h"
#include "workbook/model/workbookerror.h"

TWorkbookTableModel::TWorkbookTableModel(TWorkbook& book, QObject* parent) : QAbstractTableModel(parent), FBook(book) {
  FRows = FBook.MaxRow();
  FCols = FBook.MaxCol();
  FShown = FBook.Sheet();
  FPace.setSingleShot(true);
  FPace.setInterval(GrowthPaceMs);
  connect(&FPace, &QTimer::timeout, this, &TWorkbookTableModel::Paced);
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
  if (FBackstage && (sheet != FShown || FBook.Sheet() != FShown)) {
    // Another sheet, a switch there and back, or the shown sheet changed while another was active
    // (read again at the end).
    FMissed = FMissed || sheet == FShown;
    return;
  }
  const int rows = FBook.MaxRow();
  const int cols = FBook.MaxCol();
  const bool shown = sheet != 0 && sheet == FBook.Sheet() && sheet == FShown;
  // The shown sheet grew at its end (a run taking samples): the view keeps its place and selection,
  // and a view of a long run is not rebuilt for every sample.
  if (shown && cols == FCols && rows > FRows) Grow(rows);
  if (sheet == 0 || cols != FCols || rows < FRows || (rows > FRows && !(shown && FWaiting))) {
    Reset();
    return;
  }
  if (!shown) return;
  if (row1 == 0) {
    emit headerDataChanged(Qt::Horizontal, col1 - 1, col2 - 1);
    return;
  }
  // Rows not shown yet are read when they are.
  row2 = std::min(row2, FRows);
  if (row1 > row2) return;
  if (col1 == 0) {
    emit headerDataChanged(Qt::Vertical, row1 - 1, row2 - 1);
    return;
  }
  emit dataChanged(index(row1 - 1, col1 - 1), index(row2 - 1, col2 - 1));
}

void TWorkbookTableModel::Reset() {
  FPace.stop();
  FWaiting = FMissed = false;
  beginResetModel();
  FRows = FBook.MaxRow();
  FCols = FBook.MaxCol();
  FShown = FBook.Sheet();
  endResetModel();
}

void TWorkbookTableModel::Grow(int rows) {
  if (FPace.isActive()) {
    FWaiting = true;
    return;
  }
  FWaiting = false;
  beginInsertRows(QModelIndex(), FRows, rows - 1);
  FRows = rows;
  endInsertRows();
  FPace.start();
}

void TWorkbookTableModel::Paced() {
  if (!FWaiting) return;
  FWaiting = false;
  Follow();
}

void TWorkbookTableModel::SetBackstage(bool on) {
  if (on == FBackstage) return;
  FBackstage = on;
  if (!on) Follow();
}

// The views catch up with the workbook: its rows gained at the shown sheet's end, or all of it anew.
void TWorkbookTableModel::Follow() {
  if (FBook.Sheet() != FShown || FBook.MaxCol() != FCols || FBook.MaxRow() < FRows) {
    Reset();
    return;
  }
  if (FBook.MaxRow() > FRows) Grow(FBook.MaxRow());
  if (FMissed) {
    FMissed = false;
    if (FRows > 0 && FCols > 0) emit dataChanged(index(0, 0), index(FRows - 1, FCols - 1));
  }
}
