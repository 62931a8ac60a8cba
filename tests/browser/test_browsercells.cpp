// SPDX-License-Identifier: GPL-3.0-or-later
// The cells' geometry and drawing: the title frame beside the icon, where the icon goes, the
// group-row title, the size hint, the font that follows the row height, and the separator rule.

#include "browsertestsupport.h"
#include "imageandtextcell.h"
#include "separatorcell.h"
#include "shortcutpopupcell.h"

#include "resources.h"

#include <QApplication>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyle>
#include <QTest>

namespace {

QIcon testIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

// Paints one cell of the given frame size onto a transparent image.
QImage paintCell(const QStyledItemDelegate &cell, const QString &text, QSize size)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(text));
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(QPoint(0, 0), size);
    option.state = QStyle::State_Enabled;
    option.palette = QApplication::palette();
    option.font = QApplication::font();
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();
    return image;
}

bool hasPaintIn(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

class TestBrowserCells : public QObject
{
    Q_OBJECT

private slots:
    void titleRectForBounds_data();
    void titleRectForBounds();
    void imageRectIsCentredAndRaisedOnePixel_data();
    void imageRectIsCentredAndRaisedOnePixel();
    void groupTitleIsCentredFullWidth();
    void cellSizeAndSizeHint();
    void fontSizeFollowsTheRowHeight_data();
    void fontSizeFollowsTheRowHeight();
    void imageAndGroupState();
    void drawingWithAndWithoutIconAndTitle();
    void hotKeyCellDrawsItsKeyAsText();
    void separatorRuleRectangles_data();
    void separatorRuleRectangles();
    void separatorDrawsTwoToneRuleAndCannotBeEdited();
};

void TestBrowserCells::titleRectForBounds_data()
{
    QTest::addColumn<bool>("withImage");
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QRectF>("title");
    QTest::newRow("no icon") << false << QRectF(0, 0, 100, 17) << QRectF(5, 1, 97, 13);
    QTest::newRow("16-pixel icon") << true << QRectF(0, 0, 100, 17) << QRectF(21, 1, 81, 13);
    QTest::newRow("moved frame") << true << QRectF(10, 20, 200, 24) << QRectF(31, 21, 181, 20);
    QTest::newRow("frame narrower than the icon slice")
        << true << QRectF(0, 0, 10, 17) << QRectF(12, 1, 0, 13);
}

void TestBrowserCells::titleRectForBounds()
{
    QFETCH(bool, withImage);
    QFETCH(QRectF, frame);
    QFETCH(QRectF, title);
    ImageAndTextCell cell;
    if (withImage)
        cell.setImage(testIcon());
    QCOMPARE(cell.titleRectForBounds(frame), title);
}

void TestBrowserCells::imageRectIsCentredAndRaisedOnePixel_data()
{
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QRectF>("image");
    QTest::newRow("row of 17") << QRectF(0, 0, 100, 17) << QRectF(3, 0, 16, 16);
    QTest::newRow("row of 20") << QRectF(0, 0, 100, 20) << QRectF(3, 1, 16, 16);
    QTest::newRow("odd height, moved") << QRectF(4, 5, 100, 21) << QRectF(7, 7, 16, 16);
}

void TestBrowserCells::imageRectIsCentredAndRaisedOnePixel()
{
    QFETCH(QRectF, frame);
    QFETCH(QRectF, image);
    ImageAndTextCell cell;
    cell.setImage(testIcon());
    QCOMPARE(cell.imageRectForBounds(frame), image);
}

void TestBrowserCells::groupTitleIsCentredFullWidth()
{
    QCOMPARE(ImageAndTextCell::groupTitleRectForBounds(QRectF(0, 0, 100, 20), 13),
             QRectF(0, 3, 100, 17));
    QCOMPARE(ImageAndTextCell::groupTitleRectForBounds(QRectF(5, 10, 80, 17), 13),
             QRectF(5, 12, 80, 15));
}

void TestBrowserCells::cellSizeAndSizeHint()
{
    ImageAndTextCell cell;
    QCOMPARE(cell.cellSize(QSizeF(50, 17)), QSizeF(53, 17));
    QStandardItemModel model;
    model.appendRow(new QStandardItem("a script.sh"));
    QStyleOptionViewItem option;
    option.font = QApplication::font();
    option.fontMetrics = QFontMetrics(option.font);
    const QSize without = cell.sizeHint(option, model.index(0, 0));
    cell.setImage(testIcon());
    QCOMPARE(cell.cellSize(QSizeF(50, 17)), QSizeF(69, 17));
    const QSize with = cell.sizeHint(option, model.index(0, 0));
    QCOMPARE(with.width() - without.width(), 16);
    QCOMPARE(with.height(), without.height());
}

void TestBrowserCells::fontSizeFollowsTheRowHeight_data()
{
    QTest::addColumn<qreal>("height");
    QTest::addColumn<float>("size");
    QTest::newRow("17") << qreal(17) << 11.0f;
    QTest::newRow("20") << qreal(20) << 14.0f;
    QTest::newRow("17.5") << qreal(17.5) << 11.5f;
}

void TestBrowserCells::fontSizeFollowsTheRowHeight()
{
    QFETCH(qreal, height);
    QFETCH(float, size);
    QCOMPARE(ImageAndTextCell::fontSizeForCellHeight(height), size);
}

void TestBrowserCells::imageAndGroupState()
{
    ImageAndTextCell cell;
    QVERIFY(!cell.isGroupCell());
    cell.setTitle("Scripts");
    QVERIFY(cell.isGroupCell());
    const QIcon icon = testIcon();
    cell.setImage(icon);
    QVERIFY(!cell.isGroupCell());
    const qint64 key = cell.image().cacheKey();
    cell.setImage(icon);
    QCOMPARE(cell.image().cacheKey(), key);
    cell.setImage(QIcon());
    QVERIFY(cell.image().isNull());
    QVERIFY(cell.isGroupCell());
}

void TestBrowserCells::drawingWithAndWithoutIconAndTitle()
{
    const QSize size(120, 20);
    ImageAndTextCell cell;
    // Neither icon nor title: nothing at all is drawn.
    QVERIFY(!hasPaintIn(paintCell(cell, QString(), size), QRect(QPoint(0, 0), size)));

    // With an icon: the icon's pixels where imageRectForBounds says, text right of it.
    cell.setImage(testIcon());
    const QImage drawn = paintCell(cell, "Wide Title Here", size);
    const QRect iconRect = cell.imageRectForBounds(QRectF(QPoint(0, 0), size)).toRect();
    QCOMPARE(QColor(drawn.pixel(iconRect.center())), QColor(Qt::red));
    QVERIFY(!hasPaintIn(drawn, QRect(0, 0, iconRect.left(), size.height())));
    QVERIFY(hasPaintIn(drawn, QRect(iconRect.right() + 3, 0, 60, size.height())));

    // A group row: the title starts at the left edge.
    cell.setImage(QIcon());
    const QImage group = paintCell(cell, "Group", size);
    QVERIFY(hasPaintIn(group, QRect(0, 0, 5, size.height())));
}

void TestBrowserCells::hotKeyCellDrawsItsKeyAsText()
{
    // Exactly what a plain text cell draws: no pop-up frame or arrow on every row.
    ShortcutPopUpCell cell;
    QStyledItemDelegate plain;
    for (const QString text : {"F5", ""})
        QCOMPARE(paintCell(cell, text, QSize(120, 20)), paintCell(plain, text, QSize(120, 20)));
    QVERIFY(paintCell(cell, "F5", QSize(120, 20)) != paintCell(cell, "", QSize(120, 20)));
}

void TestBrowserCells::separatorRuleRectangles_data()
{
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QRectF>("upper");
    QTest::addColumn<QRectF>("lower");
    QTest::newRow("0,0,100,20") << QRectF(0, 0, 100, 20) << QRectF(0, 9.5, 100, 1)
                                << QRectF(0, 10.5, 100, 1);
    QTest::newRow("moved, height 17")
        << QRectF(10, 40, 50, 17) << QRectF(10, 48, 50, 1) << QRectF(10, 49, 50, 1);
}

void TestBrowserCells::separatorRuleRectangles()
{
    QFETCH(QRectF, frame);
    QFETCH(QRectF, upper);
    QFETCH(QRectF, lower);
    const auto [first, second] = SeparatorCell::ruleRectsForBounds(frame);
    QCOMPARE(first, upper);
    QCOMPARE(second, lower);
}

void TestBrowserCells::separatorDrawsTwoToneRuleAndCannotBeEdited()
{
    SeparatorCell cell;
    const QImage image = paintCell(cell, "text is never drawn", QSize(100, 17));
    // Exactly two painted rows, one above the other, in the two colours and across the width;
    // the first keeps its own alpha (the fill replaces what was there).
    QList<int> paintedRows;
    for (int y = 0; y < image.height(); ++y)
        if (hasPaintIn(image, QRect(0, y, image.width(), 1)))
            paintedRows.append(y);
    QCOMPARE(paintedRows.size(), 2);
    QCOMPARE(paintedRows.at(1), paintedRows.at(0) + 1);
    for (int x : {0, 50, 99}) {
        QCOMPARE(image.pixelColor(x, paintedRows.at(0)).rgba(), SeparatorCell::lineColor1().rgba());
        QCOMPARE(image.pixelColor(x, paintedRows.at(1)).rgba(), SeparatorCell::lineColor2().rgba());
    }
    QStandardItemModel model;
    model.appendRow(new QStandardItem("x"));
    QWidget parent;
    QCOMPARE(cell.createEditor(&parent, QStyleOptionViewItem(), model.index(0, 0)), nullptr);
}

TRUNDLE_TEST_MAIN(TestBrowserCells)
#include "test_browsercells.moc"
