// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts column: the value of a row comes from the shortcut table, picking an item binds
// its ID to the row's path, folder rows show the "no shortcut" title, the shared menu is built
// once, and the folders cell gets its icon when the row is prepared. Also the pop-up editor.

#include "browsertestsupport.h"
#include "browserwindow.h"
#include "filebrowserdatasource.h"
#include "filebrowsermodel.h"
#include "filesystemitem.h"
#include "imageandtextcell.h"
#include "shortcutpopupcell.h"

#include "fakeinput.h"

#include "preferencesdictionary.h"
#include "recentrunsmodel.h"
#include "resources.h"
#include "shortcuttable.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QString pathOf(const QString &name)
{
    return scriptsFolder() + u'/' + name;
}

PlistDictionary &table()
{
    return *appGlobals->objectForKey(kShortcutsSettingKey).dictionary();
}

FileSystemItem *childNamed(FileBrowserDataSource &ds, const QString &name)
{
    FileSystemItem *user = ds.childOfItem(0, nullptr);
    for (qint64 i = 0; i < ds.numberOfChildrenOfItem(user); ++i) {
        FileSystemItem *child = ds.childOfItem(i, user);
        if (child->name() == name)
            return child;
    }
    return nullptr;
}

ShortcutPopUpCell *popUpOf(FileBrowserDataSource &ds)
{
    return qobject_cast<ShortcutPopUpCell *>(ds.cellForColumn("shortcuts"));
}

QStringList idTitles(int count)
{
    QStringList titles;
    for (int i = 0; i < count; ++i)
        titles.append(titleForShortcutID(i));
    return titles;
}

} // namespace

class TestShortcutColumn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void valueComesFromTheTable_data();
    void valueComesFromTheTable();
    void pickingBindsTheRowsPath_data();
    void pickingBindsTheRowsPath();
    void rowsShowTheirTitle_data();
    void rowsShowTheirTitle();
    void menuIsBuiltOnceByTheFirstLeaf();
    void longerMenuIsNeverShortened();
    void foldersCellGetsIconsOnlyWhenItDrawsThem();
    void editorOffersEveryIdAndSelectsByTitle_data();
    void editorOffersEveryIdAndSelectsByTitle();
    void editorPickGoesToTheTable();
    void popUpClosedWithoutAPickChangesNothing_data();
    void popUpClosedWithoutAPickChangesNothing();
    void viewPaintsBothColumns();
    void hotKeyCellSaysHowItsKeyStands_data();
    void hotKeyCellSaysHowItsKeyStands();
    void aChangeShowsInEveryBrowserAtOnce();
    void theLeftButtonAsksFirst_data();
    void theLeftButtonAsksFirst();
    void browserWindowKeys_data();
    void browserWindowKeys();
};

void TestShortcutColumn::initTestCase()
{
    QDir(scriptsFolder()).removeRecursively();
    QVERIFY(makeFolder(pathOf("Folder")));
    QVERIFY(writeFile(pathOf("Folder/inside.sh")));
    QVERIFY(makeFolder(pathOf("Empty")));
    QVERIFY(writeFile(pathOf("a.sh"), "#!/bin/sh\n", true));
    QVERIFY(writeFile(pathOf("b.sh"), "#!/bin/sh\n", true));
    QVERIFY(hotKeyCount() >= 10);
}

void TestShortcutColumn::init()
{
    resetSettings();
}

