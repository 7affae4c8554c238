#pragma once
// "About": product name and version, the shell's build, and the logo.

#include <QDialog>

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  TAboutBox(const QString& productName, double productVersion, const QString& shellVersion, bool industrial,
            QWidget* parent = nullptr);
};
