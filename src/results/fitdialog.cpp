#include "results/fitdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

TFitDialog::TFitDialog(const QStringList& series, int chosen, QWidget* parent)
    : QDialog(parent), FSeries(new QComboBox(this)), FModel(new QComboBox(this)) {
  setWindowTitle(QStringLiteral("Fit"));
  FSeries->addItems(series);
  FSeries->setCurrentIndex(chosen);
  for (const QString& name : TFitModel::Names()) FModel->addItem(TFitModel::Parse(name)->Caption(), name);
  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("&Series:"), FSeries);
  form->addRow(QStringLiteral("&Curve:"), FModel);
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
