#include "results/resultsprinter.h"

#include <QPainter>
#include <QPixmap>

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

bool TResultsPrinter::PrintPicture(const QPixmap& picture) {
  QPainter painter;
  if (!painter.begin(FPrinter.get())) return false;
  const QRect page = painter.viewport();
  const QSize size = picture.size().scaled(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), size.width(), size.height());
  painter.setWindow(picture.rect());
  painter.drawPixmap(0, 0, picture);
  return true;
}
