#include "rigconfig/targetfinderform.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TTargetFinderForm::TTargetFinderForm(const QString& searchedFolder, const QStringList& causes, QWidget* parent)
    : QDialog(parent), FList(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("Quorlex Target Finder"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      QStringLiteral("No rig could be loaded from %1.\nStart Quorlex with --rig FOLDER to open a rig folder; "
                     "quorlex --check-rig FOLDER lists every fault of a rig.")
          .arg(QDir::toNativeSeparators(searchedFolder)),
      this));
  if (!causes.isEmpty()) {
    auto* text = new QPlainTextEdit(causes.join(QLatin1Char('\n')), this);
    text->setObjectName(QStringLiteral("Causes"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(text, 1);
  }
  FList->addItem(QDir::toNativeSeparators(searchedFolder));
  layout->addWidget(FList, 1);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* add = new QPushButton(QStringLiteral("Add"), this);
  auto* abort = new QPushButton(QStringLiteral("Abort"), this);
  auto* del = new QPushButton(QStringLiteral("Delete"), this);
  for (QPushButton* b : {ok, add, abort, del}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(abort, &QPushButton::clicked, this, &QDialog::reject);
  // The list is informative only: rigs are chosen by starting Quorlex on their folder.
  add->setEnabled(false);
  del->setEnabled(false);
  resize(560, causes.isEmpty() ? 260 : 400);
}

