// SPDX-License-Identifier: GPL-3.0-or-later
// The input-device reader against a folder of the test's own, where FIFOs stand in for the
// devices: what is written into them reaches the monitors, devices come and go on their own.
// One case creates real devices through uinput where the machine has it.

#include "eventmonitor.h"
#include "fakeinput.h"
#include "inputdevicebackend.h"

#include <QTemporaryDir>
#include <QTest>

#include <linux/input.h>
#include <linux/uinput.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

constexpr int generousTimeout = 30000;

// One frame: the records, then SYN_REPORT.
QByteArray frame(std::initializer_list<std::array<int, 3>> records)
{
    QByteArray bytes;
    auto append = [&bytes](int type, int code, int value) {
        input_event event{};
        event.type = quint16(type);
        event.code = quint16(code);
        event.value = value;
        bytes.append(reinterpret_cast<const char *>(&event), sizeof event);
    };
    for (const auto &record : records)
        append(record[0], record[1], record[2]);
    append(EV_SYN, SYN_REPORT, 0);
    return bytes;
}

// A press and its release, each in a frame of its own.
QByteArray tap(int code)
{
    return frame({{EV_KEY, code, 1}}) + frame({{EV_KEY, code, 0}});
}

// The writing end of a FIFO the backend already reads.
class Writer
{
public:
    explicit Writer(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC))
    {}
    ~Writer() { close(); }
    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray &bytes) const
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

QString fKeyText(int number)
{
    return QString(QChar(char16_t(firstFunctionKeyCharacter + number - 1)));
}

} // namespace

class TestInputDeviceBackend : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void recordsReachTheMonitors_data();
    void recordsReachTheMonitors();
    void deviceAppearingLaterIsRead();
    void vanishingDeviceStopsOnlyItself_data();
    void vanishingDeviceStopsOnlyItself();
    void onlyEventNodesAreRead();
    void releaseCountsOnlyAfterItsPressOnThatDevice_data();
    void releaseCountsOnlyAfterItsPressOnThatDevice();
    void unreadableDevicesAreAnObstacle();
    void realDevicesThroughUinput();

private:
    QList<InputEvent> m_seen;
    std::unique_ptr<FakeInputBackend> m_fake;
    EventMonitor *m_monitor = nullptr;
};

void TestInputDeviceBackend::init()
{
    // The monitors must not start a real backend: the one under test is made by each case.
    m_fake = std::make_unique<FakeInputBackend>();
    InputBackend::setSharedForTesting(m_fake.get());
    m_seen.clear();
    m_monitor = addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask, [this](const InputEvent &event) { m_seen.append(event); }, this);
}

void TestInputDeviceBackend::cleanup()
{
    delete m_monitor;
    m_monitor = nullptr;
    InputBackend::setSharedForTesting(nullptr);
    m_fake.reset();
}

void TestInputDeviceBackend::recordsReachTheMonitors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("types");
    QTest::addColumn<QStringList>("characters");

    QTest::newRow("F1 pressed and released")
        << (frame({{EV_KEY, KEY_F1, 1}}) + frame({{EV_KEY, KEY_F1, 0}})) << QList<int>{keyUpType}
        << QStringList{fKeyText(1)};
    QTest::newRow("autorepeat, then the release")
        << (frame({{EV_KEY, KEY_F12, 1}}) + frame({{EV_KEY, KEY_F12, 2}}) +
            frame({{EV_KEY, KEY_F12, 0}}))
        << QList<int>{keyUpType} << QStringList{fKeyText(12)};
    QTest::newRow("left, right and side button")
        << (tap(BTN_LEFT) + tap(BTN_RIGHT) + tap(BTN_SIDE))
        << QList<int>{leftMouseUpType, rightMouseUpType, otherMouseUpType}
        << QStringList{QString(), QString(), QString()};
    QTest::newRow("a letter, then F2")
        << (tap(KEY_A) + tap(KEY_F2)) << QList<int>{keyUpType} << QStringList{fKeyText(2)};
}

