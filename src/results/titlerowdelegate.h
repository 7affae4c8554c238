#pragma once
// Paints the title row of a run sheet as a heading: light grey, bold, centred and wrapped, with a
// thin black outline. Other rows are painted as usual. Rows the table calls read-only (the titles
// and the recorded samples) get no editor, so a stray key or double click cannot change them.

#include <functional>

#include <QStyledItemDelegate>

class TTitleRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static QColor HeadingColour() { return QColor(236, 233, 216); }

  // `readOnly(row)` with sheet rows counted from 1.
  TTitleRowDelegate(std::function<bool(int row)> readOnly, QObject* parent)
      : QStyledItemDelegate(parent), FReadOnly(std::move(readOnly)) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  std::function<bool(int row)> FReadOnly;
};
