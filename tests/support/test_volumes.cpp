// SPDX-License-Identifier: GPL-3.0-or-later
#include "log.h"
#include "logcapture.h"
#include "volumes.h"

#include <QColor>
#include <QPalette>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

enum class Paint
{
    Frame,
    Background,
    Bar
};
Q_DECLARE_METATYPE(Paint)

namespace {

QString logged(const char *format, const QString &value)
{
    return stringWithFormat(format, {LogArgument(value)});
}

const QList<MountedVolume> sampleVolumes = {
    {"Root", "/"},
    {"Data", "/data"},
    {"Data two", "/data2"},
    {"Stick", "/media/usb"},
};

QRgb colourOf(Paint paint)
{
    switch (paint) {
    case Paint::Frame:
        return QColor(Qt::black).rgb();
    case Paint::Background:
        return QColor(Qt::lightGray).rgb();
    case Paint::Bar:
        return QPalette().color(QPalette::Active, QPalette::Highlight).rgb();
    }
    return 0;
}

int countPixels(const QImage &image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour)
                ++count;
        }
    }
    return count;
}

} // namespace

class TestVolumes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void volumeNameForPathTakesFirstPrefixMatch_data();
    void volumeNameForPathTakesFirstPrefixMatch();
    void volumeNameForPathLogsItsSearch();
    void volumesAreInMountPathOrder();
    void mountedVolumesOfThisMachine();
    void volumeNameForPathOnThisMachine_data();
    void volumeNameForPathOnThisMachine();
    void volumeNameForPathOfFolderInsideVolume();

    void progressImagePixels_data();
    void progressImagePixels();
    void progressImageSizeAndBarArea_data();
    void progressImageSizeAndBarArea();
    void progressImageRefusesBadSizes_data();
    void progressImageRefusesBadSizes();
};

void TestVolumes::initTestCase()
{
    // The pixel checks tell the three colours apart.
    QVERIFY(colourOf(Paint::Bar) != colourOf(Paint::Background));
    QVERIFY(colourOf(Paint::Bar) != colourOf(Paint::Frame));
}

// ---- Volume names --------------------------------------------------------------------------

void TestVolumes::volumeNameForPathTakesFirstPrefixMatch_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");

    QTest::newRow("root names the first volume") << "/"
                                                 << "Root";
    QTest::newRow("mount path") << "/media/usb"
                                << "Stick";
    QTest::newRow("shared prefix goes to the first in order") << "/data"
                                                              << "Data";
    QTest::newRow("longer mount path") << "/data2"
                                       << "Data two";
    QTest::newRow("plain text prefix") << "/med"
                                       << "Stick";
    QTest::newRow("folder inside a volume") << "/data/photos" << QString();
    QTest::newRow("trailing slash") << "/media/usb/" << QString();
    QTest::newRow("no such mount") << "/srv" << QString();
    QTest::newRow("relative path") << "data" << QString();
    QTest::newRow("empty path") << "" << QString();
    QTest::newRow("null path") << QString() << QString();
}

void TestVolumes::volumeNameForPathTakesFirstPrefixMatch()
{
    QFETCH(QString, path);
    QFETCH(QString, name);

    const QString actual = volumeNameForPath(path, sampleVolumes);
    QCOMPARE(actual, name);
    QCOMPARE(actual.isNull(), name.isNull());
}

void TestVolumes::volumeNameForPathLogsItsSearch()
{
    {
        LogCapture capture;
        volumeNameForPath("/data", sampleVolumes);
        QCOMPARE(capture.messages(),
                 (QStringList{logged("inPath: %@", "/data"), logged("found path: %@", "/"),
                              logged("found path: %@", "/data"), "path matches!",
                              logged("volumeName: %@", "Data")}));
    }
    {
        // No match: every volume is tried, then the reason.
        LogCapture capture;
        QVERIFY(volumeNameForPath("/srv", sampleVolumes).isNull());
        const QStringList messages = capture.messages();
        QCOMPARE(messages.size(), 1 + sampleVolumes.size() + 1);
        QCOMPARE(messages.first(), logged("inPath: %@", "/srv"));
        for (int i = 0; i < sampleVolumes.size(); ++i)
            QCOMPARE(messages[i + 1], logged("found path: %@", sampleVolumes[i].rootPath));
    }
}

