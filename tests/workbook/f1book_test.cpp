#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <QApplication>
#include <QClipboard>
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
