#pragma once
// What the presentation and the questions need from the program around them: the main window's
// status text, the results table's counters and score, and the help system. The main window
// implements it; tests record the calls.

#include <QString>

class QWidget;

class ITeachingHost {
 public:
  virtual ~ITeachingHost() = default;
  // The presentation is in front showing slide `slide` of `slides` of a chapter.
  virtual void PresentationShown(const QString& chapter, int slide, int slides) = 0;
  // Hints used in answered questions, and wrong answers, add to the results table's counters.
  virtual void AddHintsUsed(int hints) = 0;
  virtual void AddWrongAnswer() = 0;
  // The last question is answered: the table shows its hidden columns.
  virtual void QuestionsAnswered() = 0;
  // A hint "file>window.topic" and a slide's help page.
  virtual void ShowHint(const QString& hint) = 0;
  virtual void ShowMore(const QString& helpFile, const QString& topic) = 0;
  // The window the question windows are placed against (may be null).
  virtual QWidget* MainWindow() = 0;
};
