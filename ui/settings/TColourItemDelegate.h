#pragma once
// Combo items drawn on white in a colour the page chooses per item (black or
// silver); the selection is not drawn.
#include <QStyledItemDelegate>
#include <functional>

class TColourItemDelegate : public QStyledItemDelegate {
public:
    TColourItemDelegate(QObject* parent, std::function<QColor(int)> colourOf)
        : QStyledItemDelegate(parent), m_colourOf(std::move(colourOf))
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static constexpr int kItemHeight = 13;

private:
    std::function<QColor(int)> m_colourOf;
};