void TestShortcutColumn::valueComesFromTheTable_data()
{
    QTest::addColumn<QVariantMap>("entries");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("id");
    const qint64 none = defaultShortcutID();
    QTest::newRow("empty table") << QVariantMap{} << "a.sh" << none;
    QTest::newRow("bound under 7") << QVariantMap{{"7", pathOf("a.sh")}} << "a.sh" << qint64(7);
    QTest::newRow("someone else bound") << QVariantMap{{"7", pathOf("b.sh")}} << "a.sh" << none;
    QTest::newRow("bound twice: first in table order")
        << QVariantMap{{"9", pathOf("a.sh")}, {"3", pathOf("a.sh")}} << "a.sh" << qint64(3);
    QTest::newRow("differs in case only") << QVariantMap{{"5", pathOf("A.sh")}} << "a.sh" << none;
    QTest::newRow("trailing slash differs")
        << QVariantMap{{"5", pathOf("Empty/")}} << "Empty" << none;
    QTest::newRow("key that is no number")
        << QVariantMap{{"x", pathOf("a.sh")}} << "a.sh" << qint64(0);
    QTest::newRow("negative key") << QVariantMap{{"-2", pathOf("a.sh")}} << "a.sh" << qint64(-2);
}

void TestShortcutColumn::valueComesFromTheTable()
{
    QFETCH(QVariantMap, entries);
    QFETCH(QString, name);
    QFETCH(qint64, id);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        table().insert(it.key(), it.value().toString());
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *item = childNamed(ds, name);
    QVERIFY(item);
    QCOMPARE(ds.objectValueForTableColumn("shortcuts", item), PlistValue(id));
    QCOMPARE(ds.shortcutForFullPath(item->fullPath()), id);
    const QModelIndex index = ds.browserModel()->indexForItem(item).siblingAtColumn(1);
    QCOMPARE(index.data(Qt::EditRole).toLongLong(), id);
}

void TestShortcutColumn::pickingBindsTheRowsPath_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("picked");
    QTest::addColumn<QVariantMap>("after");
    const QString a = pathOf("a.sh");
    const QString b = pathOf("b.sh");
    QTest::newRow("new binding") << QVariantMap{} << "a.sh" << QVariant(3) << QVariantMap{{"3", a}};
    QTest::newRow("moves from another script")
        << QVariantMap{{"3", b}} << "a.sh" << QVariant(3) << QVariantMap{{"3", a}};
    QTest::newRow("replaces the script's old ID")
        << QVariantMap{{"5", a}} << "a.sh" << QVariant(7) << QVariantMap{{"7", a}};
    QTest::newRow("replaces every old ID") << QVariantMap{{"3", a}, {"9", a}, {"4", b}} << "a.sh"
                                           << QVariant(4) << QVariantMap{{"4", a}};
    QTest::newRow("same ID again")
        << QVariantMap{{"5", a}} << "a.sh" << QVariant(5) << QVariantMap{{"5", a}};
    QTest::newRow("the no-shortcut ID is stored like any other")
        << QVariantMap{{"2", a}} << "a.sh" << QVariant(0) << QVariantMap{{"0", a}};
    QTest::newRow("a folder row is refused")
        << QVariantMap{{"6", a}} << "Folder" << QVariant(6) << QVariantMap{{"6", a}};
    QTest::newRow("an empty folder row is refused")
        << QVariantMap{} << "Empty" << QVariant(6) << QVariantMap{};
    QTest::newRow("a text that is a number")
        << QVariantMap{} << "b.sh" << QVariant("8") << QVariantMap{{"8", b}};
    QTest::newRow("a text that is no number is refused")
        << QVariantMap{{"1", b}} << "b.sh" << QVariant("F5") << QVariantMap{{"1", b}};
}

void TestShortcutColumn::pickingBindsTheRowsPath()
{
    QFETCH(QVariantMap, before);
    QFETCH(QString, name);
    QFETCH(QVariant, picked);
    QFETCH(QVariantMap, after);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        table().insert(it.key(), it.value().toString());
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *item = childNamed(ds, name);
    QVERIFY(item);
    const PlistValue value = picked.typeId() == QMetaType::QString
                                 ? PlistValue(picked.toString())
                                 : PlistValue(qint64(picked.toLongLong()));
    StandardErrorCapture quiet;
    ds.setObjectValue(value, "shortcuts", item);
    QVariantMap result;
    for (auto it = table().cbegin(); it != table().cend(); ++it)
        result.insert(it.key(), it.value().stringValue());
    QCOMPARE(result, after);
}

