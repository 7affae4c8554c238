#include "acquisition/attachnote.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAttachNote::TAttachNote(QWidget* parent) : QDialog(parent), Edit1(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("Attach a Note"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(QString::fromLatin1(Prompt), this);
  text->setWordWrap(true);
  layout->addWidget(text);
  layout->addWidget(Edit1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  resize(360, 130);
}

void TAttachNote::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Edit1->setFocus();
}
