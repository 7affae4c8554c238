#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "support/tempfolder.h"
#include "teaching/qa_radiobut.h"
#include "teaching/questionlist.h"
#include "teaching/walkthroughgroupform.h"
#include "teachinghostrecorder.h"
#include "workbook/model/workbook.h"

namespace {
TWalkThroughGroup Group(const std::vector<std::vector<int>>& questionsPerChapter) {
  TWalkThroughGroup group;
  group.Look.FontName = "DejaVu Sans";
  int row = 1;
  for (size_t c = 0; c < questionsPerChapter.size(); ++c) {
    TWalkThrough chapter;
    chapter.FwtsTitle = QString("Chapter %1").arg(c + 1);
    for (int q : questionsPerChapter[c]) {
      TWalkThroughStep step;
      step.wtstSlideNumber = row++;
      step.wtstTopic = "Topic";
      step.wtstHelpFile = "/rig/help/heat.chm";
      step.wtstPictureName = "missing.png";
      step.wtstTextFile = "/nonexistent/walk/missing.png";
      step.wtstQuestionNumber = q;
      step.wtstQuestionDone = q == 0;
      chapter.wtsStep.push_back(step);
    }
    group.Chapters.push_back(chapter);
  }
  return group;
}

struct TFormFixture : ::testing::Test {
  TTeachingHostRecorder host;
  TQuestionList questions{&host};
  bool answer = false;  // what the student does with each question asked
  int asked = 0;
  void SetUp() override {
    TWorkbook book;
    for (int n : {1, 2}) {
      const int R = 6 * (n - 1) + 1;
      book.SetNumberRC(R, 1, n);
      book.SetNumberRC(R, 2, 1);
      book.SetTextRC(R, 3, "Q");
      book.SetTextRC(R, 4, "A");
      book.SetNumberRC(R, 5, 0);
    }
    questions.Set_List(book, "qa.vts");
    questions.ShowModal = [this](TQuestionWindow& w) {
      ++asked;
      if (answer) {
        static_cast<TQA_RadioBut&>(w).Select(0);
        w.OKClick();
      }
      return w.Answered();
    };
  }
};
}  // namespace

TEST_F(TFormFixture, NextWaitsForTheQuestionPreviousAlwaysWorks) {
  TWalkThroughGroupForm form(Group({{0, 2, 0}, {0}}), &questions, &host);
  EXPECT_EQ(host.Status, "Chapter 1 : Slide 1 of 3");
  EXPECT_FALSE(form.PreviousLink()->isVisibleTo(&form));
  form.NextClick();
  EXPECT_EQ(host.Status, "Chapter 1 : Slide 2 of 3");
  form.NextClick();  // question 2 cancelled
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(host.Status, "Chapter 1 : Slide 2 of 3");
  form.PreviousClick();
  EXPECT_EQ(host.Status, "Chapter 1 : Slide 1 of 3");
  form.NextClick();
  answer = true;
  form.NextClick();
  EXPECT_EQ(host.Status, "Chapter 1 : Slide 3 of 3");
  EXPECT_FALSE(form.NextLink()->isVisibleTo(&form));
  form.PreviousClick();
  form.NextClick();
  EXPECT_EQ(asked, 2) << "an answered question is not asked again";
  EXPECT_EQ(host.Answered, 1) << "question 2 is the last";
}

TEST_F(TFormFixture, AQuestionOnAChaptersLastSlideCanBeAnswered) {
  TWalkThroughGroupForm form(Group({{0, 1}}), &questions, &host);
  form.NextClick();
  EXPECT_TRUE(form.NextLink()->isVisibleTo(&form)) << "Next asks the waiting question";
  answer = true;
  form.NextClick();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(form.NextLink()->isVisibleTo(&form));
  EXPECT_EQ(host.Status, "Chapter 1 : Slide 2 of 2");
}

TEST_F(TFormFixture, AQuestionTheSheetLacksDoesNotTrapTheStudent) {
  TWalkThroughGroupForm form(Group({{7, 0}}), &questions, &host);
  EXPECT_FALSE(form.AnyQuestionWaiting());
  form.NextClick();
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(host.Status, "Chapter 1 : Slide 2 of 2");
  EXPECT_FALSE(form.Unhide());
}

TEST_F(TFormFixture, ChapterLinksRestartAFinishedChapter) {
  TWalkThroughGroupForm form(Group({{0, 0}, {0, 0, 0}}), &questions, &host);
  form.LinkClick(1);
  form.NextClick();
  EXPECT_EQ(host.Status, "Chapter 2 : Slide 2 of 3");
  form.LinkClick(0);
  form.LinkClick(1);
  EXPECT_EQ(host.Status, "Chapter 2 : Slide 2 of 3") << "a chapter keeps its place";
  form.NextClick();
  form.LinkClick(1);
  EXPECT_EQ(host.Status, "Chapter 2 : Slide 1 of 3") << "from its last slide it starts again";
}

TEST_F(TFormFixture, EveryChapterHasALinkAndMissingPicturesAreNamed) {
  TWalkThroughGroupForm form(Group({{0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}}), &questions, &host);
  form.resize(500, 200);
  ASSERT_EQ(form.LinkCount(), 10);
  form.Link(9)->click();
  EXPECT_EQ(host.Status, "Chapter 10 : Slide 1 of 1");
  EXPECT_TRUE(form.Picture()->text().contains("walk/missing.png")) << form.Picture()->text().toStdString();
  form.MoreClick();
  EXPECT_EQ(host.MoreShown, QStringList({"/rig/help/heat.chm|Topic"}));
}

TEST_F(TFormFixture, UnhideAsksTheFirstWaitingQuestion) {
  TWalkThroughGroupForm form(Group({{0, 0}, {0, 2, 0}, {1}}), &questions, &host);
  answer = true;
  EXPECT_TRUE(form.Unhide());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(form.ChapterNo(), 1);
  EXPECT_EQ(host.Status, "Chapter 2 : Slide 3 of 3") << "answered, the chapter moved on";
  EXPECT_TRUE(form.Unhide());
  EXPECT_EQ(form.ChapterNo(), 2);
  EXPECT_FALSE(form.Unhide()) << "nothing left to ask";
  EXPECT_EQ(asked, 2);
}

TEST(PresentationPictures, DemoSlidesLoad) {
  TTeachingHostRecorder host;
  TWalkThroughGroup group;
  const QString rig = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo/");
  ASSERT_TRUE(group.ReadFile(rig + "config/wtg.vts", rig + "walk/", rig + "help/"));
  ASSERT_GE(group.Chapters.size(), 3u);
  TWalkThroughGroupForm form(std::move(group), nullptr, &host);
  EXPECT_FALSE(form.Picture()->pixmap().isNull()) << form.Picture()->text().toStdString();
}