void TestShortcutColumn::rowsShowTheirTitle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("boundKey");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // what the column shows: the key, or nothing
    QTest::newRow("script without binding")
        << "a.sh"
        << "" << titleForShortcutID(defaultShortcutID()) << QString();
    QTest::newRow("script bound to 7") << "a.sh"
                                       << "7" << titleForShortcutID(7) << "F7";
    QTest::newRow("folder with children") << "Folder"
                                          << "" << noShortcutTitle() << QString();
    QTest::newRow("folder with children, even when bound") << "Folder"
                                                           << "7" << noShortcutTitle() << QString();
    QTest::newRow("empty folder: a leaf, but shows no key")
        << "Empty"
        << "5" << titleForShortcutID(5) << QString();
}

void TestShortcutColumn::rowsShowTheirTitle()
{
    QFETCH(QString, name);
    QFETCH(QString, boundKey);
    QFETCH(QString, title);
    QFETCH(QString, text);
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *item = childNamed(ds, name);
    if (!boundKey.isEmpty())
        table().insert(boundKey, item->fullPath());
    // A leaf first, so that the shared menu exists as it does once any script row was shown.
    ds.willDisplayCell(popUpOf(ds), "shortcuts", childNamed(ds, "b.sh"));
    ds.willDisplayCell(popUpOf(ds), "shortcuts", item);
    QCOMPARE(popUpOf(ds)->titleOfSelectedItem(), title);
    const QModelIndex index = ds.browserModel()->indexForItem(item).siblingAtColumn(1);
    QCOMPARE(index.data(Qt::DisplayRole).toString(), text);
}

void TestShortcutColumn::menuIsBuiltOnceByTheFirstLeaf()
{
    FileBrowserDataSource ds;
    ds.initOutline();
    ShortcutPopUpCell *popUp = popUpOf(ds);
    // A folder row before any leaf: no menu is made, nothing is selected.
    ds.willDisplayCell(popUp, "shortcuts", childNamed(ds, "Folder"));
    QVERIFY(!popUp->hasMenu());
    QCOMPARE(popUp->titleOfSelectedItem(), QString());
    QVERIFY(!popUp->usesItemFromMenu());

    ds.willDisplayCell(popUp, "shortcuts", childNamed(ds, "a.sh"));
    QVERIFY(popUp->hasMenu());
    QVERIFY(popUp->usesItemFromMenu());
    QCOMPARE(popUp->menuItems(), idTitles(hotKeyCount()));

    // Later rows reuse the menu as it is: a title put in by hand survives them.
    popUp->removeAllItems();
    popUp->setMenu(idTitles(hotKeyCount()));
    const QStringList marked = [&] {
        QStringList t = popUp->menuItems();
        t[1] = "marker";
        return t;
    }();
    popUp->setMenu(marked);
    ds.willDisplayCell(popUp, "shortcuts", childNamed(ds, "b.sh"));
    ds.willDisplayCell(popUp, "shortcuts", childNamed(ds, "Folder"));
    QCOMPARE(popUp->menuItems(), marked);
}

void TestShortcutColumn::longerMenuIsNeverShortened()
{
    FileBrowserDataSource ds;
    ds.initOutline();
    ShortcutPopUpCell *popUp = popUpOf(ds);
    QStringList longer = idTitles(hotKeyCount());
    longer << "extra 1"
           << "extra 2";
    popUp->setMenu(longer);
    ds.willDisplayCell(popUp, "shortcuts", childNamed(ds, "a.sh"));
    QCOMPARE(popUp->menuItems(), longer);
}

