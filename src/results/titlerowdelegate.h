#pragma once
// Paints the title row of a run sheet as a heading: light grey, bold, centred and wrapped, with a
// thin black outline. Other rows are painted as usual. Rows the table calls read-only (the titles
// and the recorded samples) get no editor, so a stray key or double click cannot change them.
// Rows below the last one holding a value are painted without text: their copied formulas would
// otherwise show results (0) of no sample.

#include <functional>

#include <QStyledItemDelegate>

class TTitleRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static QColor HeadingColour() { return QColor(236, 233, 216); }

  // `readOnly(row)` with sheet rows counted from 1.
  TTitleRowDelegate(std::function<bool(int row)> readOnly, QObject* parent,
                    std::function<bool(int row)> empty = nullptr)
      : QStyledItemDelegate(parent), FReadOnly(std::move(readOnly)), FEmpty(std::move(empty)) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  std::function<bool(int row)> FReadOnly;
  std::function<bool(int row)> FEmpty;
};
