#include "ui/settings/TColourItemDelegate.h"

#include <QPainter>

void TColourItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->fillRect(option.rect, Qt::white);
    painter->setPen(m_colourOf ? m_colourOf(index.row()) : QColor(Qt::black));
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize TColourItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(qMax(kItemHeight, option.fontMetrics.height()));
    return s;
}
