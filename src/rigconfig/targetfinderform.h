#pragma once
// Shown when no rig could be loaded: where Quorlex looked, the rig folders it knows and the faults
// that stopped the load (file, row, column), so the user can see why nothing loaded. Its buttons choose nothing; start-up goes on either way.

#include <QDialog>
#include <QStringList>

class QListWidget;

class TTargetFinderForm : public QDialog {
  Q_OBJECT
 public:
  TTargetFinderForm(const QString& searchedFolder, const QStringList& causes, QWidget* parent = nullptr);

 private:
  QListWidget* FList;
};
