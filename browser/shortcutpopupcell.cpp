// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcutpopupcell.h"

#include "imageandtextcell.h"
#include "resources.h"
#include "shortcuttable.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QPushButton>
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
    // The key as plain text ("F5", or nothing): asking the row for its text prepares this cell
    // for the row. The pop-up itself opens on a click, F2 or the space bar.
    QStyledItemDelegate::paint(painter, option, index);
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
    // Asking the row for its text prepares this cell for it, selecting the first item with the
    // row's title, as the cell itself does.
    index.data(Qt::DisplayRole);
    comboBox->setCurrentIndex(m_selectedIndex);
}

void ShortcutPopUpCell::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const
{
    auto *comboBox = qobject_cast<QComboBox *>(editor);
    if (!comboBox || !model || comboBox->currentIndex() < 0 ||
        !comboBox->property(pickedProperty).toBool())
        return;
    // A pick is written once, however many times the view asks.
    comboBox->setProperty(pickedProperty, false);
    // Item i stands for shortcut ID i.
    const int shortcutID = comboBox->currentIndex();
    if (shortcutID != firstMouseButtonID()) {
        model->setData(index, qlonglong(shortcutID), Qt::EditRole);
        return;
    }
    // The left button fires at every left click: asked once the pop-up has closed, so the
    // question never runs inside the editor's own events.
    const QPersistentModelIndex target(index);
    QPointer<QAbstractItemModel> guardedModel(model);
    QPointer<QWidget> window(editor->window());
    QTimer::singleShot(0, this, [target, guardedModel, window, shortcutID] {
        if (!guardedModel || !target.isValid())
            return;
        const QString script =
            QModelIndex(target).siblingAtColumn(0).data(Qt::DisplayRole).toString();
        if (confirmLeftButtonBinding(window, script))
            guardedModel->setData(target, qlonglong(shortcutID), Qt::EditRole);
    });
}

bool ShortcutPopUpCell::confirmLeftButtonBinding(QWidget *parent, const QString &script)
{
    QMessageBox box(QMessageBox::Warning, localizedString(QStringLiteral("HotKeyLeftButtonTitle")),
                    localizedString(QStringLiteral("HotKeyLeftButtonText")).arg(script),
                    QMessageBox::NoButton, parent);
    QPushButton *bind = box.addButton(localizedString(QStringLiteral("HotKeyLeftButtonBind")),
                                      QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(localizedString(QStringLiteral("HotKeyLeftButtonCancel")),
                                        QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == bind;
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
