// SPDX-License-Identifier: GPL-3.0-or-later
// File-system items: which entries of a folder become children, in which order, how folders,
// files and unreadable or strange entries count, and that the tree stays lazy where links loop.

#include "browsertestsupport.h"
#include "filesystemitem.h"

#include "resources.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Entry
{
    PlainScript,
    DotScript,
    SubFolder,
    DotFolder,
    DanglingLink,
    SelfLoopLink,
    LinkToFile,
    LinkToParent,
    InvalidUtf8Name,
    NameWithSpacesAndQuotes,
};

// Makes one entry of the given kind in folder; returns its name (empty on failure).
QString makeEntry(const QString &folder, Entry kind)
{
    switch (kind) {
    case Entry::PlainScript:
        return writeFile(folder + "/script.sh", "#!/bin/sh\n", true) ? "script.sh" : QString();
    case Entry::DotScript:
        return writeFile(folder + "/.hidden.sh") ? ".hidden.sh" : QString();
    case Entry::SubFolder:
        return makeFolder(folder + "/sub") ? "sub" : QString();
    case Entry::DotFolder:
        return makeFolder(folder + "/.git") ? ".git" : QString();
    case Entry::DanglingLink:
        return makeSymlink(folder + "/missing", folder + "/dangling") ? "dangling" : QString();
    case Entry::SelfLoopLink:
        return makeSymlink(folder + "/loop", folder + "/loop") ? "loop" : QString();
    case Entry::LinkToFile:
        return writeFile(folder + "/.target") && makeSymlink(".target", folder + "/link")
                   ? "link"
                   : QString();
    case Entry::LinkToParent:
        return makeSymlink("..", folder + "/up") ? "up" : QString();
    case Entry::InvalidUtf8Name: {
        const QByteArray raw = QFile::encodeName(folder) + "/bad\xff\xfe.sh";
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0700);
        if (fd < 0)
            return {};
        ::close(fd);
        return QStringLiteral("<invalid>");
    }
    case Entry::NameWithSpacesAndQuotes:
        return writeFile(folder + "/it's \"a\" $x.sh") ? "it's \"a\" $x.sh" : QString();
    }
    return {};
}

QStringList childNames(FileSystemItem &item)
{
    QStringList names;
    for (qint64 i = 0; i < item.numberOfChildren(); ++i)
        names.append(item.childAtIndex(i)->name());
    return names;
}

bool setModificationTime(const QString &path, time_t seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) ==
           0;
}

} // namespace

class TestFileSystemItem : public QObject
{
    Q_OBJECT

private slots:
    void entryIsShownOrLeftOut_data();
    void entryIsShownOrLeftOut();
    void childrenKeepTheListingOrder();
    void rootItemNamesAndPaths_data();
    void rootItemNamesAndPaths();
    void childrenOfTheFileSystemRootHaveOneSlash();
    void childCounts_data();
    void childCounts();
    void linkToParentOpensLazilyWithoutEnd();
    void invalidUtf8NameIsLeftOutWithALogLine();
    void childrenAreReadOnce();
    void modificationTimeOrdering_data();
    void modificationTimeOrdering();
    void nodeIconIsKept();
};

void TestFileSystemItem::entryIsShownOrLeftOut_data()
{
    QTest::addColumn<Entry>("kind");
    QTest::addColumn<bool>("shown");
    QTest::newRow("plain script") << Entry::PlainScript << true;
    QTest::newRow("script named with a dot") << Entry::DotScript << false;
    QTest::newRow("sub folder") << Entry::SubFolder << true;
    QTest::newRow("folder named with a dot") << Entry::DotFolder << false;
    QTest::newRow("dangling symbolic link") << Entry::DanglingLink << false;
    QTest::newRow("symbolic link to itself") << Entry::SelfLoopLink << false;
    QTest::newRow("symbolic link to a file") << Entry::LinkToFile << true;
    QTest::newRow("symbolic link to the parent") << Entry::LinkToParent << true;
    QTest::newRow("name that is not UTF-8") << Entry::InvalidUtf8Name << false;
    QTest::newRow("name with quotes and dollar") << Entry::NameWithSpacesAndQuotes << true;
}

