// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The folders column's cell: a 16 by 16 icon at the left of the row, then the title. The font
// follows the row height (height - 6), a row without an icon but with a title is drawn as a group
// row (title centred vertically, full width), and editing happens in the title area beside the
// icon.
//
// Like the view's other cells it is shared by every row of its column: the data source hands it
// the row's icon (setImage) just before the row is drawn, when the model is asked for the row's
// decoration.

#include <QIcon>
#include <QRectF>
#include <QSizeF>
#include <QStyledItemDelegate>

class ImageAndTextCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr qreal iconSide = 16.0;
    static constexpr qreal iconSliceExtraWidth = 3.0;

    explicit ImageAndTextCell(QObject *parent = nullptr);

    // Holding the same image again changes nothing; a new image is drawn at 16 by 16.
    void setImage(const QIcon &image);
    const QIcon &image() const { return m_image; }
    bool hasImage() const { return !m_image.isNull(); }
    // The title of the row last prepared for drawing.
    void setTitle(const QString &title) { m_title = title; }
    const QString &title() const { return m_title; }
    // No image but a title: the row is drawn as a group row.
    bool isGroupCell() const { return !hasImage() && !m_title.isEmpty(); }

    // Geometry, in the view's coordinates (y grows downwards).
    QRectF titleRectForBounds(const QRectF &bounds) const;
    // Where the icon is drawn: centred vertically (halves rounded up), one pixel up, 3 pixels in.
    QRectF imageRectForBounds(const QRectF &bounds) const;
    // A group row's title frame: centred for a title of textHeight (halves rounded down).
    static QRectF groupTitleRectForBounds(const QRectF &bounds, qreal textHeight);
    // The base cell's size, widened for the icon (or by 3 without one).
    QSizeF cellSize(const QSizeF &baseSize) const;
    // The font size, in pixels, for a row of this height, and the row height at which a font
    // is drawn at its own size.
    static float fontSizeForCellHeight(qreal height) { return float(height - 6.0); }
    static int rowHeightForFont(const QFont &font);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    qreal imageWidth() const { return hasImage() ? iconSide : 0.0; }

    QIcon m_image;
    QString m_title;
};