void TestShortcutColumn::foldersCellGetsIconsOnlyWhenItDrawsThem()
{
    FileBrowserDataSource ds;
    ds.initOutline();
    auto *cell = qobject_cast<ImageAndTextCell *>(ds.cellForColumn("folders"));
    QVERIFY(cell);
    for (const QString name : {"a.sh", "Folder", "Empty"}) {
        FileSystemItem *item = childNamed(ds, name);
        ds.willDisplayCell(cell, "folders", item);
        QVERIFY2(!item->nodeIcon().isNull(), qPrintable(name));
        QCOMPARE(cell->image().cacheKey(), item->nodeIcon().cacheKey());
        const QModelIndex index = ds.browserModel()->indexForItem(item);
        QVERIFY(!index.data(Qt::DecorationRole).value<QIcon>().isNull());
    }
    // A null item gives the cell no icon.
    ds.willDisplayCell(cell, "folders", nullptr);
    QVERIFY(cell->image().isNull());

    // Another kind of cell in the folders column: no icon anywhere.
    FileBrowserDataSource plain;
    plain.setCellForColumn("folders", new QStyledItemDelegate(&plain));
    plain.initOutline();
    FileSystemItem *item = childNamed(plain, "b.sh");
    const QModelIndex index = plain.browserModel()->indexForItem(item);
    QVERIFY(index.data(Qt::DecorationRole).isNull());
    QVERIFY(item->nodeIcon().isNull());
}

void TestShortcutColumn::editorOffersEveryIdAndSelectsByTitle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("boundKey");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("six"); // what ID 6 is bound to, if anything
    QTest::addColumn<bool>("sixMissing");
    QTest::newRow("script bound to 4") << "a.sh"
                                       << "4" << 4 << QString() << false;
    QTest::newRow("script without binding") << "a.sh"
                                            << "" << int(defaultShortcutID()) << QString() << false;
    // The folder's title is the first item that carries it.
    QTest::newRow("folder row") << "Folder"
                                << "" << int(idTitles(hotKeyCount()).indexOf(noShortcutTitle()))
                                << QString() << false;
    QTest::newRow("6's script is gone") << "a.sh"
                                        << "" << int(defaultShortcutID()) << "gone.sh" << true;
    QTest::newRow("6 held by another script") << "a.sh"
                                              << "" << int(defaultShortcutID()) << "b.sh" << false;
    QTest::newRow("6 bound to a folder") << "a.sh"
                                         << "" << int(defaultShortcutID()) << "Folder" << false;
}

void TestShortcutColumn::editorOffersEveryIdAndSelectsByTitle()
{
    QFETCH(QString, name);
    QFETCH(QString, boundKey);
    QFETCH(int, selected);
    QFETCH(QString, six);
    QFETCH(bool, sixMissing);
    if (!six.isEmpty())
        table().insert("6", pathOf(six));
    FileBrowserDataSource ds;
    QTreeView view;
    ds._fileBrowserOutlineView = &view;
    ds.initOutline();
    ShortcutPopUpCell *popUp = popUpOf(ds);
    popUp->setOpensPopUpOnEdit(false);
    FileSystemItem *item = childNamed(ds, name);
    if (!boundKey.isEmpty())
        table().insert(boundKey, item->fullPath());
    ds.willDisplayCell(popUp, "shortcuts", childNamed(ds, "b.sh")); // any leaf builds the menu
    const QModelIndex index = ds.browserModel()->indexForItem(item).siblingAtColumn(1);
    QStyleOptionViewItem option;
    std::unique_ptr<QWidget> editor(popUp->createEditor(view.viewport(), option, index));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    QVERIFY(combo);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    QStringList expected = idTitles(hotKeyCount());
    // A taken key names its script; one whose script is gone says so.
    if (sixMissing)
        expected[6] =
            QStringLiteral("%1 (script missing: %2)").arg(titleForShortcutID(6), pathOf(six));
    else if (!six.isEmpty())
        expected[6] = titleForShortcutID(6) + QStringLiteral(" — ") + six;
    if (!boundKey.isEmpty())
        expected[boundKey.toInt()] = titleForShortcutID(boundKey.toInt()) + " — " + name;
    QCOMPARE(items, expected);
    popUp->setEditorData(combo, index);
    QCOMPARE(combo->currentIndex(), selected);
    QCOMPARE(popUp->menuItems(), idTitles(hotKeyCount())); // the cell keeps the plain titles
}