void TestFileSystemItem::entryIsShownOrLeftOut()
{
    QFETCH(Entry, kind);
    QFETCH(bool, shown);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = makeEntry(dir.path(), kind);
    QVERIFY2(!name.isEmpty(), "could not create the entry");

    StandardErrorCapture quiet; // the invalid name writes a line; it is checked elsewhere
    auto root = FileSystemItem::rootItemWithPath(dir.path());
    const QStringList names = childNames(*root);
    if (shown) {
        QCOMPARE(names, QStringList{name});
        FileSystemItem *child = root->childAtIndex(0);
        QCOMPARE(child->fullPath(), dir.path() + u'/' + name);
        QCOMPARE(child->relativePath(), name);
        QCOMPARE(child->parent(), root.get());
    } else {
        QCOMPARE(names, QStringList{});
        QCOMPARE(root->numberOfChildren(), 0);
    }
}

void TestFileSystemItem::childrenKeepTheListingOrder()
{
    QTemporaryDir dir;
    const QStringList created = {"zeta.sh", "alpha.sh", "Mid", "beta", "00.sh",        "a b c",
                                 "_x",      "Z.sh",     "q",   "k.py", "m.applescript"};
    for (const QString &name : created)
        QVERIFY(writeFile(dir.path() + u'/' + name));
    auto root = FileSystemItem::rootItemWithPath(dir.path());
    QCOMPARE(childNames(*root), listingOrder(dir.path()));
}

void TestFileSystemItem::rootItemNamesAndPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("machine scripts") << "/Library/Scripts"
                                     << "Scripts";
    QTest::newRow("file-system root") << "/"
                                      << "/";
    QTest::newRow("trailing slash") << "/tmp/x/"
                                    << "x";
    QTest::newRow("name with blanks") << "/home/a b/Library/Scripts"
                                      << "Scripts";
}

void TestFileSystemItem::rootItemNamesAndPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, relativePath);
    auto root = FileSystemItem::rootItemWithPath(path);
    QCOMPARE(root->name(), path);
    QCOMPARE(root->fullPath(), path);
    QCOMPARE(root->relativePath(), relativePath);
    QCOMPARE(root->parent(), nullptr);
}

void TestFileSystemItem::childrenOfTheFileSystemRootHaveOneSlash()
{
    auto root = FileSystemItem::rootItemWithPath("/");
    QVERIFY(root->numberOfChildren() > 0);
    for (qint64 i = 0; i < root->numberOfChildren(); ++i) {
        const FileSystemItem *child = root->childAtIndex(i);
        QCOMPARE(child->fullPath(), "/" + child->name());
        QVERIFY(!child->fullPath().startsWith("//"));
    }
}

void TestFileSystemItem::childCounts_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<bool>("leaf");
    QTest::addColumn<bool>("missing");
    QTest::newRow("empty folder") << "empty" << qint64(0) << true << false;
    // A root is always a folder row: one that is no folder is shown as missing, and empty.
    QTest::newRow("plain file") << "file" << qint64(0) << true << true;
    QTest::newRow("missing path") << "missing" << qint64(0) << true << true;
    QTest::newRow("folder with two files") << "two" << qint64(2) << false << false;
    QTest::newRow("folder of dot files only") << "dots" << qint64(0) << true << false;
    QTest::newRow("folder that cannot be listed") << "locked" << qint64(0) << true << false;
}

void TestFileSystemItem::childCounts()
{
    QFETCH(QString, setup);
    QFETCH(qint64, count);
    QFETCH(bool, leaf);
    QFETCH(bool, missing);
    QTemporaryDir dir;
    QString path = dir.path() + "/item";
    if (setup == "empty") {
        QVERIFY(makeFolder(path));
    } else if (setup == "file") {
        QVERIFY(writeFile(path));
    } else if (setup == "two") {
        QVERIFY(makeFolder(path));
        QVERIFY(writeFile(path + "/a"));
        QVERIFY(writeFile(path + "/b"));
    } else if (setup == "dots") {
        QVERIFY(makeFolder(path));
        QVERIFY(writeFile(path + "/.a"));
    } else if (setup == "locked") {
        if (geteuid() == 0)
            QSKIP("root can list any folder");
        QVERIFY(makeFolder(path));
        QVERIFY(writeFile(path + "/a"));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
    }
    auto root = FileSystemItem::rootItemWithPath(path);
    QCOMPARE(root->numberOfChildren(), count);
    QCOMPARE(root->isLeaf(), leaf);
    QVERIFY(root->isFolder());
    QCOMPARE(root->isMissingRoot(), missing);
    QCOMPARE(root->childAtIndex(0) == nullptr, count < 1);
    if (setup == "locked")
        ::chmod(QFile::encodeName(path).constData(), 0700);
}

