#include "results/resultsprinter.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

TResultsPrinter::TResultsPrinter(QWidget* dialogParent)
    : FPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)), FParent(dialogParent) {
  FPrinter->setPageOrientation(QPageLayout::Landscape);
  SetPrintDialog(nullptr);
  SetPageSetupDialog(nullptr);
}

TResultsPrinter::~TResultsPrinter() = default;

void TResultsPrinter::SetPrintDialog(TDialog dialog) {
  if (!dialog)
    dialog = [this](QPrinter& printer) { return QPrintDialog(&printer, FParent).exec() == QDialog::Accepted; };
  FPrintDialog = std::move(dialog);
}

void TResultsPrinter::SetPageSetupDialog(TDialog dialog) {
  if (!dialog)
    dialog = [this](QPrinter& printer) { return QPageSetupDialog(&printer, FParent).exec() == QDialog::Accepted; };
  FPageSetupDialog = std::move(dialog);
}