void TestShortcutColumn::editorPickGoesToTheTable()
{
    table().insert("2", pathOf("b.sh"));
    FileBrowserDataSource ds;
    QTreeView view;
    ds._fileBrowserOutlineView = &view;
    ds.initOutline();
    ShortcutPopUpCell *popUp = popUpOf(ds);
    popUp->setOpensPopUpOnEdit(false);
    const QModelIndex index =
        ds.browserModel()->indexForItem(childNamed(ds, "a.sh")).siblingAtColumn(1);
    QStyleOptionViewItem option;
    std::unique_ptr<QWidget> editor(popUp->createEditor(view.viewport(), option, index));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    popUp->setEditorData(combo, index);
    combo->setCurrentIndex(2); // the user picks the item of ID 2, which b.sh holds
    emit combo->activated(2);
    popUp->setModelData(combo, ds.model(), index);
    QCOMPARE(table().size(), 1);
    QCOMPARE(table().value("2").stringValue(), pathOf("a.sh"));
    QCOMPARE(index.data(Qt::DisplayRole).toString(), titleForShortcutID(2));
    const QModelIndex other =
        ds.browserModel()->indexForItem(childNamed(ds, "b.sh")).siblingAtColumn(1);
    QCOMPARE(other.data(Qt::DisplayRole).toString(), QString());
}

void TestShortcutColumn::popUpClosedWithoutAPickChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("focus goes elsewhere") << "focus";
    QTest::newRow("escape") << "escape";
    QTest::newRow("the user picks") << "pick";
}

void TestShortcutColumn::popUpClosedWithoutAPickChangesNothing()
{
    // The row of a.sh has no key, so its pop-up opens on "None"; b.sh holds a second key.
    QFETCH(QString, how);
    table().insert("4", pathOf("b.sh"));
    FileBrowserDataSource ds;
    QWidget window;
    auto *view = new QTreeView(&window);
    auto *elsewhere = new QLineEdit(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(view);
    layout->addWidget(elsewhere);
    ds._fileBrowserOutlineView = view;
    ds.initOutline();
    popUpOf(ds)->setOpensPopUpOnEdit(false);
    view->expandAll();
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QModelIndex index =
        ds.browserModel()->indexForItem(childNamed(ds, "a.sh")).siblingAtColumn(1);
    view->edit(index);
    auto *combo = qobject_cast<QComboBox *>(view->indexWidget(index));
    QVERIFY(combo);
    combo->setFocus();
    QTRY_VERIFY(combo->hasFocus());
    if (how == "focus") {
        elsewhere->setFocus(Qt::MouseFocusReason);
    } else if (how == "escape") {
        QTest::keyClick(combo, Qt::Key_Escape);
    } else {
        combo->setCurrentIndex(7);
        emit combo->activated(7);
    }
    QTRY_VERIFY(!view->indexWidget(index));
    if (how == "pick") {
        QCOMPARE(table().value("7").stringValue(), pathOf("a.sh"));
    } else {
        QCOMPARE(table().size(), 1);
        QCOMPARE(table().value("4").stringValue(), pathOf("b.sh"));
    }
}

void TestShortcutColumn::viewPaintsBothColumns()
{
    table().insert("3", pathOf("a.sh"));
    FileBrowserDataSource ds;
    QTreeView view;
    ds._fileBrowserOutlineView = &view;
    ds.initOutline();
    view.resize(500, 300);
    view.expandAll();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage image = view.grab().toImage();
    QVERIFY(!image.isNull());
    // Painting prepared the rows: the script's icon was set and the menu built.
    QVERIFY(!childNamed(ds, "a.sh")->nodeIcon().isNull());
    QCOMPARE(popUpOf(ds)->numberOfItems(), qsizetype(hotKeyCount()));
}

TRUNDLE_TEST_MAIN(TestShortcutColumn)
void TestShortcutColumn::hotKeyCellSaysHowItsKeyStands_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("boundKey");
    QTest::addColumn<QString>("tip");
    using platform::HotKeyStatus;
    QTest::newRow("F5 armed through the portal")
        << "a.sh"
        << "5"
        << "F5 works through the desktop's shortcuts portal, which triggers it with Ctrl+B.";
    QTest::newRow("not bound") << "a.sh"
                               << "" << QString();
    QTest::newRow("a mouse button: no function key") << "a.sh"
                                                     << "13" << QString();
    QTest::newRow("folder") << "Folder"
                            << "5" << QString();
}

