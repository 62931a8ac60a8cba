// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A cell that draws its row as a thin two-tone horizontal rule across the full width, with no
// text, and that can never be edited.

#include <QColor>
#include <QRectF>
#include <QStyledItemDelegate>

#include <utility>

class SeparatorCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static QColor lineColor1() { return QColor::fromRgbF(0.349f, 0.6f, 0.898f, 0.6f); }
    static QColor lineColor2() { return QColor::fromRgbF(0.976f, 1.0f, 1.0f, 1.0f); }

    explicit SeparatorCell(QObject *parent = nullptr);

    // The two one-pixel rules of a cell frame: the upper one in colour 1, the lower in colour 2.
    static std::pair<QRectF, QRectF> ruleRectsForBounds(const QRectF &bounds);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    // No editor: a separator row cannot be edited.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
};