void TestFileSystemItem::linkToParentOpensLazilyWithoutEnd()
{
    QTemporaryDir dir;
    QVERIFY(makeFolder(dir.path() + "/top"));
    QVERIFY(makeSymlink("..", dir.path() + "/top/up"));
    auto root = FileSystemItem::rootItemWithPath(dir.path());
    // Each level is read only when opened; ten levels down the same folder shows again.
    FileSystemItem *item = root.get();
    QString expected = dir.path();
    for (int level = 0; level < 10; ++level) {
        FileSystemItem *top = item->childAtIndex(0);
        QVERIFY(top);
        QCOMPARE(top->name(), QString("top"));
        FileSystemItem *up = top->childAtIndex(0);
        QVERIFY(up);
        QCOMPARE(up->name(), QString("up"));
        expected += "/top/up";
        QCOMPARE(up->fullPath(), expected);
        item = up;
    }
}

void TestFileSystemItem::invalidUtf8NameIsLeftOutWithALogLine()
{
    QTemporaryDir dir;
    QVERIFY(!makeEntry(dir.path(), Entry::InvalidUtf8Name).isEmpty());
    QVERIFY(writeFile(dir.path() + "/good.sh"));
    StandardErrorCapture capture;
    auto root = FileSystemItem::rootItemWithPath(dir.path());
    QCOMPARE(childNames(*root), QStringList{"good.sh"});
    const QString log = capture.text();
    QVERIFY2(log.contains("not valid UTF-8"), qPrintable(log));
    QVERIFY2(log.contains(dir.path() + "/bad"), qPrintable(log));
}

void TestFileSystemItem::childrenAreReadOnce()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.path() + "/first.sh"));
    auto root = FileSystemItem::rootItemWithPath(dir.path());
    QCOMPARE(childNames(*root), QStringList{"first.sh"});
    QVERIFY(writeFile(dir.path() + "/second.sh"));
    QVERIFY(QFile::remove(dir.path() + "/first.sh"));
    QCOMPARE(childNames(*root), QStringList{"first.sh"});
    auto fresh = FileSystemItem::rootItemWithPath(dir.path());
    QCOMPARE(childNames(*fresh), QStringList{"second.sh"});
}

void TestFileSystemItem::modificationTimeOrdering_data()
{
    QTest::addColumn<qint64>("mine");
    QTest::addColumn<qint64>("theirs");
    QTest::addColumn<qint64>("ordering");
    QTest::newRow("newer first") << qint64(2000000000) << qint64(1000000000) << qint64(-1);
    QTest::newRow("older after") << qint64(1000000000) << qint64(2000000000) << qint64(1);
    QTest::newRow("same time") << qint64(1500000000) << qint64(1500000000) << qint64(0);
}

void TestFileSystemItem::modificationTimeOrdering()
{
    QFETCH(qint64, mine);
    QFETCH(qint64, theirs);
    QFETCH(qint64, ordering);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.path() + "/a"));
    QVERIFY(writeFile(dir.path() + "/b"));
    QVERIFY(setModificationTime(dir.path() + "/a", time_t(mine)));
    QVERIFY(setModificationTime(dir.path() + "/b", time_t(theirs)));
    auto root = FileSystemItem::rootItemWithPath(dir.path());
    FileSystemItem a("a", root.get());
    FileSystemItem b("b", root.get());
    QCOMPARE(a.modificationTimeStamp(), double(mine));
    QCOMPARE(a.compareModificationTimeStamp(b), ordering);
}

void TestFileSystemItem::nodeIconIsKept()
{
    auto root = FileSystemItem::rootItemWithPath("/nonexistent-trundle-test");
    QVERIFY(root->nodeIcon().isNull());
    QCOMPARE(root->modificationTimeStamp(), 0.0);
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    root->setNodeIcon(icon);
    QCOMPARE(root->nodeIcon().cacheKey(), icon.cacheKey());
}

TRUNDLE_TEST_MAIN(TestFileSystemItem)
#include "test_filesystemitem.moc"
