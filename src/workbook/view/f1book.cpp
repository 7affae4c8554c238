#include "workbook/view/f1book.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "workbook/model/workbookerror.h"
#include "workbook/view/workbooktablemodel.h"

TF1Book::TF1Book(QWidget* parent) : QWidget(parent) {
  FModel = new TWorkbookTableModel(FBook, this);
  FView = new QTableView(this);
  FView->setModel(FModel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FView);

  // The frozen row is a second view over the same model laid on top of the first, cut to its
  // heading and first row and scrolled sideways with it.
  FFrozen = new QTableView(FView);
  FFrozen->setModel(FModel);
  FFrozen->setSelectionModel(FView->selectionModel());
  FFrozen->setFocusPolicy(Qt::NoFocus);
  FFrozen->verticalHeader()->hide();
  FFrozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FFrozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FFrozen->setFrameShape(QFrame::NoFrame);
  FFrozen->hide();
  connect(FView->horizontalScrollBar(), &QScrollBar::valueChanged, FFrozen->horizontalScrollBar(), &QScrollBar::setValue);

  connect(FModel, &TWorkbookTableModel::EditRefused, this, &TF1Book::EditRefused);
  connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
    FFrozen->setSelectionModel(FView->selectionModel());
    ApplySizes();
  });
  connect(FModel, &QAbstractItemModel::headerDataChanged, this, [this] { ApplySizes(); });
  connect(FView, &QTableView::clicked, this, [this](const QModelIndex& i) { emit Click(i.row() + 1, i.column() + 1); });
  connect(FFrozen, &QTableView::clicked, this, [this](const QModelIndex& i) { emit Click(i.row() + 1, i.column() + 1); });
  connect(FView->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { emit Click(0, c + 1); });
  connect(FFrozen->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { emit Click(0, c + 1); });
  connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { SelectionToBook(); });
  connect(FView->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int c, int, int size) {
    if (FSyncing) return;
    FFrozen->setColumnWidth(c, size);
    const int zero = std::max(FView->fontMetrics().horizontalAdvance(QLatin1Char('0')), 1);
    FSyncing = true;
    FBook.SetColWidth(c + 1, static_cast<std::uint16_t>(std::clamp(size * 256 / zero, 0, 65535)));
    FSyncing = false;
  });
  const std::pair<QKeySequence::StandardKey, void (TF1Book::*)()> commands[] = {
      {QKeySequence::Copy, &TF1Book::EditCopy}, {QKeySequence::Cut, &TF1Book::EditCut}, {QKeySequence::Paste, &TF1Book::EditPaste}};
  for (const auto& [key, command] : commands) {
    auto* action = new QAction(this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, command);
    addAction(action);
  }
  ApplySizes();
}

TF1Book::~TF1Book() = default;

// Widths are in 1/256 of a "0", heights in twips: turn both into pixels of the view's font.
void TF1Book::ApplySizes() {
  if (FSyncing) return;
  FSyncing = true;
  const int zero = std::max(FView->fontMetrics().horizontalAdvance(QLatin1Char('0')), 1);
  const double pxPerTwip = FView->logicalDpiY() / 1440.0;
  for (int c = 0; c < FModel->columnCount(); ++c) {
    const int px = FBook.ColWidth(c + 1) * zero / 256 + 6;
    FView->setColumnWidth(c, px);
    FFrozen->setColumnWidth(c, px);
  }
  const auto& heights = FBook.SheetAt(FBook.Sheet()).RowHeights;
  for (const auto& [row, h] : heights)
    if (row <= FModel->rowCount()) {
      FView->setRowHeight(row - 1, std::max(1, static_cast<int>(h * pxPerTwip)));
      FFrozen->setRowHeight(row - 1, FView->rowHeight(row - 1));
    }
  const int header = std::max(static_cast<int>(FBook.HdrHeight() * pxPerTwip), FView->horizontalHeader()->minimumSectionSize());
  FView->horizontalHeader()->setFixedHeight(header);
  FFrozen->horizontalHeader()->setFixedHeight(header);
  FSyncing = false;
  PlaceFrozen();
}

void TF1Book::SetBackstage(bool on) { FModel->SetBackstage(on); }

void TF1Book::SetFixedRows(int rows) {
  FFixedRows = std::clamp(rows, 0, 1);
  FFrozen->setVisible(FFixedRows > 0);
  PlaceFrozen();
}

void TF1Book::PlaceFrozen() {
  if (FFixedRows == 0) return;
  const int left = FView->verticalHeader()->isVisible() ? FView->verticalHeader()->width() : 0;
  FFrozen->setGeometry(FView->frameWidth() + left, FView->frameWidth(), FView->viewport()->width(),
                       FView->horizontalHeader()->height() + FView->rowHeight(0));
  FFrozen->raise();
}

void TF1Book::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceFrozen();
}

void TF1Book::SetSelection(int row1, int col1, int row2, int col2) {
  FBook.SetSelection(row1, col1, row2, col2);
  const TWorkbook::TSelection s = FBook.Selection();
  FSyncing = true;
  const QItemSelection range(FModel->index(s.Row1 - 1, s.Col1 - 1),
                             FModel->index(std::min(s.Row2, FModel->rowCount()) - 1, std::min(s.Col2, FModel->columnCount()) - 1));
  FView->selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
  FSyncing = false;
}

void TF1Book::SelectionToBook() {
  if (FSyncing) return;
  // Ranges, not indexes: selecting a whole results sheet must not list every cell.
  const QItemSelection picked = FView->selectionModel()->selection();
  if (picked.isEmpty()) return;
  int r1 = INT_MAX, c1 = INT_MAX, r2 = 0, c2 = 0;
  for (const QItemSelectionRange& range : picked) {
    r1 = std::min(r1, range.top() + 1);
    c1 = std::min(c1, range.left() + 1);
    r2 = std::max(r2, range.bottom() + 1);
    c2 = std::max(c2, range.right() + 1);
  }
  FBook.SetSelection(r1, c1, r2, c2);
}

void TF1Book::EditCopy() { QApplication::clipboard()->setText(FBook.EditCopy()); }

bool TF1Book::Refused(int row1, int row2) {
  const QString reason = FEditGuard ? FEditGuard(row1, row2) : QString();
  if (reason.isEmpty()) return false;
  emit EditRefused(reason);
  return true;
}

void TF1Book::EditCut() {
  const TWorkbook::TSelection s = FBook.Selection();
  if (Refused(s.Row1, s.Row2)) return;
  QApplication::clipboard()->setText(FBook.EditCut());
}

void TF1Book::EditPaste() {
  const QString text = QApplication::clipboard()->text();
  const qsizetype rows = TWorkbook::PastedLines(text).size();
  if (rows == 0) return;
  const int row1 = FBook.Selection().Row1;
  if (Refused(row1, row1 + static_cast<int>(rows) - 1)) return;
  try {
    FBook.EditPaste(text);
  } catch (const EWorkbookError& e) {
    emit EditRefused(e.Message());
  }
}
