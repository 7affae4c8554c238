#include "results/titlerowdelegate.h"

#include <QApplication>
#include <QPainter>

void TTitleRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  if (index.row() != 0 && FEmpty && FEmpty(index.row() + 1)) {
    QStyleOptionViewItem blank(option);
    initStyleOption(&blank, index);
    blank.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &blank, painter, widget);
    return;
  }
  if (index.row() != 0) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  painter->save();
  painter->fillRect(option.rect, HeadingColour());
  painter->setPen(Qt::black);
  painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
  QFont font(QStringLiteral("Arial"), 10);
  font.setBold(true);
  painter->setFont(font);
  painter->drawText(option.rect.adjusted(2, 1, -2, -1), Qt::AlignCenter | Qt::TextWordWrap,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}

QWidget* TTitleRowDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  if (FReadOnly && FReadOnly(index.row() + 1)) return nullptr;
  return QStyledItemDelegate::createEditor(parent, option, index);
}
