#include <gtest/gtest.h>

#include "teaching/walkthroughgroup.h"
#include "workbook/model/workbook.h"

namespace {
// Rows of the presentation sheet: columns A to F as texts ("" leaves the cell empty).
TWorkbook Sheet(const std::vector<std::vector<QString>>& rows) {
  TWorkbook book;
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      if (!rows[r][c].isEmpty()) book.SetTextRC(static_cast<int>(r) + 1, static_cast<int>(c) + 1, rows[r][c]);
  return book;
}

TWalkThroughGroup ReadSheet(const TWorkbook& book) {
  TWalkThroughGroup group;
  group.Read(book, "wtg.vts", "/rig/walk/", "/rig/help/");
  return group;
}
}  // namespace

TEST(PresentationSheet, ChaptersAndSlidesEndWhereTheSheetSays) {
  // Two chapters of three and two slides; the empty row 6 ends the presentation although
  // row 7 holds another chapter.
  const TWorkbook book = Sheet({{"Arial", "Intro", "Topic1", "a.png", "heat.chm", "0"},
                                {"BOLD", "", "0", "b.png", "", "2"},
                                {"RED", "", "Topic3", "c.png", "", ""},
                                {"12", "Exercise", "T4", "d.png", "", "1"},
                                {"WHITE", "", "T5", "e.png", "", "0"},
                                {},
                                {"", "Hidden", "T7", "f.png", "", "0"}});
  const TWalkThroughGroup group = ReadSheet(book);
  ASSERT_EQ(group.Chapters.size(), 2u);
  EXPECT_EQ(group.Chapters[0].FwtsTitle, "Intro");
  EXPECT_EQ(group.Chapters[0].wtsStep.size(), 3u);
  EXPECT_EQ(group.Chapters[1].FwtsTitle, "Exercise");
  ASSERT_EQ(group.Chapters[1].wtsStep.size(), 2u);
  const TWalkThroughStep& first = group.Chapters[0].wtsStep[0];
  EXPECT_EQ(first.wtstTextFile, "/rig/walk/a.png");
  EXPECT_EQ(first.wtstHelpFile, "/rig/help/heat.chm");
  EXPECT_EQ(first.wtstTopic, "Topic1");
  EXPECT_TRUE(first.HasMore());
  EXPECT_TRUE(first.wtstQuestionDone);
  const TWalkThroughStep& second = group.Chapters[0].wtsStep[1];
  EXPECT_FALSE(second.HasMore()) << "topic 0 means no help page";
  EXPECT_EQ(second.wtstQuestionNumber, 2);
  EXPECT_FALSE(second.wtstQuestionDone);
  EXPECT_EQ(group.Chapters[1].wtsStep[0].wtstSlideNumber, 4);
  EXPECT_TRUE(group.AnyQuestion());
  EXPECT_TRUE(group.Notes.isEmpty()) << group.Notes.join("\n").toStdString();
}

TEST(PresentationSheet, EmptyFontNameOrFirstChapterWithoutOneGivesNothing) {
  EXPECT_TRUE(ReadSheet(Sheet({{"", "Intro", "T", "a.png", "", "0"}})).Chapters.empty());
  EXPECT_TRUE(ReadSheet(Sheet({})).Chapters.empty());
}

TEST(PresentationSheet, SlidesRunToTheLastRowAndBadCellsAreNamed) {
  const TWalkThroughGroup group = ReadSheet(Sheet({{"Arial", "One", "T", "a.png", "", "x"},
                                                   {"", "", "T", "b.png", "", "1.5"},
                                                   {"", "Two", "", "", "", ""}}));
  ASSERT_EQ(group.Chapters.size(), 1u) << "a chapter without slides is left out";
  EXPECT_EQ(group.Chapters[0].wtsStep.size(), 2u);
  EXPECT_EQ(group.Chapters[0].wtsStep[1].wtstQuestionNumber, 2) << "halves round to even";
  ASSERT_EQ(group.Notes.size(), 2);
  EXPECT_TRUE(group.Notes[0].contains("row 3")) << group.Notes[0].toStdString();
  EXPECT_TRUE(group.Notes[1].contains("row 1, column 6")) << group.Notes[1].toStdString();
}

TEST(PresentationSheet, NineChaptersAreAllBuilt) {
  std::vector<std::vector<QString>> rows;
  for (int i = 0; i < 9; ++i) rows.push_back({i == 0 ? "Arial" : "", QString("Chapter %1").arg(i + 1), "T", "p.png"});
  const TWalkThroughGroup group = ReadSheet(Sheet(rows));
  ASSERT_EQ(group.Chapters.size(), 9u);
  EXPECT_EQ(group.Chapters[8].FwtsTitle, "Chapter 9");
}

TEST(PresentationLook, ColourTableAndStyle) {
  struct Row { const char* name; QColor text, link; };
  const Row table[] = {{"red", QColor(255, 0, 0), QColor(0, 128, 0)},       {"Black", QColor(0, 0, 0), QColor(255, 255, 0)},
                       {"WHITE", QColor(255, 255, 255), QColor(0, 128, 0)}, {"yellow", QColor(255, 255, 0), QColor(0, 0, 255)},
                       {"BLUE", QColor(0, 0, 255), QColor(255, 0, 255)},    {"purple", QColor(128, 0, 128), QColor(0, 0, 255)}};
  for (const Row& r : table) {
    const TWalkThroughGroup group = ReadSheet(Sheet({{"Arial", "C", "T"}, {"bolditalic"}, {r.name}, {"14"}, {r.name}}));
    EXPECT_EQ(group.Look.TextColor(), r.text) << r.name;
    EXPECT_EQ(group.Look.LinkColor(), r.link) << r.name;
    EXPECT_TRUE(group.Look.Bold && group.Look.Italic);
    EXPECT_EQ(group.Look.FontSize, 14);
    EXPECT_EQ(group.Look.Background().has_value(), QString(r.name).toUpper() != "RED") << "red is no background";
  }
  const TWalkThroughGroup plain = ReadSheet(Sheet({{"Arial", "C", "T"}, {"italic"}, {"green"}}));
  EXPECT_FALSE(plain.Look.Bold);
  EXPECT_TRUE(plain.Look.Italic);
  EXPECT_FALSE(plain.Look.FontColor.has_value()) << "unknown colour names keep the default";
  EXPECT_EQ(plain.Look.FontSize, 0);
}
