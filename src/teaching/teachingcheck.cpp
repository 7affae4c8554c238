#include "teaching/teachingcheck.h"

#include <set>

#include <QFileInfo>
#include <QImageReader>

#include "platform/filenames.h"
#include "platform/helpwindow.h"
#include "rigconfig/rigconfig.h"
#include "teaching/questionlist.h"
#include "teaching/walkthroughgroup.h"
#include "workbook/model/workbook.h"

namespace {
// The page a hint "file>window.topic" opens: its file names a help file of the help folder.
QString HintPage(const QString& helpRoot, const QString& hint) {
  const int dot = static_cast<int>(hint.indexOf(QLatin1Char('.')));
  if (dot < 0) return {};
  QString file = hint.left(dot);
  file = file.left(file.indexOf(QLatin1Char('>')) < 0 ? file.size() : file.indexOf(QLatin1Char('>')));
  return THelpWindow::TopicPage(filenames::Resolve(helpRoot, file + QStringLiteral(".chm")), hint.mid(dot + 1));
}

void CheckQuestion(const TQuestion& q, const QString& where, QStringList& errors) {
  const QString at = QStringLiteral("%1: question %2").arg(where).arg(q.FNumber);
  switch (q.QFormat) {
    case TQuestion::Choice:
      if (q.QAnswers.size() < 2) errors << at + QStringLiteral(": a choice needs at least two answers");
      if (q.QCorrectAnswer[0] < 0 || q.QCorrectAnswer[0] >= q.QAnswers.size())
        errors << at + QStringLiteral(": the right answer %1 is not one of its %2 answers (counted from 0)")
                           .arg(q.QCorrectAnswer[0]).arg(q.QAnswers.size());
      break;
    case TQuestion::Phrase:
      if (q.GapCount() < 1) errors << at + QStringLiteral(": a phrase needs at least two parts");
      for (int gap = 0; gap < TQuestion::MaxItems; ++gap) {
        const int choice = q.QCorrectAnswer[static_cast<size_t>(gap)];
        if (choice == -1) continue;
        if (gap >= q.GapCount())
          errors << at + QStringLiteral(": gap %1 does not exist (the phrase has %2 gaps) and must hold -1").arg(gap).arg(q.GapCount());
        else if (choice < 0 || choice >= q.QAnswers.size())
          errors << at + QStringLiteral(": gap %1 names choice %2, which does not exist").arg(gap).arg(choice);
      }
      break;
    case TQuestion::Calculation:
      if (q.QText.value(0).trimmed().isEmpty()) errors << at + QStringLiteral(": the question text is empty");
      break;
    default: errors << at + QStringLiteral(": format %1 can never be answered (1, 2 or 3)").arg(q.QFormat);
  }
}
}  // namespace

QString TTeachingCheck::Check(const TRigConfig& rig, QStringList& errors, QStringList& warnings) {
  if (!rig.Using_WTG) return QStringLiteral("none");
  const QString wtg = rig.WTG_Spreadsheet, qa = rig.QA_Spreadsheet;
  TWalkThroughGroup group;
  if (!group.ReadFile(wtg, rig.WalkThroughRoot, rig.HelpFileRoot)) {
    errors << QStringLiteral("the presentation cannot be read, so the rig runs without it:") << group.Notes;
    return QStringLiteral("unreadable");
  }
  errors << group.Notes;
  if (group.Chapters.empty()) errors << QStringLiteral("%1: no chapters (row 1 needs a font name in column 1 and a title in column 2)").arg(wtg);

  TQuestionList questions(nullptr);
  const bool haveQuestions = QFileInfo::exists(qa) || group.AnyQuestion();
  if (haveQuestions && !questions.Set_List(qa)) errors << QStringLiteral("%1: the questions cannot be read:").arg(qa);
  errors << questions.Notes;
  if (!questions.QList.empty()) {
    // Texts past 200 characters are cut when the questions are read: the student would see half.
    TWorkbook book;
    book.Read(qa);
    book.SetSheet(1);
    for (int row = 1; row <= book.LastRow(); ++row)
      for (int col : {3, 4, 6})
        if (col <= book.MaxCol() && book.TextRC(row, col).size() > 200)
          warnings << QStringLiteral("%1: row %2, column %3: the text is longer than 200 characters and is cut")
                          .arg(qa).arg(row).arg(col);
  }
  for (const TQuestion& q : questions.QList) CheckQuestion(q, qa, errors);
  for (const TQuestion& q : questions.QList)
    for (const QString& hint : q.QHints)
      if (HintPage(rig.HelpFileRoot, hint).isEmpty())
        warnings << QStringLiteral("%1: question %2: the hint \"%3\" has no page in the help folder").arg(qa).arg(q.FNumber).arg(hint);

  std::set<int> asked;
  std::set<QString> pictures;
  for (const TWalkThrough& chapter : group.Chapters) {
    for (const TWalkThroughStep& step : chapter.wtsStep) {
      const QString at = QStringLiteral("%1: row %2").arg(wtg).arg(step.wtstSlideNumber);
      if (step.wtstPictureName.isEmpty()) {
        errors << at + QStringLiteral(": the slide names no picture (column 4)");
      } else if (pictures.insert(step.wtstTextFile).second) {
        QImageReader reader(step.wtstTextFile);
        if (!QFileInfo(step.wtstTextFile).isFile()) errors << at + QStringLiteral(": the picture %1 does not exist").arg(step.wtstTextFile);
        else if (reader.read().isNull()) errors << at + QStringLiteral(": the picture %1 cannot be read: %2").arg(step.wtstTextFile, reader.errorString());
      }
      if (step.HasMore()) {
        // "More" opens pages of the rig's own help or of the program's.
        if (step.wtstHelpFile.compare(rig.RigHelpFile, Qt::CaseInsensitive) != 0 &&
            step.wtstHelpFile.compare(rig.ShellHelpFile, Qt::CaseInsensitive) != 0)
          warnings << at + QStringLiteral(": \"More\" opens only the rig's help file (%1), not \"%2\"")
                               .arg(QFileInfo(rig.RigHelpFile).fileName(), QFileInfo(step.wtstHelpFile).fileName());
        else if (THelpWindow::TopicPage(step.wtstHelpFile, rig.RigHelpTopicValue(step.wtstTopic)).isEmpty())
          warnings << at + QStringLiteral(": the help topic \"%1\" has no page").arg(step.wtstTopic);
      }
      if (step.wtstQuestionNumber == 0) continue;
      asked.insert(step.wtstQuestionNumber);
      const TQuestion* q = questions.Find(step.wtstQuestionNumber);
      if (!q) errors << at + QStringLiteral(": question %1 is not in %2, so the slide can never be left").arg(step.wtstQuestionNumber).arg(qa);
    }
  }
  for (const TQuestion& q : questions.QList)
    if (!asked.count(q.FNumber))
      warnings << QStringLiteral("%1: question %2 is asked by no slide%3")
                      .arg(qa).arg(q.FNumber)
                      .arg(q.FNumber == questions.HighestNumber() ? QStringLiteral(" (it is the last: the hidden columns stay hidden)")
                                                                  : QString());
  int slides = 0;
  for (const TWalkThrough& chapter : group.Chapters) slides += static_cast<int>(chapter.wtsStep.size());
  return QStringLiteral("%1 chapters, %2 slides, %3 questions").arg(group.Chapters.size()).arg(slides).arg(questions.QList.size());
}
