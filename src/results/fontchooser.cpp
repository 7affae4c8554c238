#include "results/fontchooser.h"

#include <QCheckBox>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QSpinBox>

TFontChooser::TFontChooser(QWidget* parent)
    : QWidget(parent),
      Face(new QFontComboBox(this)),
      Size(new QSpinBox(this)),
      Bold(new QCheckBox(QStringLiteral("Bold"), this)),
      Italic(new QCheckBox(QStringLiteral("Italic"), this)) {
  Size->setRange(4, 72);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Face, 1);
  layout->addWidget(Size);
  layout->addWidget(Bold);
  layout->addWidget(Italic);
}

void TFontChooser::SetFont(const QFont& font) {
  Face->setCurrentFont(font);
  Size->setValue(font.pointSize() > 0 ? font.pointSize() : 9);
  Bold->setChecked(font.bold());
  Italic->setChecked(font.italic());
}

QFont TFontChooser::ChosenFont(QFont base) const {
  base.setFamily(Face->currentFont().family());
  base.setPointSize(Size->value());
  base.setBold(Bold->isChecked());
  base.setItalic(Italic->isChecked());
  return base;
}
