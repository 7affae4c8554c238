#include <gtest/gtest.h>

#include "qstringprinter.h"

#include <random>

#include "support/tempfolder.h"
#include "workbook/model/workbook.h"

namespace {

// Texts made of the pieces that escaping and decoding treat specially, in random combinations:
// whatever a cell holds comes back from a saved file exactly.
TEST(RoundTrip, EveryTextSurvivesSaveAndReload) {
  const QString pieces[] = {"_x0041", "_x0041_", "_x005F_", "_x", "_", "x00", "\r", "\n", "\r\n", "\t",
                            QString(QChar(1)), QString(QChar(0x1F)), QString(QChar(0xFEFF)), QString(QChar(0xFFFE)),
                            QString(QChar(0xFFFF)), QString::fromUtf8("\xF0\x9F\x98\x80"), "&<>\"'", "code", " ",
                            "\\", "\\x41", "#N/A", "=1+1", "12", "1e5"};
  std::mt19937 rng(18);
  TTempFolder dir;
  TWorkbook book;
  std::vector<QString> texts = {"code_x0041\r\nnext", QString(QChar(0xFEFF)) + "lead", "_x0041_x000D_"};
  for (int i = 0; i < 300; ++i) {
    QString t;
    const int n = 1 + static_cast<int>(rng() % 5);
    for (int k = 0; k < n; ++k) t += pieces[rng() % std::size(pieces)];
    texts.push_back(t);
  }
  for (std::size_t i = 0; i < texts.size(); ++i) book.SetTextRC(static_cast<int>(i) + 1, 1, texts[i]);
  for (const auto& [name, type] : {std::pair{"t.vts", 5}, std::pair{"t.xlsx", 4}}) {
    book.Write(dir.File(name), static_cast<std::int16_t>(type));
    TWorkbook back;
    back.Read(dir.File(name));
    for (std::size_t i = 0; i < texts.size(); ++i)
      ASSERT_EQ(back.TextRC(static_cast<int>(i) + 1, 1), texts[i]) << name << " row " << i + 1;
  }
}

// A text file's first field that starts with U+FEFF must not be taken for a byte-order mark.
TEST(RoundTrip, LeadingByteOrderMarkCharacterInTextFiles) {
  TTempFolder dir;
  TWorkbook book;
  book.SetTextRC(1, 1, QString(QChar(0xFEFF)) + "a");
  book.SetTextRC(1, 2, "b");
  for (const auto& [name, type] : {std::pair{"t.csv", 6}, std::pair{"t.txt", 3}}) {
    book.Write(dir.File(name), static_cast<std::int16_t>(type));
    TWorkbook back;
    back.Read(dir.File(name));
    EXPECT_EQ(back.TextRC(1, 1), QString(QChar(0xFEFF)) + "a") << name;
    EXPECT_EQ(back.TextRC(1, 2), "b") << name;
  }
  // A file that does start with a byte-order mark loses just that one.
  TWorkbook marked;
  marked.Read(dir.Write("m.csv", "\xEF\xBB\xBF\xEF\xBB\xBFx,y\n"));
  EXPECT_EQ(marked.TextRC(1, 1), QString(QChar(0xFEFF)) + "x");
}

}  // namespace
