// SPDX-License-Identifier: GPL-3.0-or-later
// The browser's actions: a new script (made executable as the umask allows, bad and taken names
// refused, nothing overwritten), Make Executable as `chmod +x` does it, and which items the
// context menu of a row offers.

#include "browsertestsupport.h"
#include "filebrowsermodel.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "scriptactions.h"
#include "shortcuttable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>

#include <sys/stat.h>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QStringList titlesOf(const QMenu *menu)
{
    QStringList titles;
    for (const QAction *action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("---") : action->text());
    return titles;
}

} // namespace

class TestScriptActions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void newScript_data();
    void newScript();
    void executableMode_data();
    void executableMode();
    void contextMenuOffersWhatFits_data();
    void contextMenuOffersWhatFits();

private:
    QString m_folder;
};

void TestScriptActions::init()
{
    resetSettings();
    ::umask(022);
    m_folder = scriptsFolder(QStringLiteral("Actions"));
    QDir(m_folder).removeRecursively();
    QVERIFY(makeFolder(m_folder));
    QVERIFY(writeFile(m_folder + QStringLiteral("/taken.sh"), "echo mine\n"));
    QVERIFY(makeFolder(m_folder + QStringLiteral("/Sub")));
}

void TestScriptActions::newScript_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problemKey"); // empty: the script is made
    const auto row = [](const char *tag, const char *name, const char *key, const char *in = "") {
        QTest::newRow(tag) << QString::fromUtf8(in) << QString::fromUtf8(name)
                           << QString::fromLatin1(key);
    };
    row("plain name", "backup.sh", "");
    row("name with spaces and umlauts", "Grüße an alle", "");
    row("empty", "", "NewScriptNameEmpty");
    row("blanks only", "   ", "NewScriptNameEmpty");
    row("slash", "Sub/x.sh", "NewScriptNameSlash");
    row("dot dot", "..", "NewScriptNameDots");
    row("hidden", ".secret.sh", "NewScriptNameHidden");
    row("taken by a script", "taken.sh", "NewScriptNameTaken");
    row("taken by a folder", "Sub", "NewScriptNameTaken");
    row("folder missing", "x.sh", "NewScriptCannotCreate", "/Missing");
}

void TestScriptActions::newScript()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, problemKey);
    folder.prepend(m_folder);
    const QStringList before = QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden);
    QString error;
    const QString path = createNewScript(folder, name, &error);
    if (problemKey.isEmpty()) {
        QCOMPARE(path, folder + u'/' + name);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QFile made(path);
        QVERIFY(made.open(QIODevice::ReadOnly));
        const QByteArray contents = made.readAll();
        QCOMPARE(contents, newScriptContents().toUtf8());
        QVERIFY(contents.startsWith("#!/bin/sh\n"));
        QCOMPARE(modeOf(path), mode_t(0755));
        return;
    }
    QVERIFY(path.isEmpty());
    // The sentence starts as the table's does, before any %1.
    const QString expected = localizedString(problemKey).section(QStringLiteral("%1"), 0, 0);
    QVERIFY2(error.startsWith(expected), qPrintable(error));
    QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden), before);
    QFile taken(m_folder + QStringLiteral("/taken.sh"));
    QVERIFY(taken.open(QIODevice::ReadOnly));
    QCOMPARE(taken.readAll(), QByteArray("echo mine\n"));
}

void TestScriptActions::executableMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("expected");
    QTest::newRow("readable by all, umask 022") << 0644 << 022 << 0755;
    QTest::newRow("private file") << 0600 << 022 << 0700;
    QTest::newRow("umask 077 keeps the owner's bit only") << 0644 << 077 << 0744;
    QTest::newRow("set-user-ID bit kept") << 04644 << 022 << 04755;
    QTest::newRow("owner may not even read") << 0044 << 022 << 0155;
}

void TestScriptActions::executableMode()
{
    // Make Executable on a file of that mode under that umask, as `chmod +x` gives the bits.
    QFETCH(int, mode);
    QFETCH(int, mask);
    QFETCH(int, expected);
    const QString path = m_folder + QStringLiteral("/taken.sh");
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    QCOMPARE(lacksExecuteBit(path), (mode & 0111) == 0);
    ::umask(mode_t(mask));
    QString error;
    QVERIFY2(makeExecutable(path, &error), qPrintable(error));
    QCOMPARE(int(modeOf(path)), expected);
    QVERIFY(!lacksExecuteBit(path) && !lacksExecuteBit(m_folder + QStringLiteral("/Sub")));
    QVERIFY(!makeExecutable(m_folder + QStringLiteral("/missing.sh"), &error));
    QVERIFY2(error.contains(QStringLiteral("missing.sh")), qPrintable(error));
}

void TestScriptActions::contextMenuOffersWhatFits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("bound");
    QTest::addColumn<QStringList>("keys");
    const QStringList script{"ContextMenuRun", "ContextMenuEdit", "ContextMenuShowInFileManager",
                             "ContextMenuCopyPath"};
    QTest::newRow("script without the execute bit")
        << "taken.sh" << false << false << (script + QStringList{"ContextMenuMakeExecutable"});
    QTest::newRow("script with a hot key")
        << "taken.sh" << true << true << (script + QStringList{"---", "ContextMenuRemoveHotKey"});
    QTest::newRow("folder") << "Sub" << true << false
                            << QStringList{"ContextMenuOpen", "ContextMenuNewScript"};
}

void TestScriptActions::contextMenuOffersWhatFits()
{
    QFETCH(QString, name);
    QFETCH(bool, executable);
    QFETCH(bool, bound);
    QFETCH(QStringList, keys);
    const QString path = m_folder + u'/' + name;
    if (executable)
        QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner));
    if (bound)
        assignShortcut(5, path);

    BrowserOnView browser;
    ScriptActions actions(&browser.ds, &browser.view);
    browser.view.resize(600, 400);
    browser.view.expandAll();
    const QModelIndex index = browser.indexOf(path);
    QVERIFY(index.isValid());
    // A missing /Library/Scripts, the second root, has no menu (where the machine has none).
    const QModelIndex machineRoot = browser.ds.model()->index(1, 0);
    if (!QFileInfo::exists(browser.ds.itemForIndex(machineRoot)->fullPath()))
        QVERIFY(!std::unique_ptr<QMenu>(
            actions.contextMenuAt(browser.view.visualRect(machineRoot).center())));
    const QPoint pos = browser.view.visualRect(index).center();
    std::unique_ptr<QMenu> menu(actions.contextMenuAt(pos));
    QVERIFY(menu);
    QStringList expected;
    for (const QString &key : keys)
        expected << (key == QLatin1String("---") ? key : localizedString(key));
    QCOMPARE(titlesOf(menu.get()), expected);
    // The row of the menu is the selected one, which Run and Remove Hot Key act on.
    QCOMPARE(browser.ds.selectedItem()->fullPath(), path);

    if (bound) {
        actions.removeHotKey(path);
        QCOMPARE(shortcutIDForFullPath(path), qint64(defaultShortcutID()));
        QVERIFY(scriptPathForShortcutID(5).isEmpty());
    }
}

TRUNDLE_TEST_MAIN(TestScriptActions)
#include "test_scriptactions.moc"