void TestShortcutColumn::hotKeyCellSaysHowItsKeyStands()
{
    QFETCH(QString, name);
    QFETCH(QString, boundKey);
    QFETCH(QString, tip);
    using platform::HotKeySource;
    using State = platform::HotKeyStatus::State;
    platform::FakeInputBackend input;
    input.setSource(HotKeySource::Portal);
    input.setFunctionKeyBindings({{5, "Run a.sh"}, {6, "Run a.sh"}});
    input.setKeyStatuses(
        {{5, {State::Armed, HotKeySource::Portal, "Ctrl+B", {}}},
         {6, {State::NotArmed, HotKeySource::None, {}, "the desktop did not bind it"}}});
    platform::InputBackend::setSharedForTesting(&input);
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *item = childNamed(ds, name);
    QVERIFY(item);
    if (!boundKey.isEmpty())
        table().insert(boundKey, item->fullPath());
    const QModelIndex index = ds.browserModel()->indexForItem(item).siblingAtColumn(1);
    QCOMPARE(index.data(Qt::ToolTipRole).toString(), tip);
}

void TestShortcutColumn::aChangeShowsInEveryBrowserAtOnce()
{
    // F3 moves from b.sh to a.sh in one browser; another is told about both rows at once, and
    // the browser window says that the key moved.
    table().insert("3", pathOf("b.sh"));
    BrowserOnView first;
    BrowserOnView second;
    BrowserWindow window;
    FileBrowserModel *model = second.ds.browserModel();
    const QModelIndex a = model->indexForItem(childNamed(second.ds, "a.sh")).siblingAtColumn(1);
    const QModelIndex b = model->indexForItem(childNamed(second.ds, "b.sh")).siblingAtColumn(1);
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    StandardErrorCapture quiet;
    first.ds.setObjectValue(PlistValue(qint64(3)), "shortcuts", childNamed(first.ds, "a.sh"));
    QSet<QModelIndex> told;
    for (const QList<QVariant> &arguments : std::as_const(changed))
        told.insert(arguments.at(0).toModelIndex());
    QCOMPARE(told, (QSet<QModelIndex>{a, b}));
    QCOMPARE(a.data().toString() + '|' + b.data().toString(), "F3|");
    QCOMPARE(window.statusBar()->currentMessage(), "F3 moved from b.sh to a.sh.");
}

void TestShortcutColumn::theLeftButtonAsksFirst_data()
{
    QTest::addColumn<int>("picked");
    QTest::addColumn<int>("answer"); // the role of the button the user clicks
    QTest::addColumn<int>("bound");  // the ID a.sh holds after
    const int left = int(firstMouseButtonID());
    QTest::newRow("left button, bound") << left << int(QMessageBox::AcceptRole) << left;
    QTest::newRow("left button, cancelled") << left << int(QMessageBox::RejectRole) << 4;
    QTest::newRow("right button: no question") << left + 1 << -1 << left + 1;
}

