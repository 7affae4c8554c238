#include "teaching/questionwindow.h"

#include <algorithm>

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/iprompts.h"
#include "platform/services.h"
#include "teaching/iteachinghost.h"

TQuestionWindow::TQuestionWindow(ITeachingHost* host, QWidget* parent)
    : QDialog(parent), FHost(host), FBody(new QVBoxLayout), FOK(new QPushButton(QStringLiteral("OK"), this)),
      FCancel(new QPushButton(QStringLiteral("Cancel"), this)), FHint(new QPushButton(QStringLiteral("&Hint"), this)) {
  setWindowTitle(QStringLiteral("Question"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(FBody, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(FHint);
  buttons->addStretch(1);
  buttons->addWidget(FOK);
  buttons->addWidget(FCancel);
  layout->addLayout(buttons);
  FOK->setDefault(true);
  connect(FOK, &QPushButton::clicked, this, &TQuestionWindow::OKClick);
  connect(FCancel, &QPushButton::clicked, this, &TQuestionWindow::CancelClick);
  connect(FHint, &QPushButton::clicked, this, &TQuestionWindow::HintClick);
  resize(520, 380);
}

QLabel* TQuestionWindow::AddQuestionBox(int stretch) {
  auto* box = new QGroupBox(this);
  auto* boxLayout = new QVBoxLayout(box);
  auto* text = new QLabel(box);
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  boxLayout->addWidget(text);
  FBody->addWidget(box, stretch);
  return text;
}

void TQuestionWindow::SetQuestion(const TQuestion& question) {
  ClearAnswer();
  FQuestion = question;
  FAnswered = false;
  FTries.clear();
  hintlevel = 0;
  FHint->setEnabled(!FQuestion.QHints.isEmpty());
  Setup();
}

void TQuestionWindow::Clear() {
  ClearAnswer();
  FQuestion = TQuestion();
}

void TQuestionWindow::OKClick() {
  const TVerdict verdict = Judge();
  if (verdict != TVerdict::NotGiven) FTries.push_back({AnswerText(), verdict == TVerdict::Right});
  switch (verdict) {
    case TVerdict::Right:
      FAnswered = true;
      QApplication::beep();
      accept();
      break;
    case TVerdict::Wrong:
      if (FHost) FHost->AddWrongAnswer();
      TServices::Prompts().MessageDlg(QStringLiteral("Wrong, try a hint to help you"), TMsgDlgType::mtWarning,
                                      TMsgDlgButtons::OK);
      break;
    case TVerdict::NotGiven: break;
  }
}

void TQuestionWindow::HintClick() {
  if (FQuestion.QHints.isEmpty()) return;
  const int n = std::min(hintlevel, static_cast<int>(FQuestion.QHints.size()) - 1);
  if (FHost) FHost->ShowHint(FQuestion.QHints[n]);
  ++hintlevel;
  ++HintsUsed;
}

void TQuestionWindow::showEvent(QShowEvent* event) {
  if (QWidget* main = FHost ? FHost->MainWindow() : nullptr) move(main->pos() + QPoint(200, 200));
  QDialog::showEvent(event);
}
