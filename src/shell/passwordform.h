#pragma once
// "Enter Password": the lecturer's password lifts the hiding of results columns.

#include <QDialog>

class QLineEdit;
class TMaster;

class TPasswordForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* Incorrect = "The password you have typed is incorrect. Please try again.";

  // Reads the stored password (writing the default when there is none).
  explicit TPasswordForm(TMaster& master);
  void OKClick();
  QLineEdit* Edit;
  QString Password;

 private:
  TMaster& FMaster;
};
