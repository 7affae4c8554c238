#pragma once
// The printer of a results window with its print and page set-up dialogs. The dialogs are
// replaceable so a test (or a batch run) can print to a PDF file without showing one.

#include <functional>
#include <memory>

class QPixmap;
class QPrinter;
class QWidget;

class TResultsPrinter {
 public:
  // Shows a dialog on the printer; true when the user accepted it.
  using TDialog = std::function<bool(QPrinter& printer)>;

  explicit TResultsPrinter(QWidget* dialogParent);
  ~TResultsPrinter();

  QPrinter& Printer() { return *FPrinter; }
  bool ChoosePrinter() { return FPrintDialog(*FPrinter); }
  bool PageSetup() { return FPageSetupDialog(*FPrinter); }

  // Prints a window's picture on the chosen printer, as large as the page allows; false when the
  // printer could not be started.
  bool PrintPicture(const QPixmap& picture);

  void SetPrintDialog(TDialog dialog);      // nullptr restores the standard dialog
  void SetPageSetupDialog(TDialog dialog);  // nullptr restores the standard dialog

 private:
  std::unique_ptr<QPrinter> FPrinter;
  QWidget* FParent;
  TDialog FPrintDialog, FPageSetupDialog;
};