void TestVolumes::volumesAreInMountPathOrder()
{
    const QList<MountedVolume> shuffled = {
        {"Stick", "/media/usb"}, {"Lower", "/data"},  {"Root", "/"},
        {"Upper", "/data"},      {"Dash", "/data-2"}, {"Two", "/data2"},
    };
    QStringList names;
    for (const MountedVolume &volume : inMountPathOrder(shuffled))
        names.append(volume.displayName);
    // Volumes mounted at one path keep their order; "-" sorts before "/" and "2".
    QCOMPARE(names, (QStringList{"Root", "Lower", "Upper", "Dash", "Two", "Stick"}));
}

void TestVolumes::mountedVolumesOfThisMachine()
{
    const QList<MountedVolume> volumes = mountedVolumes();
    QVERIFY(!volumes.isEmpty());
    // "/" is always mounted, and sorts first.
    QCOMPARE(volumes.first().rootPath, QStorageInfo::root().rootPath());
    for (int i = 1; i < volumes.size(); ++i)
        QVERIFY2(volumes[i - 1].rootPath <= volumes[i].rootPath, qPrintable(volumes[i].rootPath));
    for (const MountedVolume &volume : volumes) {
        QVERIFY(!volume.displayName.isEmpty());
        QVERIFY(volume.rootPath.startsWith(u'/'));
    }
}

void TestVolumes::volumeNameForPathOnThisMachine_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");

    const QStorageInfo root = QStorageInfo::root();
    QTest::newRow("/") << "/" << root.displayName();

    // Every mount path that no other mount path begins with, and that is mounted once, names
    // its own volume.
    const QList<QStorageInfo> storages = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &storage : storages) {
        const QString mountPath = storage.rootPath();
        if (!storage.isValid() || mountPath == "/")
            continue;
        int sharing = 0;
        for (const QStorageInfo &other : storages) {
            if (other.isValid() && other.rootPath().startsWith(mountPath))
                ++sharing;
        }
        if (sharing == 1)
            QTest::newRow(qPrintable(mountPath)) << mountPath << storage.displayName();
    }
}

void TestVolumes::volumeNameForPathOnThisMachine()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(volumeNameForPath(path), name);
}

void TestVolumes::volumeNameForPathOfFolderInsideVolume()
{
    // A fresh folder is inside some volume, and no mount path begins with its path.
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QStorageInfo(folder.path()).rootPath() != folder.path());
    LogCapture capture;
    QVERIFY(volumeNameForPath(folder.path()).isNull());
    // Every volume was tried.
    QCOMPARE(capture.messages().filter("found path: ").size(), mountedVolumes().size());
}

// ---- Progress image ------------------------------------------------------------------------

void TestVolumes::progressImagePixels_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<Paint>("paint");

    struct Probe
    {
        const char *name;
        int x, y;
        Paint paint;
    };
    // Half of 100 x 10: the bar covers x = 1 to 48 and y = 1 to 8.
    const Probe half[] = {
        {"top left corner", 0, 0, Paint::Frame},
        {"bottom right corner", 99, 9, Paint::Frame},
        {"left edge", 0, 5, Paint::Frame},
        {"right edge", 99, 5, Paint::Frame},
        {"top edge above the bar", 30, 0, Paint::Frame},
        {"bottom edge below the bar", 30, 9, Paint::Frame},
        {"bar's first pixel", 1, 1, Paint::Bar},
        {"bar's left side", 1, 5, Paint::Bar},
        {"bar's last column", 48, 5, Paint::Bar},
        {"bar's last pixel", 48, 8, Paint::Bar},
        {"just past the bar", 49, 5, Paint::Background},
        {"just past the bar, top row", 49, 1, Paint::Background},
        {"background by the right edge", 98, 5, Paint::Background},
    };
    for (const Probe &p : half)
        QTest::addRow("50%%: %s", p.name) << 50 << 100.0f << 10.0f << QPoint(p.x, p.y) << p.paint;

    QTest::newRow("100%: bar ends by the frame")
        << 100 << 100.0f << 10.0f << QPoint(98, 5) << Paint::Bar;
    QTest::newRow("100%: right edge stays")
        << 100 << 100.0f << 10.0f << QPoint(99, 5) << Paint::Frame;
    QTest::newRow("150%: bar covers the right edge")
        << 150 << 100.0f << 10.0f << QPoint(99, 5) << Paint::Bar;
    QTest::newRow("150%: corners stay") << 150 << 100.0f << 10.0f << QPoint(99, 9) << Paint::Frame;
    QTest::newRow("0%: no bar") << 0 << 100.0f << 10.0f << QPoint(1, 5) << Paint::Background;
    QTest::newRow("-20%: no bar, left edge stays")
        << -20 << 100.0f << 10.0f << QPoint(0, 5) << Paint::Frame;
    QTest::newRow("3%: one column") << 3 << 100.0f << 10.0f << QPoint(1, 5) << Paint::Bar;
    QTest::newRow("3%: only one column")
        << 3 << 100.0f << 10.0f << QPoint(2, 5) << Paint::Background;
    // 10.5 wide gives 11 pixels; half of 10.5 ends the bar at 4.25, so pixel 3 (centre 3.5) is
    // in and pixel 4 (centre 4.5) is out.
    QTest::newRow("fractional: last bar pixel")
        << 50 << 10.5f << 4.0f << QPoint(3, 1) << Paint::Bar;
    QTest::newRow("fractional: first pixel past")
        << 50 << 10.5f << 4.0f << QPoint(4, 1) << Paint::Background;
    QTest::newRow("fractional: right edge") << 50 << 10.5f << 4.0f << QPoint(10, 1) << Paint::Frame;
}