void TestInputDeviceBackend::recordsReachTheMonitors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, types);
    QFETCH(QStringList, characters);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(makeFifo(folder.filePath(QStringLiteral("event0"))));
    InputDeviceBackend backend({folder.path(), false});
    QVERIFY(backend.deliversReleases());
    QCOMPARE(backend.openDevicePaths(), QStringList{folder.filePath(QStringLiteral("event0"))});

    Writer writer(folder.filePath(QStringLiteral("event0")));
    QVERIFY(writer.isOpen());
    // A marker release last: once it is there, everything before it has been read.
    QVERIFY(writer.write(bytes + tap(BTN_MIDDLE)));
    QTRY_COMPARE_WITH_TIMEOUT(m_seen.size(), types.size() + 1, generousTimeout);
    QCOMPARE(m_seen.last().buttonNumber, 2);
    for (qsizetype i = 0; i < types.size(); ++i) {
        QCOMPARE(m_seen.at(i).type, types.at(i));
        QCOMPARE(m_seen.at(i).charactersIgnoringModifiers, characters.at(i));
    }
}

void TestInputDeviceBackend::deviceAppearingLaterIsRead()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    InputDeviceBackend backend({folder.path(), false});
    QVERIFY(backend.openDevicePaths().isEmpty());
    QVERIFY(backend.deliversReleases()); // devices may still come

    const QString path = folder.filePath(QStringLiteral("event3"));
    QVERIFY(makeFifo(path));
    QTRY_COMPARE_WITH_TIMEOUT(backend.openDevicePaths(), QStringList{path}, generousTimeout);
    Writer writer(path);
    QVERIFY(writer.isOpen());
    QVERIFY(writer.write(tap(KEY_F7)));
    QTRY_COMPARE_WITH_TIMEOUT(m_seen.size(), 1, generousTimeout);
    QCOMPARE(m_seen.front().charactersIgnoringModifiers, fKeyText(7));
}

void TestInputDeviceBackend::vanishingDeviceStopsOnlyItself_data()
{
    QTest::addColumn<bool>("removeNode");
    QTest::newRow("end of file (the device closed)") << false;
    QTest::newRow("node removed from the folder") << true;
}

void TestInputDeviceBackend::vanishingDeviceStopsOnlyItself()
{
    QFETCH(bool, removeNode);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString gone = folder.filePath(QStringLiteral("event0"));
    const QString staying = folder.filePath(QStringLiteral("event1"));
    QVERIFY(makeFifo(gone));
    QVERIFY(makeFifo(staying));
    InputDeviceBackend backend({folder.path(), false});
    QCOMPARE(backend.openDevicePaths(), (QStringList{gone, staying}));

    Writer goneWriter(gone);
    Writer stayingWriter(staying);
    QVERIFY(goneWriter.isOpen() && stayingWriter.isOpen());
    QVERIFY(goneWriter.write(tap(KEY_F1)));
    QTRY_COMPARE_WITH_TIMEOUT(m_seen.size(), 1, generousTimeout);

    if (removeNode)
        QVERIFY(QFile::remove(gone));
    else
        goneWriter.close();
    QTRY_COMPARE_WITH_TIMEOUT(backend.openDevicePaths(), QStringList{staying}, generousTimeout);

    QVERIFY(stayingWriter.write(tap(KEY_F2)));
    QTRY_COMPARE_WITH_TIMEOUT(m_seen.size(), 2, generousTimeout);
    QCOMPARE(m_seen.at(1).charactersIgnoringModifiers, fKeyText(2));
    QVERIFY(backend.deliversReleases());
}

void TestInputDeviceBackend::onlyEventNodesAreRead()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(makeFifo(folder.filePath(QStringLiteral("mice"))));
    QVERIFY(makeFifo(folder.filePath(QStringLiteral("js0"))));
    QVERIFY(makeFifo(folder.filePath(QStringLiteral("event4"))));
    InputDeviceBackend backend({folder.path(), false});
    QCOMPARE(backend.openDevicePaths(), QStringList{folder.filePath(QStringLiteral("event4"))});
}

void TestInputDeviceBackend::releaseCountsOnlyAfterItsPressOnThatDevice_data()
{
    QTest::addColumn<int>("releasingDevice"); // the press goes to device 0
    QTest::addColumn<bool>("forgetBetween");  // the session switched between press and release
    QTest::addColumn<bool>("runs");
    QTest::newRow("same device") << 0 << false << true;
    QTest::newRow("another device") << 1 << false << false;
    QTest::newRow("session switched while held") << 0 << true << false;
}

