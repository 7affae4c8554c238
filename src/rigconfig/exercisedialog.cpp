#include "rigconfig/exercisedialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// The logos are drawn rather than shipped, so the dialog needs no picture files.
QPixmap Logo(bool educational) {
  QPixmap pix(72, 72);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(educational ? QColor(0x2e, 0x7d, 0x32) : QColor(0x37, 0x47, 0x4f));
  p.setPen(Qt::NoPen);
  p.drawEllipse(4, 4, 64, 64);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setBold(true);
  f.setPointSize(educational ? 20 : 14);
  p.setFont(f);
  p.drawText(QRect(4, 4, 64, 64), Qt::AlignCenter, educational ? QStringLiteral("Q") : QStringLiteral("IND"));
  return pix;
}
}  // namespace

TExerciseDialog::TExerciseDialog(const QString& caption, const QString& productName, const QStringList& exercises,
                                 bool educational, QWidget* parent)
    : QDialog(parent), FGroup(new QButtonGroup(this)) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* logo = new QLabel(this);
  logo->setPixmap(Logo(educational));
  logo->setObjectName(educational ? QStringLiteral("EducationalLogo") : QStringLiteral("IndustrialLogo"));
  top->addWidget(logo);
  auto* product = new QLabel(productName, this);
  product->setObjectName(QStringLiteral("ProductName"));
  QFont f = product->font();
  f.setBold(true);
  f.setPointSize(f.pointSize() + 3);
  product->setFont(f);
  top->addWidget(product, 1);
  layout->addLayout(top);

  auto* box = new QGroupBox(QString::fromLatin1(ChoiceCaption), this);
  auto* boxLayout = new QVBoxLayout(box);
  for (int i = 0; i < exercises.size(); ++i) {
    auto* radio = new QRadioButton(exercises[i], box);
    FGroup->addButton(radio, i);
    boxLayout->addWidget(radio);
    if (i == 0) radio->setChecked(true);
  }
  box->setMinimumHeight(25 * static_cast<int>(exercises.size()) + 50);
  layout->addWidget(box, 1);

  if (educational) {
    auto* note = new QLabel(QStringLiteral("A walk-through of each exercise is in the help."), this);
    note->setObjectName(QStringLiteral("WalkThroughNote"));
    layout->addWidget(note);
  }
  auto* buttons = new QHBoxLayout;
  auto* load = new QPushButton(QStringLiteral("Load"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  load->setDefault(true);
  help->setEnabled(educational);
  buttons->addStretch(1);
  buttons->addWidget(load);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  layout->addLayout(buttons);
  connect(load, &QPushButton::clicked, this, &TExerciseDialog::LoadClick);
  connect(cancel, &QPushButton::clicked, this, &TExerciseDialog::CancelClick);
  connect(help, &QPushButton::clicked, this, &TExerciseDialog::HelpRequested);
  setMinimumHeight(25 * static_cast<int>(exercises.size()) + 180);
}

int TExerciseDialog::ItemIndex() const { return FGroup->checkedId() < 0 ? 0 : FGroup->checkedId(); }

void TExerciseDialog::LoadClick() {
  FCancelled = false;
  accept();
}

void TExerciseDialog::CancelClick() {
  FCancelled = true;
  reject();
}
