// SPDX-License-Identifier: GPL-3.0-or-later
#include "separatorcell.h"

#include <QPainter>

SeparatorCell::SeparatorCell(QObject *parent) : QStyledItemDelegate(parent) {}

std::pair<QRectF, QRectF> SeparatorCell::ruleRectsForBounds(const QRectF &bounds)
{
    const qreal y0 = bounds.y() + (bounds.height() - 2.0) * 0.5 + 0.5;
    return {QRectF(bounds.x(), y0, bounds.width(), 1.0),
            QRectF(bounds.x(), y0 + 1.0, bounds.width(), 1.0)};
}

void SeparatorCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &) const
{
    const auto [upper, lower] = ruleRectsForBounds(option.rect);
    painter->save();
    // The rules replace what lies beneath them, alpha included, as a plain fill does.
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->fillRect(upper, lineColor1());
    painter->fillRect(lower, lineColor2());
    painter->restore();
}

QWidget *SeparatorCell::createEditor(QWidget *, const QStyleOptionViewItem &,
                                     const QModelIndex &) const
{
    return nullptr;
}
