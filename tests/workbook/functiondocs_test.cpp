// The documentation lists exactly the functions formulas can call.
#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <QFile>
#include <QRegularExpression>

#include "workbook/model/formulafunctions.h"

namespace {

TEST(FunctionDocs, TheListInTheDocsIsTheEnginesTable) {
  QFile doc(QStringLiteral(QUORLEX_SOURCE_DIR "/docs/workbook-format.md"));
  ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(doc.readAll());
  static const QRegularExpression list(QStringLiteral("<!-- function list begin[^\\n]*\\nFunctions \\((\\d+)\\): ([^\\n]*)\\.\\n<!-- function list end"));
  const QRegularExpressionMatch m = list.match(text);
  ASSERT_TRUE(m.hasMatch()) << "run scripts/function-docs";
  const QStringList documented = m.captured(2).split(QStringLiteral(", "));
  const QStringList table = TFormulaFunctions::Names();
  EXPECT_EQ(m.captured(1).toInt(), table.size()) << "run scripts/function-docs";
  EXPECT_EQ(documented, table) << "run scripts/function-docs";
  for (const QString& name : table) EXPECT_NE(TFormulaFunctions::Find(name), nullptr) << name.toStdString();
}

}  // namespace
