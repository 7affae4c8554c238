#include "results/fitpanel.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFitPanel::TFitPanel(QWidget* parent) : QWidget(parent, Qt::Tool), FText(new QPlainTextEdit(this)) {
  setWindowTitle(QStringLiteral("Fits"));
  FText->setReadOnly(true);
  FText->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* copy = new QPushButton(QStringLiteral("&Copy"), this);
  connect(copy, &QPushButton::clicked, this, &TFitPanel::Copy);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FText);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(copy);
  layout->addLayout(row);
  resize(520, 300);
}

void TFitPanel::SetText(const QString& text) { FText->setPlainText(text); }

QString TFitPanel::Text() const { return FText->toPlainText(); }

void TFitPanel::Copy() { QApplication::clipboard()->setText(Text()); }
