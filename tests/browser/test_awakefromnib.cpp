// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a browser: the program's script folder is made from nothing, the sample scripts are
// copied into it with rsync from a folder whose name the shell must take literally, a sample the
// user changed is kept, one the user deleted comes back, and the start-up lines always appear.

#include "browsertestsupport.h"
#include "filebrowserdatasource.h"

#include "preferencesdictionary.h"
#include "resources.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace {

QString ownFolder()
{
    return scriptsFolder("Trundle Scripts");
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAwakeFromNib : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void firstStartMakesTheFoldersAndCopiesTheSamples();
    void startUpLinesAppearWithDebugLoggingOff();
    void changedSampleIsKeptDeletedSampleComesBack();
    void shippedSamplesAreCopiedExecutable();

private:
    QString m_samples;
    QString m_shipped;
};

void TestAwakeFromNib::initTestCase()
{
    m_shipped = sampleScriptsFolderPath(); // the program's own samples, before the override
    // Every character the shell treats specially inside double quotes, and blanks.
    m_samples = QDir::homePath() + "/sam \"ples\" $HOME `id` \\ x";
    QVERIFY(makeFolder(m_samples + "/sub"));
    QVERIFY(writeFile(m_samples + "/one.sh", "#!/bin/sh\necho one\n", true));
    QVERIFY(writeFile(m_samples + "/.top-level-dot"));
    QVERIFY(writeFile(m_samples + "/sub/two.sh", "#!/bin/sh\necho two\n", true));
    QVERIFY(writeFile(m_samples + "/sub/.inner-dot"));
    qputenv("TRUNDLE_SCRIPTS_DIR", QFile::encodeName(m_samples));
}

void TestAwakeFromNib::init()
{
    resetSettings();
    QDir(QDir::homePath() + "/Library").removeRecursively();
}

void TestAwakeFromNib::cleanupTestCase()
{
    qunsetenv("TRUNDLE_SCRIPTS_DIR");
}

void TestAwakeFromNib::firstStartMakesTheFoldersAndCopiesTheSamples()
{
    QVERIFY(!QFileInfo::exists(QDir::homePath() + "/Library"));
    FileBrowserDataSource ds;
    ds.awakeFromNib();
    QVERIFY(QFileInfo(ownFolder()).isDir());
    QCOMPARE(contents(ownFolder() + "/one.sh"), QByteArray("#!/bin/sh\necho one\n"));
    QVERIFY(QFileInfo(ownFolder() + "/one.sh").isExecutable());
    QVERIFY(QFileInfo::exists(ownFolder() + "/sub/two.sh"));
    // The glob skips dot entries at the top of the sample folder only.
    QVERIFY(!QFileInfo::exists(ownFolder() + "/.top-level-dot"));
    QVERIFY(QFileInfo::exists(ownFolder() + "/sub/.inner-dot"));
    // The folder's name was taken literally: nothing else appeared in the home folder.
    QVERIFY(!QFileInfo::exists(ownFolder() + "/sam \"ples\" $HOME `id` \\ x"));
    QCOMPARE(QDir(ownFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
    // Loading a second browser (the preferences window) does it all again without harm.
    FileBrowserDataSource second;
    second.awakeFromNib();
    QVERIFY(QFileInfo::exists(ownFolder() + "/one.sh"));
}

void TestAwakeFromNib::startUpLinesAppearWithDebugLoggingOff()
{
    FileBrowserDataSource ds;
    StandardErrorCapture capture;
    ds.awakeFromNib();
    const QString log = capture.text();
    for (const char *line :
         {"ds waking!", "_mountedVolumes: ", "thisBundlePath: ", "rsync returned: "})
        QVERIFY2(log.contains(QLatin1String(line)), qPrintable(log));
    QVERIFY2(log.contains("one.sh"), qPrintable(log)); // rsync's list of what it copied
    QVERIFY(!log.contains("ds waking done!"));         // a debug line
}

void TestAwakeFromNib::changedSampleIsKeptDeletedSampleComesBack()
{
    FileBrowserDataSource ds;
    ds.awakeFromNib();
    QVERIFY(writeFile(ownFolder() + "/one.sh", "#!/bin/sh\necho mine\n", true));
    QFile changed(ownFolder() + "/one.sh");
    QVERIFY(changed.open(QIODevice::ReadWrite));
    QVERIFY(changed.setFileTime(QDateTime::currentDateTime().addDays(1),
                                QFileDevice::FileModificationTime));
    changed.close();
    QVERIFY(QFile::remove(ownFolder() + "/sub/two.sh"));
    ds.awakeFromNib();
    QCOMPARE(contents(ownFolder() + "/one.sh"), QByteArray("#!/bin/sh\necho mine\n"));
    QCOMPARE(contents(ownFolder() + "/sub/two.sh"), QByteArray("#!/bin/sh\necho two\n"));
}

void TestAwakeFromNib::shippedSamplesAreCopiedExecutable()
{
    const QString shipped = m_shipped;
    QVERIFY2(QFileInfo(shipped).isDir(), qPrintable(shipped));
    qputenv("TRUNDLE_SCRIPTS_DIR", QFile::encodeName(shipped));
    FileBrowserDataSource ds;
    ds.awakeFromNib();
    qputenv("TRUNDLE_SCRIPTS_DIR", QFile::encodeName(m_samples));
    const QStringList names = QDir(shipped).entryList(QDir::Files);
    QVERIFY(names.size() >= 4);
    for (const QString &name : names) {
        const QFileInfo copy(ownFolder() + u'/' + name);
        QVERIFY2(copy.exists(), qPrintable(name));
        QVERIFY2(copy.isExecutable(), qPrintable(name));
    }
}

TRUNDLE_TEST_MAIN(TestAwakeFromNib)
#include "test_awakefromnib.moc"
