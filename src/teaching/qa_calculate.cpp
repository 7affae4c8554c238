#include "teaching/qa_calculate.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"

TQA_Calculate::TQA_Calculate(ITeachingHost* host, QWidget* parent)
    : TQuestionWindow(host, parent), FAnswer(new QLineEdit(this)) {
  FText = AddQuestionBox(1);
  auto* answer = new QGroupBox(QStringLiteral(" Type in the correct numeric answer please "), this);
  auto* answerLayout = new QVBoxLayout(answer);
  // Only the characters of a number can be typed; whether it is one is judged on OK.
  FAnswer->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+0-9.eE ]{0,24}")), FAnswer));
  FAnswer->setAccessibleName(QStringLiteral("Numeric answer"));
  answerLayout->addWidget(FAnswer);
  Body()->addWidget(answer);
}

void TQA_Calculate::Setup() {
  FText->setText(Question().QText.value(0));
  FAnswer->clear();
  FAnswer->setFocus();
}

void TQA_Calculate::ClearAnswer() {
  FAnswer->clear();
  FText->clear();
}

TQuestionWindow::TVerdict TQA_Calculate::Judge() {
  const auto typed = numbers::ParseTypedNumber(FAnswer->text());
  if (!typed) {
    TServices::Prompts().MessageDlg(QStringLiteral("Please input a numeric answer"), TMsgDlgType::mtWarning,
                                    TMsgDlgButtons::OK);
    FAnswer->setFocus();
    return TVerdict::NotGiven;
  }
  return Question().NumberIsRight(*typed) ? TVerdict::Right : TVerdict::Wrong;
}

QString TQA_Calculate::AnswerText() const { return FAnswer->text().trimmed(); }
