#pragma once
// A workbook for formula tests: Eval puts a formula into one cell, away from the cells a test
// fills, and returns its result.

#include <gtest/gtest.h>

#include <QString>

#include "workbook/model/workbook.h"

class TEvalFixture : public ::testing::Test {
 protected:
  TEvalFixture(int row, int column) : FRow(row), FColumn(column) {}
  TCellValue Eval(const QString& formula) {
    Book.SetFormulaRC(FRow, FColumn, formula);
    return Book.ValueRC(FRow, FColumn);
  }
  double Num(const QString& formula) {
    const TCellValue v = Eval(formula);
    EXPECT_EQ(v.Kind, TValueKind::Number) << formula.toStdString() << " gave " << v.ToText().toStdString();
    return v.Num;
  }
  QString Shown(const QString& formula) { return Eval(formula).ToText(); }
  TWorkbook Book;

 private:
  int FRow, FColumn;
};