void TestInputDeviceBackend::releaseCountsOnlyAfterItsPressOnThatDevice()
{
    QFETCH(int, releasingDevice);
    QFETCH(bool, forgetBetween);
    QFETCH(bool, runs);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QStringList paths = {folder.filePath(QStringLiteral("event0")),
                               folder.filePath(QStringLiteral("event1"))};
    QVERIFY(makeFifo(paths[0]) && makeFifo(paths[1]));
    InputDeviceBackend backend({folder.path(), false});
    QCOMPARE(backend.openDevicePaths(), paths);
    Writer first(paths[0]);
    Writer second(paths[1]);
    QVERIFY(first.isOpen() && second.isOpen());
    const Writer &releasing = releasingDevice == 0 ? first : second;

    // A tap of the middle button on each device marks what has been read.
    QVERIFY(first.write(frame({{EV_KEY, KEY_F7, 1}}) + tap(BTN_MIDDLE)));
    QTRY_COMPARE_WITH_TIMEOUT(m_seen.size(), 1, generousTimeout);
    if (forgetBetween)
        backend.forgetHeldKeys();
    QVERIFY(releasing.write(frame({{EV_KEY, KEY_F7, 0}}) + tap(BTN_MIDDLE)));
    QTRY_COMPARE_WITH_TIMEOUT(m_seen.size(), runs ? 3 : 2, generousTimeout);
    QCOMPARE(m_seen.at(1).charactersIgnoringModifiers,
             runs ? fKeyText(7) : QString()); // the marker when F7 ran nothing
}

void TestInputDeviceBackend::unreadableDevicesAreAnObstacle()
{
    if (::geteuid() == 0)
        QSKIP("running as root: every device can be read, so none is refused");
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("event0"));
    QVERIFY(makeFifo(path));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
    InputDeviceBackend backend({folder.path(), false});
    QVERIFY(backend.openDevicePaths().isEmpty());
    QVERIFY(!backend.deliversReleases());
    QCOMPARE(backend.obstacle(), HotKeyObstacle::InputDevicesUnreadable);
    QVERIFY2(backend.obstacleReason().contains(QStringLiteral("permission")),
             qPrintable(backend.obstacleReason()));
    QVERIFY(inputDeviceAccessAdvice().contains(QStringLiteral("input group")));
}

void TestInputDeviceBackend::realDevicesThroughUinput()
{
    const int fd = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        QSKIP(qPrintable(QStringLiteral("no real devices to test with: /dev/uinput cannot be "
                                        "opened (%1)")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)))));
    ::ioctl(fd, UI_SET_EVBIT, EV_KEY);
    ::ioctl(fd, UI_SET_KEYBIT, KEY_F6);
    ::ioctl(fd, UI_SET_KEYBIT, BTN_LEFT);
    ::ioctl(fd, UI_SET_KEYBIT, BTN_RIGHT);
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    std::strncpy(setup.name, "Trundle test keyboard and mouse", UINPUT_MAX_NAME_SIZE - 1);
    InputDeviceBackend backend; // the real folder, real capability checks
    const qsizetype before = backend.openDevicePaths().size();
    if (::ioctl(fd, UI_DEV_SETUP, &setup) < 0 || ::ioctl(fd, UI_DEV_CREATE) < 0) {
        ::close(fd);
        QSKIP("uinput refused to create a device");
    }
    QTRY_VERIFY_WITH_TIMEOUT(backend.openDevicePaths().size() > before, generousTimeout);
    const auto emitRecord = [fd](int type, int code, int value) {
        input_event event{};
        event.type = quint16(type);
        event.code = quint16(code);
        event.value = value;
        return ::write(fd, &event, sizeof event) == ssize_t(sizeof event);
    };
    QVERIFY(emitRecord(EV_KEY, KEY_F6, 1) && emitRecord(EV_SYN, SYN_REPORT, 0));
    QVERIFY(emitRecord(EV_KEY, KEY_F6, 0) && emitRecord(EV_SYN, SYN_REPORT, 0));
    QVERIFY(emitRecord(EV_KEY, BTN_RIGHT, 1) && emitRecord(EV_SYN, SYN_REPORT, 0));
    QVERIFY(emitRecord(EV_KEY, BTN_RIGHT, 0) && emitRecord(EV_SYN, SYN_REPORT, 0));
    const auto sawBoth = [this] {
        bool key = false;
        bool button = false;
        for (const InputEvent &event : std::as_const(m_seen)) {
            key = key || event.charactersIgnoringModifiers == fKeyText(6);
            button = button || event.type == rightMouseUpType;
        }
        return key && button;
    };
    QTRY_VERIFY_WITH_TIMEOUT(sawBoth(), generousTimeout);
    ::ioctl(fd, UI_DEV_DESTROY);
    ::close(fd);
}

QTEST_GUILESS_MAIN(TestInputDeviceBackend)
#include "test_inputdevicebackend.moc"
