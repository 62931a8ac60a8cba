// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageandtextcell.h"

#include "log.h"

#include <QApplication>
#include <QPainter>

#include <cmath>

ImageAndTextCell::ImageAndTextCell(QObject *parent) : QStyledItemDelegate(parent) {}

void ImageAndTextCell::setImage(const QIcon &image)
{
    QZLog("Foo, imagep: %p", reinterpret_cast<const void *>(quintptr(image.cacheKey())));
    if (image.cacheKey() == m_image.cacheKey())
        return;
    m_image = image;
}

int ImageAndTextCell::rowHeightForFont(const QFont &font)
{
    return QFontInfo(font).pixelSize() + 6;
}

QRectF ImageAndTextCell::titleRectForBounds(const QRectF &bounds) const
{
    // The icon's slice comes off the left edge; a slice wider than the frame takes all of it.
    const qreal slice = qMin(imageWidth() + iconSliceExtraWidth, qMax(bounds.width(), 0.0));
    const QRectF remainder(bounds.x() + slice, bounds.y(), bounds.width() - slice, bounds.height());
    return QRectF(remainder.x() + 2.0, remainder.y() + 1.0, remainder.width(),
                  remainder.height() - 4.0);
}

QRectF ImageAndTextCell::imageRectForBounds(const QRectF &bounds) const
{
    const qreal w = iconSide;
    const qreal h = iconSide;
    // The bottom edge of the icon lies at y - 1 + ceil((height + h) / 2): the icon is centred
    // with halves rounded up and moved one pixel towards the top, 3 pixels into its slice.
    const qreal bottom = bounds.y() - 1.0 + std::ceil((bounds.height() + h) * 0.5);
    return QRectF(bounds.x() + 3.0, bottom - h, w, h);
}

QRectF ImageAndTextCell::groupTitleRectForBounds(const QRectF &bounds, qreal textHeight)
{
    const qreal offset = std::floor((bounds.height() - textHeight) * 0.5);
    return QRectF(bounds.x(), bounds.y() + offset, bounds.width(), bounds.height() - offset);
}

QSizeF ImageAndTextCell::cellSize(const QSizeF &baseSize) const
{
    return QSizeF(baseSize.width() + imageWidth() + iconSliceExtraWidth, baseSize.height());
}

void ImageAndTextCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QZLog("Start");
    QStyleOptionViewItem opt = option;
    // Asking for the decoration prepares this cell for the row (its image) through the data
    // source, the way the view prepares a shared cell before each row draws.
    initStyleOption(&opt, index);
    auto *self = const_cast<ImageAndTextCell *>(this);
    self->setTitle(opt.text);

    const QRectF frame = opt.rect;
    const float fontSize = fontSizeForCellHeight(frame.height());
    QZLog("font size is: %f", double(fontSize));
    QFont font = opt.font;
    font.setPixelSize(qMax(1, qRound(fontSize)));

    // The row's background and selection, as the style draws them for any item.
    const QString text = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    painter->save();
    painter->setFont(font);
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        (opt.state & QStyle::State_Enabled)
            ? ((opt.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive)
            : QPalette::Disabled;
    painter->setPen(
        opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    if (hasImage()) {
        QZLog("Image wasn't nil. Drawing image.");
        const QRectF imageRect = imageRectForBounds(frame);
        // A row the model dims (it gives a text colour of its own) has its icon dimmed too.
        const bool dimmed = index.data(Qt::ForegroundRole).isValid();
        const QIcon::Mode mode = selected ? QIcon::Selected
                                 : dimmed ? QIcon::Disabled
                                          : QIcon::Normal;
        m_image.paint(painter, imageRect.toAlignedRect(), Qt::AlignCenter, mode);
        const QRectF titleRect = titleRectForBounds(frame);
        const QString elided =
            QFontMetricsF(font).elidedText(text, opt.textElideMode, titleRect.width());
        painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, elided);
    } else {
        QZLog("Image was nil.");
        if (!isGroupCell()) {
            QZLog("not isGroupCell");
        } else {
            QZLog("isGroupCell");
            const QFontMetricsF metrics(font);
            const QRectF titleRect = groupTitleRectForBounds(frame, metrics.height());
            painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                              metrics.elidedText(text, opt.textElideMode, titleRect.width()));
        }
    }
    painter->restore();
    QZLog("End");
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // The base cell measures the title alone; the icon's room is added by cellSize.
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    opt.decorationSize = QSize();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    QSize base = style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
    // The row is as high as the font drawn in it needs: paint() uses height - 6 as the font
    // size, so the view's own font size comes out again.
    base.setHeight(qMax(base.height(), rowHeightForFont(opt.font)));
    return cellSize(QSizeF(base)).toSize();
}

void ImageAndTextCell::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &) const
{
    // Editing happens in the title area beside the icon.
    if (editor)
        editor->setGeometry(titleRectForBounds(option.rect).toRect());
}
