#include "shell/aboutbox.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(const QString& productName, double productVersion, const QString& shellVersion, bool industrial,
                     QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("About"));
  auto* layout = new QVBoxLayout(this);
  auto* logo = new QLabel(industrial ? QStringLiteral("Quorlex Industrial") : QStringLiteral("Quorlex Education"), this);
  logo->setObjectName(industrial ? QStringLiteral("IndustrialLogo") : QStringLiteral("EducationalLogo"));
  QFont f = logo->font();
  f.setBold(true);
  f.setPointSize(f.pointSize() + 4);
  logo->setFont(f);
  layout->addWidget(logo);
  layout->addWidget(new QLabel(productName, this));
  layout->addWidget(new QLabel(QStringLiteral("Version ") + QString::number(productVersion, 'f', 2), this));
  layout->addWidget(new QLabel(shellVersion, this));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);
}
