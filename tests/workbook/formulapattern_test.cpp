// A formula's text cut at its references: the text of a copy filled in from it is the text moved
// as a copy moves it, and a text is found equal to a copy's, or not, without building it. The
// results table journals and reads back every sample's formulas this way, so a wrong character
// here is a wrong formula in a recovered table.
#include <gtest/gtest.h>

#include "qstringprinter.h"

#include "workbook/model/formula.h"
#include "workbook/model/formulapattern.h"
#include "workbook/model/workbook.h"

namespace {

struct TMove {
  const char* Text;
  int DRow, DCol;
  const char* Moved;
};

// Each way a reference is written: relative and "$" parts, ranges, sheet names (quoted or not),
// whole columns and rows, lower case, spacing, references inside texts, names that are calls,
// and references pushed off the sheet, whole or at one end of a range.
const TMove Moves[] = {
    {"=A1+$B$2+$C3+D$4", 2, 1, "=B3+$B$2+$C5+E$4"},
    {"=SUM(A1:B2)*'My sheet'!C3", 1, 0, "=SUM(A2:B3)*'My sheet'!C4"},
    {"=Data!A1:Data!B2+Run1!$A1", 3, 2, "=Data!C4:Data!D5+Run1!$A4"},
    {"=SUM(A:A)+SUM($B:C)+SUM(3:4)", 5, 1, "=SUM(B:B)+SUM($B:D)+SUM(8:9)"},
    {"=a1 * b$2", 1, 1, "=B2 * C$2"},
    {"=A1&\"A1\"&LOG10(A1)", 1, 0, "=A2&\"A1\"&LOG10(A2)"},
    {"=A1*2", -1, 0, "=#REF!*2"},
    {"=SUM(A1:A3)+B2", -1, 0, "=SUM(#REF!)+B1"},
    {"=XFD1+A1", 0, 1, "=#REF!+B1"},
    {"=IF(F2>0,F2/60*G2*(D2-E2),0)", 1048573, 0, "=IF(F1048575>0,F1048575/60*G1048575*(D1048575-E1048575),0)"},
    {"=PI()*2", 7, 3, "=PI()*2"},
    {"=A1+\"unterminated", 1, 0, "=A1+\"unterminated"},  // does not lex: no references to move
};

TEST(FormulaPattern, FillsInMovedReferencesAsAShiftedCopyReads) {
  for (const TMove& m : Moves) {
    SCOPED_TRACE(m.Text);
    const TFormulaPattern pattern(QString::fromUtf8(m.Text));
    EXPECT_EQ(pattern.Text(m.DRow, m.DCol), QString::fromUtf8(m.Moved));
    EXPECT_EQ(TFormula::Shift(QString::fromUtf8(m.Text), m.DRow, m.DCol), QString::fromUtf8(m.Moved));
    EXPECT_EQ(pattern.Text(0, 0), QString::fromUtf8(m.Text)) << "unmoved, the text stays as written";
    // Filled into a text that held something longer, shorter or shared before.
    for (const QString& before : {QString(), QStringLiteral("=VERY_LONG_TEXT_BEFORE_IT(1,2,3,4,5,6,7,8,9)"), pattern.Source()}) {
      QString into = before;
      pattern.TextInto(m.DRow, m.DCol, into);
      EXPECT_EQ(into, QString::fromUtf8(m.Moved));
    }
  }
}

TEST(FormulaPattern, MatchesExactlyTheCopysTextAndNothingElse) {
  for (const TMove& m : Moves) {
    SCOPED_TRACE(m.Text);
    const TFormulaPattern pattern(QString::fromUtf8(m.Text));
    const QString moved = QString::fromUtf8(m.Moved);
    EXPECT_TRUE(pattern.Matches(moved, m.DRow, m.DCol));
    EXPECT_EQ(pattern.Matches(moved, m.DRow + 1, m.DCol), pattern.Text(m.DRow + 1, m.DCol) == moved) << "another row's copy";
    // Every text one character off: changed, left out, or added at any place.
    for (qsizetype i = 0; i <= moved.size(); ++i) {
      QString added = moved;
      added.insert(i, QLatin1Char('1'));
      EXPECT_FALSE(pattern.Matches(added, m.DRow, m.DCol)) << added.toStdString();
      if (i == moved.size()) continue;
      QString changed = moved;
      changed[i] = changed[i] == QLatin1Char('2') ? QLatin1Char('3') : QLatin1Char('2');
      EXPECT_FALSE(pattern.Matches(changed, m.DRow, m.DCol)) << changed.toStdString();
      EXPECT_FALSE(pattern.Matches(QString(moved).remove(i, 1), m.DRow, m.DCol));
    }
  }
}

// A results run: a row's formulas copied down share one code; the journal's text of a row is
// found equal to a copy without being built, and a formula changed from some row on is copied
// down from the changed one only when its text is exactly that copy's.
TEST(FormulaPattern, AWorkbookComparesAndCopiesFormulasByTheirText) {
  TWorkbook book;
  book.SetFormulaRC(2, 3, "=IF(A2>0,A2*$F$1,B2)");
  book.SetSelection(2, 3, 2000, 3);
  book.EditCopyDown();
  EXPECT_TRUE(book.HasFormulaRC(1500, 3, u"=IF(A1500>0,A1500*$F$1,B1500)"));
  EXPECT_FALSE(book.HasFormulaRC(1500, 3, u"=IF(A1500>0,A1500*$F$1,B1501)"));
  EXPECT_FALSE(book.HasFormulaRC(1500, 4, u"=IF(A1500>0,A1500*$F$1,B1500)")) << "an empty cell";
  book.SetNumberRC(1500, 3, 1);
  EXPECT_FALSE(book.HasFormulaRC(1500, 3, u"1"));

  book.SetNumberRC(2001, 1, 4);
  book.SetNumberRC(2002, 1, 5);
  book.SetNumberRC(1, 6, 10);
  const QString next = QStringLiteral("=IF(A2001>0,A2001*$F$1,B2001)");
  ASSERT_TRUE(book.CopyFormulaRC(2001, 3, 2000, 3, &next));
  EXPECT_EQ(book.NumberRC(2001, 3), 40);
  book.SetFormulaRC(2001, 3, "=A2001*3");
  const QString asCopied = QStringLiteral("=A2002*3"), other = QStringLiteral("=A2002*4");
  EXPECT_FALSE(book.CopyFormulaRC(2002, 3, 2001, 3, &other));
  EXPECT_FALSE(book.HasFormulaRC(2002, 3, other)) << "a refused copy changes nothing";
  ASSERT_TRUE(book.CopyFormulaRC(2002, 3, 2001, 3, &asCopied));
  EXPECT_EQ(book.FormulaRC(2002, 3), asCopied);
  EXPECT_EQ(book.NumberRC(2002, 3), 15);
}

}  // namespace