void TestVolumes::progressImagePixels()
{
    QFETCH(int, percent);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QPoint, pixel);
    QFETCH(Paint, paint);

    const QImage image = progressImageWithPercent(percent, width, height);
    QVERIFY(!image.isNull());
    QCOMPARE(QColor(image.pixel(pixel)), QColor(colourOf(paint)));
}

void TestVolumes::progressImageSizeAndBarArea_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("barPixels");

    QTest::newRow("half") << 50 << 100.0f << 10.0f << QSize(100, 10) << 48 * 8;
    QTest::newRow("full") << 100 << 100.0f << 10.0f << QSize(100, 10) << 98 * 8;
    QTest::newRow("past full") << 150 << 100.0f << 10.0f << QSize(100, 10) << 99 * 8;
    QTest::newRow("far past full")
        << std::numeric_limits<int>::max() << 100.0f << 10.0f << QSize(100, 10) << 99 * 8;
    QTest::newRow("zero") << 0 << 100.0f << 10.0f << QSize(100, 10) << 0;
    QTest::newRow("negative") << std::numeric_limits<int>::min() << 100.0f << 10.0f
                              << QSize(100, 10) << 0;
    QTest::newRow("fractional size") << 50 << 10.5f << 4.0f << QSize(11, 4) << 3 * 2;
    QTest::newRow("one pixel") << 100 << 1.0f << 1.0f << QSize(1, 1) << 0;
    QTest::newRow("two by two") << 100 << 2.0f << 2.0f << QSize(2, 2) << 0;
    QTest::newRow("three by three") << 100 << 3.0f << 3.0f << QSize(3, 3) << 1;
}

void TestVolumes::progressImageSizeAndBarArea()
{
    QFETCH(int, percent);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QSize, size);
    QFETCH(int, barPixels);

    const QImage image = progressImageWithPercent(percent, width, height);
    QCOMPARE(image.size(), size);
    QCOMPARE(countPixels(image, colourOf(Paint::Bar)), barPixels);
    // The top and bottom rows are frame whatever the percentage.
    for (int x = 0; x < image.width(); ++x) {
        QCOMPARE(image.pixel(x, 0), colourOf(Paint::Frame));
        QCOMPARE(image.pixel(x, image.height() - 1), colourOf(Paint::Frame));
    }
}

void TestVolumes::progressImageRefusesBadSizes_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");

    QTest::newRow("zero width") << 0.0f << 10.0f;
    QTest::newRow("zero height") << 100.0f << 0.0f;
    QTest::newRow("negative width") << -5.0f << 10.0f;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 10.0f;
    QTest::newRow("infinite") << 100.0f << std::numeric_limits<float>::infinity();
    QTest::newRow("too wide") << 40000.0f << 10.0f;
}

void TestVolumes::progressImageRefusesBadSizes()
{
    QFETCH(float, width);
    QFETCH(float, height);

    LogCapture capture;
    QVERIFY(progressImageWithPercent(50, width, height).isNull());
    QCOMPARE(capture.messages().size(), 1);
}

QTEST_MAIN(TestVolumes)
#include "test_volumes.moc"
