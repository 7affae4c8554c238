#pragma once
// Records what the presentation and the questions ask of the main window.

#include <QStringList>

#include "teaching/iteachinghost.h"

struct TTeachingHostRecorder : ITeachingHost {
  QString Status;
  int Hints = 0, Wrong = 0, Answered = 0;
  QStringList HintsShown, MoreShown;
  void PresentationShown(const QString& chapter, int slide, int slides) override {
    Status = QStringLiteral("%1 : Slide %2 of %3").arg(chapter).arg(slide).arg(slides);
  }
  void AddHintsUsed(int hints) override { Hints += hints; }
  void AddWrongAnswer() override { ++Wrong; }
  void QuestionsAnswered() override { ++Answered; }
  void ShowHint(const QString& hint) override { HintsShown << hint; }
  void ShowMore(const QString& helpFile, const QString& topic) override { MoreShown << helpFile + "|" + topic; }
  QWidget* MainWindow() override { return nullptr; }
};
