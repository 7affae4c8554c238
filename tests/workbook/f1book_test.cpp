#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>

#include "workbook/view/f1book.h"
#include "support/tempfolder.h"

namespace {

TEST(F1Book, TheViewShowsTheModelAndFollowsItsChanges) {
  TF1Book book;
  TWorkbook& wb = book.Book();
  wb.SetMaxCol(3);
  wb.SetColText(2, "Flow");
  wb.SetNumberRC(2, 1, 1.5);
  wb.SetNumberFormatRC(2, 2, "0.00");
  wb.SetFormulaRC(2, 2, "=A2*2");
  QAbstractItemModel* model = book.View()->model();
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Flow");
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "A");
  EXPECT_EQ(model->data(model->index(1, 1)).toString(), "3.00");
  EXPECT_EQ(model->data(model->index(1, 1), Qt::EditRole).toString(), "=A2*2");
  wb.SetNumberRC(2, 1, 2);  // the formula's cell is repainted from the new result
  EXPECT_EQ(model->data(model->index(1, 1)).toString(), "4.00");
  EXPECT_TRUE(model->setData(model->index(2, 0), "=A2+1", Qt::EditRole));  // typed formula
  EXPECT_EQ(wb.NumberRC(3, 1), 3);
  QString refused;
  QObject::connect(&book, &TF1Book::EditRefused, [&](const QString& m) { refused = m; });
  EXPECT_FALSE(model->setData(model->index(2, 0), "=A2+", Qt::EditRole));
  EXPECT_FALSE(refused.isEmpty());
  EXPECT_EQ(wb.NumberRC(3, 1), 3);
  wb.SetMaxRow(500);
  EXPECT_EQ(model->rowCount(), 500);
}

// A sheet growing at its end (a run taking samples) shows its new rows at once, then at most once
// a pace while it keeps growing, each row read when it is shown: every growth makes the views walk
// all rows again. A change that moves the grid is shown at once, waiting rows or not.
TEST(F1Book, AGrowingSheetShowsItsNewRowsAtAPace) {
  TF1Book book;
  TWorkbook& wb = book.Book();
  wb.SetMaxCol(3);
  wb.SetMaxRow(10);
  QAbstractItemModel* model = book.View()->model();
  int inserted = 0, resets = 0, beyond = 0;
  QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
  QObject::connect(model, &QAbstractItemModel::modelReset, [&] { ++resets; });
  QObject::connect(model, &QAbstractItemModel::dataChanged, [&](const QModelIndex& a, const QModelIndex& b) {
    beyond += !a.isValid() || !b.isValid() || b.row() >= model->rowCount();
  });
  wb.SetMaxRow(20);
  EXPECT_EQ(model->rowCount(), 20);
  EXPECT_EQ(inserted, 1);
  for (int r = 21; r <= 200; ++r) {
    wb.SetMaxRow(r);
    wb.SetNumberRC(r, 1, r);
  }
  EXPECT_EQ(inserted, 1);
  EXPECT_EQ(model->rowCount(), 20);
  EXPECT_EQ(beyond, 0) << "changes to rows not shown yet reach the views";
  QElapsedTimer waited;
  waited.start();
  while (model->rowCount() < 200 && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(model->rowCount(), 200);
  EXPECT_EQ(inserted, 2);
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(model->data(model->index(199, 0), Qt::DisplayRole).toString(), "200");
  wb.SetMaxRow(300);
  EXPECT_EQ(model->rowCount(), 200) << "within the pace";
  wb.SetMaxCol(4);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(model->rowCount(), 300);
  EXPECT_EQ(model->columnCount(), 4);
}

// Working on another sheet backstage (a run recorded while another is shown) leaves the view on
// its sheet, not rebuilt; ended on another sheet, the view follows it.
TEST(F1Book, BackstageWorkOnAnotherSheetLeavesTheViewWhereItIs) {
  TF1Book book;
  TWorkbook& wb = book.Book();
  wb.SetNumSheets(2);
  wb.SetSheet(2);
  wb.SetMaxRow(500);
  wb.SetSheet(1);
  wb.SetMaxRow(40);
  wb.SetNumberRC(3, 1, 7);
  QAbstractItemModel* model = book.View()->model();
  int resets = 0, changed = 0;
  QObject::connect(model, &QAbstractItemModel::modelReset, [&] { ++resets; });
  QObject::connect(model, &QAbstractItemModel::dataChanged, [&] { ++changed; });
  for (int n = 1; n <= 20; ++n) {
    book.SetBackstage(true);
    wb.SetSheet(2);
    wb.SetMaxRow(500 + n);
    wb.SetNumberRC(500 + n, 1, n);
    wb.SetSheet(1);
    book.SetBackstage(false);
  }
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(model->rowCount(), 40);
  EXPECT_EQ(model->data(model->index(2, 0), Qt::DisplayRole).toString(), "7");
  wb.SetNumberRC(3, 1, 8);  // the shown sheet's own changes still arrive
  EXPECT_EQ(changed, 1);
  book.SetBackstage(true);
  wb.SetSheet(2);
  book.SetBackstage(false);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(model->rowCount(), 520);
  EXPECT_EQ(model->data(model->index(519, 0), Qt::DisplayRole).toString(), "20");
}

TEST(F1Book, ClicksReportTheCellAndRowZeroForHeadings) {
  TF1Book book;
  std::vector<std::pair<int, int>> clicks;
  QObject::connect(&book, &TF1Book::Click, [&](int r, int c) { clicks.emplace_back(r, c); });
  emit book.View()->horizontalHeader()->sectionClicked(2);
  emit book.View()->clicked(book.View()->model()->index(4, 1));
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0], std::make_pair(0, 3));
  EXPECT_EQ(clicks[1], std::make_pair(5, 2));
}

TEST(F1Book, ClipboardCommandsMoveRangesAsTabSeparatedText) {
  TF1Book book;
  TWorkbook& wb = book.Book();
  wb.SetNumberRC(1, 1, 1);
  wb.SetNumberRC(1, 2, 2);
  book.SetSelection(1, 1, 1, 2);
  book.EditCopy();
  EXPECT_EQ(QApplication::clipboard()->text(), "1\t2\n");
  book.SetSelection(3, 2, 3, 2);
  book.EditPaste();
  EXPECT_EQ(wb.NumberRC(3, 3), 2);
  book.View()->selectAll();  // a selection made in the view becomes the workbook's
  EXPECT_EQ(wb.Selection().Row2, wb.MaxRow());
  book.SetSelection(1, -1, 1, -1);
  book.EditCut();
  EXPECT_EQ(wb.LastRow(), 3);
  EXPECT_EQ(wb.TextRC(1, 1), "");
}

TEST(F1Book, ReadingAFileRefreshesTheViewAndTheFrozenRow) {
  TTempFolder dir;
  const QString path = dir.Write("t.vts", "quorlex-workbook 1\nsheet \"S\"\nsize 40 5\ncolumn B width 5120 heading \"T\"\ncell A1 \"top\"\nend\n");
  TF1Book book;
  book.resize(400, 300);
  book.SetFixedRows(1);
  book.Read(path);
  EXPECT_EQ(book.View()->model()->rowCount(), 40);
  EXPECT_EQ(book.View()->model()->headerData(1, Qt::Horizontal).toString(), "T");
  EXPECT_GT(book.View()->columnWidth(1), book.View()->columnWidth(0));
  EXPECT_EQ(book.FixedRows(), 1);
}

}  // namespace
