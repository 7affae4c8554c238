#pragma once
// Paints the title row of a run sheet as a heading: light grey, bold, centred and wrapped, with a
// thin black outline. Other rows are painted as usual.

#include <QStyledItemDelegate>

class TTitleRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static QColor HeadingColour() { return QColor(236, 233, 216); }

  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
