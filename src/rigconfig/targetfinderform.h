#pragma once
// Shown when no rig could be loaded: where Quorlex looked and the rig folders it knows, so the
// user can see why nothing loaded. Its buttons choose nothing; start-up goes on either way.

#include <QDialog>

class QListWidget;

class TTargetFinderForm : public QDialog {
  Q_OBJECT
 public:
  explicit TTargetFinderForm(const QString& searchedFolder, QWidget* parent = nullptr);

 private:
  QListWidget* FList;
};
