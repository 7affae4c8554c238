#pragma once
// What every window besides the main window gets from the program, wherever it is created: Escape
// closes a tool window (dialogs close on Escape by themselves), and each window opens wholly on
// the screen it belongs to, shrunk to fit when it is larger.

#include <QObject>
#include <QPointer>

class QWidget;

class TToolWindows : public QObject {
  Q_OBJECT
 public:
  // Watches every window the application shows; `main` is left alone.
  explicit TToolWindows(QWidget* main);
  ~TToolWindows() override;

  // Moves and, when needed, shrinks `window` so that its frame lies inside the available area of
  // the screen it is on (the main window's screen when it is not placed yet).
  static void FitOnScreen(QWidget* window, const QWidget* main);
  // Shows `window` in front without taking the keyboard from the window that has it: a help page
  // opened from the menu leaves the menu bar and the shortcuts where they were.
  static void ShowBeside(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> FMain;
};
