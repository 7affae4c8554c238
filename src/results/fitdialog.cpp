#include "results/fitdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

#include <algorithm>
#include <utility>

TFitDialog::TFitDialog(const QStringList& series, int chosen, QWidget* parent)
    : QDialog(parent), FSeries(new QComboBox(this)), FModel(new QComboBox(this)) {
  setWindowTitle(QStringLiteral("Fit"));
  FSeries->addItems(series);
  FSeries->setCurrentIndex(chosen);
  for (const QString& name : TFitModel::Names()) FModel->addItem(TFitModel::Parse(name)->Caption(), name);
  auto* form = new QFormLayout(this);
  for (const auto& [text, box] : {std::pair{QStringLiteral("&Series:"), FSeries}, std::pair{QStringLiteral("&Curve:"), FModel}}) {
    auto* label = new QLabel(text, this);
    label->setBuddy(box);
    // Whole at any font: the form would otherwise give the labels less than they need.
    label->setMinimumWidth(std::max(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(text)) + 2);
    form->addRow(label, box);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

int TFitDialog::Series() const { return FSeries->currentIndex(); }

TFitModel TFitDialog::Model() const { return *TFitModel::Parse(FModel->currentData().toString()); }

void TFitDialog::Choose(int series, const TFitModel& model) {
  FSeries->setCurrentIndex(series);
  FModel->setCurrentIndex(FModel->findData(model.Name()));
}
