#pragma once
// The fits' numbers at full precision, as text to read and to copy into a report.

#include <QWidget>

class QPlainTextEdit;

class TFitPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TFitPanel(QWidget* parent = nullptr);
  void SetText(const QString& text);
  QString Text() const;
  // The whole text to the clipboard.
  void Copy();

 private:
  QPlainTextEdit* FText;
};
