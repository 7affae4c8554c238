#pragma once
// The exercise choice of a rig with several exercises: a radio group of the exercises with Load,
// Cancel and Help, and the educational or the industrial logo.

#include <QDialog>
#include <QStringList>

class QButtonGroup;

class TExerciseDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* ChoiceCaption = " Choose the Experiment to Undertake";

  TExerciseDialog(const QString& caption, const QString& productName, const QStringList& exercises,
                  bool educational, QWidget* parent = nullptr);

  int ItemIndex() const;  // 0-based; the first exercise is preselected
  bool Cancelled() const { return FCancelled; }

 signals:
  void HelpRequested();

 private:
  void LoadClick();
  void CancelClick();

  QButtonGroup* FGroup;
  bool FCancelled = false;
};
