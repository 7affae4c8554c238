#include "teaching/qa_radiobut.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

TQA_RadioBut::TQA_RadioBut(ITeachingHost* host, QWidget* parent)
    : TQuestionWindow(host, parent), FAnswers(new QGroupBox(QStringLiteral(" Select Answer "), this)),
      FAnswerLayout(new QVBoxLayout(FAnswers)), FGroup(new QButtonGroup(this)) {
  Body()->addWidget(new QLabel(QStringLiteral("Choose one of the alternative answers."), this));
  FText = AddQuestionBox(0);
  Body()->addWidget(FAnswers, 1);
  FGroup->setExclusive(true);
}

void TQA_RadioBut::Setup() {
  FText->setText(Question().QText.value(0));
  for (int i = 0; i < Question().QAnswers.size(); ++i) {
    auto* item = new QRadioButton(Question().QAnswers[i], FAnswers);
    FGroup->addButton(item, i);
    FAnswerLayout->addWidget(item);
    FItems.push_back(item);
  }
  if (!FItems.empty()) FItems.front()->setFocus();
}

void TQA_RadioBut::ClearAnswer() {
  for (QRadioButton* item : FItems) {
    FGroup->removeButton(item);
    delete item;
  }
  FItems.clear();
  FText->clear();
}

void TQA_RadioBut::Select(int index) {
  if (index >= 0 && index < AnswerCount()) {
    FItems[static_cast<size_t>(index)]->setChecked(true);
  } else if (QAbstractButton* checked = FGroup->checkedButton()) {
    FGroup->setExclusive(false);
    checked->setChecked(false);
    FGroup->setExclusive(true);
  }
}

TQuestionWindow::TVerdict TQA_RadioBut::Judge() {
  return Question().ChoiceIsRight(FGroup->checkedId()) ? TVerdict::Right : TVerdict::Wrong;
}

QString TQA_RadioBut::AnswerText() const {
  const QAbstractButton* checked = FGroup->checkedButton();
  return checked ? checked->text() : QString();
}
