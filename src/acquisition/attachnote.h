#pragma once
// "Attach a Note": the text typed here goes into the next sample taken.

#include <QDialog>

class QLineEdit;

class TAttachNote : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* Prompt = "Type in your note and these comments will be attached to the next sample taken.";

  explicit TAttachNote(QWidget* parent = nullptr);
  QLineEdit* Edit1;

 protected:
  void showEvent(QShowEvent* event) override;
};