void TestShortcutColumn::theLeftButtonAsksFirst()
{
    QFETCH(int, picked);
    QFETCH(int, answer);
    QFETCH(int, bound);
    table().insert("4", pathOf("a.sh"));
    BrowserOnView browser;
    popUpOf(browser.ds)->setOpensPopUpOnEdit(false);
    const QModelIndex index =
        browser.ds.browserModel()->indexForItem(childNamed(browser.ds, "a.sh")).siblingAtColumn(1);
    browser.view.edit(index);
    auto *combo = qobject_cast<QComboBox *>(browser.view.indexWidget(index));
    QVERIFY(combo);
    // The question comes once the pop-up has closed; the user answers it.
    QStringList questions;
    QTimer user;
    connect(&user, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton *button : box->buttons()) {
            if (box->buttonRole(button) == answer) {
                questions << box->text();
                button->click();
            }
        }
    });
    user.start(0);
    StandardErrorCapture quiet;
    combo->setCurrentIndex(picked);
    emit combo->activated(picked);
    QTRY_COMPARE(questions.size(), answer < 0 ? 0 : 1);
    QTRY_COMPARE(shortcutIDForFullPath(pathOf("a.sh")), qint64(bound));
    if (answer >= 0)
        QVERIFY2(questions.first().contains("every left click, in every application: a.sh"),
                 qPrintable(questions.first()));
}

void TestShortcutColumn::browserWindowKeys_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("Return runs the script") << "a.sh" << int(Qt::Key_Return) << "runs";
    QTest::newRow("Return opens a folder") << "Folder" << int(Qt::Key_Return) << "opens";
    QTest::newRow("F2 opens the pop-up") << "a.sh" << int(Qt::Key_F2) << "pop-up";
    QTest::newRow("no pop-up on a folder") << "Folder" << int(Qt::Key_F2) << "nothing";
    QTest::newRow("nor on a root") << QString() << int(Qt::Key_F2) << "nothing";
    QTest::newRow("Tab leaves the tree") << "a.sh" << int(Qt::Key_Tab) << "leaves";
}

void TestShortcutColumn::browserWindowKeys()
{
    QFETCH(QString, row);
    QFETCH(int, key);
    QFETCH(QString, outcome);
    BrowserWindow window;
    FileBrowserDataSource ds;
    connectDataSource(&ds, &window);
    ds.initOutline();
    popUpOf(ds)->setOpensPopUpOnEdit(false);
    QTreeView *view = window.outlineView();
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QModelIndex root = ds.browserModel()->indexForItem(ds.childOfItem(0, nullptr));
    view->expand(root);
    const QModelIndex index =
        row.isEmpty() ? root : ds.browserModel()->indexForItem(childNamed(ds, row));
    view->setCurrentIndex(index);
    view->setFocus();
    QSignalSpy started(&ds, &FileBrowserDataSource::scriptRunStarted);
    QTest::keyClick(view, Qt::Key(key));
    // The double click's road: the selected row, after its wait.
    if (outcome == "runs")
        QVERIFY(started.wait(FileBrowserDataSource::doubleClickDelay + 20000) &&
                started.first().first() == pathOf(row) && waitUntilScriptsHaveRun());
    QCOMPARE(started.isEmpty(), outcome != "runs");
    QCOMPARE(view->isExpanded(index), outcome == "opens" || row.isEmpty());
    QCOMPARE(qobject_cast<QComboBox *>(view->indexWidget(index.siblingAtColumn(1))) != nullptr,
             outcome == "pop-up");
    if (outcome == "leaves") {
        // On to the Recent Runs table, and on again from a row of it: neither keeps the Tab.
        QCOMPARE(QApplication::focusWidget(), window.recentRunsView());
        ScriptRunResult run;
        run.path = pathOf("a.sh");
        window.recentRuns()->addRun(run);
        window.recentRunsView()->setCurrentIndex(window.recentRuns()->index(0, 0));
        QTest::keyClick(window.recentRunsView(), Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != window.recentRunsView());
    }
}

#include "test_shortcutcolumn.moc"
