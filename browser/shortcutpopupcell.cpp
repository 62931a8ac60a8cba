// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcutpopupcell.h"

#include "imageandtextcell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyleOptionComboBox>
#include <QTimer>

namespace {
// Set on an editor once the user has picked one of its items.
constexpr const char *pickedProperty = "trundlePicked";
} // namespace

ShortcutPopUpCell::ShortcutPopUpCell(QObject *parent) : QStyledItemDelegate(parent) {}

void ShortcutPopUpCell::setMenu(const QStringList &titles)
{
    m_hasMenu = true;
    m_items = titles;
    m_selectedIndex = -1;
}

void ShortcutPopUpCell::removeAllItems()
{
    m_items.clear();
    m_selectedIndex = -1;
}

void ShortcutPopUpCell::addItemWithTitle(const QString &title)
{
    m_hasMenu = true;
    m_items.append(title);
}

void ShortcutPopUpCell::selectItemWithTitle(const QString &title)
{
    m_selectedIndex = int(m_items.indexOf(title));
}

QString ShortcutPopUpCell::titleOfSelectedItem() const
{
    return m_selectedIndex >= 0 ? m_items.at(m_selectedIndex) : QString();
}

QStringList ShortcutPopUpCell::shownItemTitles() const
{
    QStringList titles = m_items;
    if (m_itemNote) {
        for (int i = 0; i < int(titles.size()); ++i) {
            const QString shown = m_itemNote(i, m_items.at(i));
            if (!shown.isEmpty())
                titles[i] = shown;
        }
    }
    return titles;
}

static QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

void ShortcutPopUpCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    // The row's text is the selected title: asking for it prepares this cell for the row.
    initStyleOption(&opt, index);
    const QString title = opt.text;
    opt.text.clear();
    QStyle *style = styleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, option.widget);

    // A combo box drawn in place: the same look as the editor, for every row at the cost of a
    // paint, without a widget per row.
    QStyleOptionComboBox combo;
    if (option.widget)
        combo.initFrom(option.widget);
    combo.rect = option.rect.adjusted(1, 0, -1, 0);
    combo.state = QStyle::State_Enabled;
    if (option.state & QStyle::State_Active)
        combo.state |= QStyle::State_Active;
    if (option.state & QStyle::State_MouseOver)
        combo.state |= QStyle::State_MouseOver;
    combo.palette = option.palette;
    combo.currentText = title;
    combo.editable = false;
    combo.frame = true;
    combo.subControls = QStyle::SC_All;
    style->drawComplexControl(QStyle::CC_ComboBox, &combo, painter, option.widget);
    style->drawControl(QStyle::CE_ComboBoxLabel, &combo, painter, option.widget);
}

QSize ShortcutPopUpCell::sizeHint(const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    // As tall as a text row, so both columns share one row height; wide enough for the title
    // and the arrow.
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += 2 * styleOf(option)->pixelMetric(QStyle::PM_ScrollBarExtent);
    size.setHeight(qMax(size.height(), ImageAndTextCell::rowHeightForFont(option.font)));
    return size;
}

QWidget *ShortcutPopUpCell::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                         const QModelIndex &index) const
{
    // Preparing the row first builds the menu if no row has done so yet.
    index.data(Qt::DisplayRole);
    auto *comboBox = new QComboBox(parent);
    comboBox->setFrame(false);
    comboBox->addItems(shownItemTitles());
    auto *self = const_cast<ShortcutPopUpCell *>(this);
    // Picking an item commits it and closes the pop-up, the way a pop-up menu acts at once.
    // Nothing else commits: a pop-up closed by a click elsewhere, by Escape or by losing the focus
    // changes nothing, though the view asks for the editor's data when it loses the focus.
    connect(comboBox, &QComboBox::activated, self, [self, comboBox](int) {
        comboBox->setProperty(pickedProperty, true);
        emit self->commitData(comboBox);
        emit self->closeEditor(comboBox);
    });
    if (m_opensPopUpOnEdit)
        QTimer::singleShot(0, comboBox, &QComboBox::showPopup);
    return comboBox;
}

void ShortcutPopUpCell::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *comboBox = qobject_cast<QComboBox *>(editor);
    if (!comboBox)
        return;
    // Selection by title, like the cell itself: the first item with the row's title.
    const QString title = index.data(Qt::DisplayRole).toString();
    comboBox->setCurrentIndex(int(m_items.indexOf(title)));
}

void ShortcutPopUpCell::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const
{
    auto *comboBox = qobject_cast<QComboBox *>(editor);
    if (!comboBox || !model || comboBox->currentIndex() < 0 ||
        !comboBox->property(pickedProperty).toBool())
        return;
    // Item i stands for shortcut ID i.
    model->setData(index, qlonglong(comboBox->currentIndex()), Qt::EditRole);
}

void ShortcutPopUpCell::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                             const QModelIndex &) const
{
    if (editor)
        editor->setGeometry(option.rect);
}

bool ShortcutPopUpCell::editorEvent(QEvent *event, QAbstractItemModel *model,
                                    const QStyleOptionViewItem &option, const QModelIndex &index)
{
    // A press on the painted pop-up opens the real one, as a click on a pop-up button does. The
    // view finishes handling the press (selection) before the editor opens.
    if (event->type() == QEvent::MouseButtonPress && model &&
        (model->flags(index) & Qt::ItemIsEditable)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *view = qobject_cast<QAbstractItemView *>(const_cast<QWidget *>(option.widget));
        if (view && mouse->button() == Qt::LeftButton &&
            option.rect.contains(mouse->position().toPoint())) {
            QPointer<QAbstractItemView> guardedView(view);
            const QPersistentModelIndex target(index);
            QTimer::singleShot(0, view, [guardedView, target] {
                if (guardedView && target.isValid())
                    guardedView->edit(target);
            });
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
