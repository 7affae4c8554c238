#include "teaching/qa_dragdrop.h"

#include <algorithm>

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "teaching/choicelabel.h"
#include "teaching/phrasegap.h"

TQA_DragDrop::TQA_DragDrop(ITeachingHost* host, QWidget* parent)
    : TQuestionWindow(host, parent),
      FPhraseBox(new QGroupBox(QStringLiteral("Complete the phrase by dropping the choices into the spaces"), this)),
      FChoiceBox(new QGroupBox(QStringLiteral("Choices"), this)) {
  Body()->addWidget(FPhraseBox, 2);
  Body()->addWidget(FChoiceBox, 1);
  auto* help = new QLabel(QStringLiteral("Keyboard: Tab to a choice and press Space, then Tab to a space and press Space."), this);
  help->setWordWrap(true);
  Body()->addWidget(help);
  FPhraseBox->installEventFilter(this);
  FChoiceBox->installEventFilter(this);
  resize(620, 400);
}

void TQA_DragDrop::Setup() {
  const TQuestion& q = Question();
  for (int i = 0; i < q.QText.size(); ++i) {
    if (i > 0) {
      auto* gap = new TPhraseGap(FPhraseBox);
      connect(gap, &TPhraseGap::Activated, this, &TQA_DragDrop::PutPicked);
      connect(gap, &TPhraseGap::Changed, this, &TQA_DragDrop::FlowAll);
      FGaps.push_back(gap);
      FPhraseItems.push_back(gap);
    }
    // Word by word, so a long part wraps at the box's edge like running text.
    for (const QString& word : q.QText[i].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      auto* part = new QLabel(word, FPhraseBox);
      FParts.push_back(part);
      FPhraseItems.push_back(part);
    }
  }
  for (const QString& text : q.QAnswers) {
    auto* choice = new TChoiceLabel(text, FChoiceBox);
    connect(choice, &TChoiceLabel::PickRequested, this, &TQA_DragDrop::Pick);
    FChoices.push_back(choice);
  }
  // Tab order: the choices first, then the gaps in the phrase's order.
  QWidget* previous = nullptr;
  for (QWidget* w : FChoices) {
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
  for (QWidget* w : FGaps) {
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
  for (QWidget* w : FPhraseItems) w->show();
  for (QWidget* w : FChoices) w->show();
  FlowAll();
  if (!FChoices.empty()) FChoices.front()->setFocus();
}

void TQA_DragDrop::ClearAnswer() {
  for (QWidget* w : FPhraseItems) delete w;
  for (QWidget* w : FChoices) delete w;
  FPhraseItems.clear();
  FParts.clear();
  FGaps.clear();
  FChoices.clear();
  FPicked = nullptr;
}

QStringList TQA_DragDrop::GapTexts() const {
  QStringList out;
  for (const TPhraseGap* gap : FGaps) out << gap->Answer();
  return out;
}

void TQA_DragDrop::PutChoice(int choice, int gap) {
  if (choice < 0 || gap < 0 || choice >= static_cast<int>(FChoices.size()) || gap >= GapCount()) return;
  FGaps[static_cast<size_t>(gap)]->SetAnswer(FChoices[static_cast<size_t>(choice)]->text());
}

void TQA_DragDrop::Pick(TChoiceLabel* label) {
  if (FPicked && FPicked != label) FPicked->SetPicked(false);
  FPicked = label->Picked() ? nullptr : label;
  label->SetPicked(FPicked == label);
  // Straight on to the first empty gap, so Space, Space fills the phrase in order.
  if (FPicked) {
    for (TPhraseGap* gap : FGaps)
      if (gap->Answer().isEmpty()) {
        gap->setFocus();
        return;
      }
    if (!FGaps.empty()) FGaps.front()->setFocus();
  }
}

void TQA_DragDrop::PutPicked(TPhraseGap* gap) {
  if (!FPicked) return;
  gap->SetAnswer(FPicked->text());
  FPicked->SetPicked(false);
  FPicked->setFocus();
  FPicked = nullptr;
}

TQuestionWindow::TVerdict TQA_DragDrop::Judge() {
  return Question().PhraseIsRight(GapTexts()) ? TVerdict::Right : TVerdict::Wrong;
}

void TQA_DragDrop::Flow(QWidget* box, const std::vector<QWidget*>& items, int spacing) {
  const int right = box->width() - 10;
  int x = 10, y = 20, line = 20;
  for (QWidget* w : items) {
    w->adjustSize();
    if (x > 10 && x + w->width() > right) {
      x = 10;
      y += std::max(line, w->height() + 6);
    }
    w->move(x, y);
    x += w->width() + spacing;
  }
  // Before the window has its width every item wraps: its height would say nothing then.
  if (box->width() < 200) return;
  box->setMinimumHeight(items.empty() ? 40 : y + std::max(line, items.back()->height()) + 12);
}

void TQA_DragDrop::FlowAll() {
  Flow(FPhraseBox, FPhraseItems, 4);
  std::vector<QWidget*> choices(FChoices.begin(), FChoices.end());
  Flow(FChoiceBox, choices, 30);
}

bool TQA_DragDrop::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && (watched == FPhraseBox || watched == FChoiceBox)) FlowAll();
  return TQuestionWindow::eventFilter(watched, event);
}

// The phrase as completed, each gap's choice in brackets ("[ ]" for an empty gap).
QString TQA_DragDrop::AnswerText() const {
  const QStringList parts = Question().QText;
  QString out;
  for (int i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      const QString put = i - 1 < GapCount() ? FGaps[static_cast<size_t>(i - 1)]->Answer() : QString();
      out += put.isEmpty() ? QStringLiteral(" [ ] ") : QStringLiteral(" [%1] ").arg(put);
    }
    out += parts[i].trimmed();
  }
  return out.simplified();
}
