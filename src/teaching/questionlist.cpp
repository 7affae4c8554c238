#include "teaching/questionlist.h"

#include <algorithm>
#include <exception>

#include "platform/iprompts.h"
#include "platform/services.h"
#include "teaching/iteachinghost.h"
#include "teaching/qa_calculate.h"
#include "teaching/qa_dragdrop.h"
#include "teaching/qa_radiobut.h"
#include "teaching/sheetcells.h"
#include "workbook/model/workbook.h"

namespace {
// Column `col` of rows R..R+5 up to the first empty one.
QStringList ListUntilEmpty(const TSheetCells& cells, int R, int col) {
  QStringList out;
  for (int i = 0; i < TQuestion::MaxItems; ++i) {
    const QString t = cells.Text(R + i, col);
    if (t.trimmed().isEmpty()) break;
    out << t;
  }
  return out;
}
}  // namespace

TQuestionList::TQuestionList(ITeachingHost* host)
    : FHost(host),
      FChoice(std::make_unique<TQA_RadioBut>(host)),
      FPhrase(std::make_unique<TQA_DragDrop>(host)),
      FCalculation(std::make_unique<TQA_Calculate>(host)) {
  ShowModal = [](TQuestionWindow& window) {
    TChoiceRequest request;
    request.Caption = QStringLiteral("Question");
    request.Text = window.QuestionText();
    request.Items << QStringLiteral("OK") << QStringLiteral("Cancel");
    request.CustomDialog = [&window]() -> std::optional<int> { return window.exec() == QDialog::Accepted ? 0 : 1; };
    return TServices::Prompts().ChooseItem(request).value_or(1) == 0;
  };
}

TQuestionList::~TQuestionList() = default;

bool TQuestionList::Set_List(const QString& path) {
  QList.clear();
  try {
    TWorkbook book;
    book.Read(path);
    book.SetSheet(1);
    Set_List(book, path);
    return true;
  } catch (const std::exception& e) {
    Notes << QStringLiteral("Not found QA sheet") << QString::fromUtf8(e.what());
    return false;
  }
}

void TQuestionList::Set_List(const TWorkbook& book, const QString& name) {
  QList.clear();
  TSheetCells cells(book, name);
  const int last = cells.LastRow();
  for (int R = 1; R <= last; R += BlockRows) {
    TQuestion q;
    q.FNumber = cells.Integer(R, 1, 0);
    if (q.FNumber == 0) continue;
    q.QFormat = cells.Integer(R, 2, 0);
    q.QHints.clear();
    for (int i = 0; i < TQuestion::MaxItems; ++i) {
      const QString h = cells.Text(R + i, 6);
      if (!h.trimmed().isEmpty()) q.QHints << h.trimmed();
    }
    switch (q.QFormat) {
      case TQuestion::Choice:
        q.QText << cells.Text(R, 3);
        q.QAnswers = ListUntilEmpty(cells, R, 4);
        q.QCorrectAnswer[0] = cells.Integer(R, 5, 0);
        break;
      case TQuestion::Phrase:
        q.QText = ListUntilEmpty(cells, R, 3);
        q.QAnswers = ListUntilEmpty(cells, R, 4);
        for (int i = 0; i < TQuestion::MaxItems; ++i) q.QCorrectAnswer[static_cast<size_t>(i)] = cells.Integer(R + i, 5, -1);
        break;
      case TQuestion::Calculation:
        q.QText << cells.Text(R, 3);
        q.QNumericAnswer = cells.Number(R, 5).value_or(0);
        break;
      default:
        cells.Note(R, 2, QStringLiteral("question %1 has the format %2; only 1, 2 and 3 can be answered")
                             .arg(q.FNumber).arg(q.QFormat));
        break;
    }
    QList.push_back(std::move(q));
  }
  Notes << cells.Notes();
}

const TQuestion* TQuestionList::Find(int number) const {
  for (const TQuestion& q : QList)
    if (q.FNumber == number) return &q;
  return nullptr;
}

bool TQuestionList::CanAsk(int number) const {
  const TQuestion* q = Find(number);
  return q && q->Answerable();
}

int TQuestionList::HighestNumber() const {
  int highest = 0;
  for (const TQuestion& q : QList) highest = std::max(highest, q.FNumber);
  return highest;
}

TQuestionWindow* TQuestionList::WindowFor(int format) const {
  switch (format) {
    case TQuestion::Choice: return FChoice.get();
    case TQuestion::Phrase: return FPhrase.get();
    case TQuestion::Calculation: return FCalculation.get();
    default: return nullptr;
  }
}

bool TQuestionList::AskQuestion(int number) {
  if (number == 0) return false;
  const TQuestion* q = Find(number);
  if (!q) return false;
  TQuestionWindow* window = WindowFor(q->QFormat);
  if (!window) return false;
  window->SetQuestion(*q);
  const bool answered = ShowModal(*window) && window->Answered();
  // A phrase's gaps read as blanks; other questions as the window shows them.
  const QString text = q->QFormat == TQuestion::Phrase ? q->QText.join(QStringLiteral(" ___ ")) : window->QuestionText();
  FAnswers.Record(number, text, window->Tries(), window->hintlevel);
  window->Clear();
  if (!answered) return false;
  // Hints of cancelled questions count with the next one answered.
  int hints = 0;
  for (TQuestionWindow* w : {static_cast<TQuestionWindow*>(FChoice.get()), static_cast<TQuestionWindow*>(FPhrase.get()),
                             static_cast<TQuestionWindow*>(FCalculation.get())}) {
    hints += w->HintsUsed;
    w->HintsUsed = 0;
  }
  if (FHost) {
    FHost->AddHintsUsed(hints);
    if (number == HighestNumber()) FHost->QuestionsAnswered();
  }
  return true;
}
