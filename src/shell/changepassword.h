#pragma once
// " Change Password": the current password once, the new one twice.

#include <QDialog>

class QLineEdit;
class TPasswordForm;

class TChangePassword : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* Mismatch = "The passwords you have entered do not match. Please try again.";

  explicit TChangePassword(TPasswordForm& passwordForm);
  void OKClick();
  QLineEdit *Current, *New, *Confirm;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TPasswordForm& FPasswordForm;
};
