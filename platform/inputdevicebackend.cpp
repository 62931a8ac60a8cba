// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputdevicebackend.h"

#include "eventmonitor.h"
#include "inputdevicedecoder.h"

#include "log.h"

#include <QDir>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <linux/input.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

bool isDeviceName(const QString &name)
{
    return name.startsWith(QLatin1String("event"));
}

// Releases go to Trundle's own monitors while one of its windows is active.
bool releaseGoesToOwnApplication()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr &&
           QGuiApplication::applicationState() == Qt::ApplicationActive;
}

struct Device
{
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    InputDeviceDecoder decoder;
    QByteArray pending; // a record split across reads (pipes in tests)
};

} // namespace

QString inputDeviceAccessAdvice()
{
    return QStringLiteral(
        "Trundle cannot read the keyboards and mice in /dev/input: add yourself to the input "
        "group (sudo usermod -aG input $USER, then log in again). Members of that group can "
        "read every key typed on this machine, passwords included.");
}

class InputDeviceBackend::Private
{
public:
    explicit Private(Options o) : options(std::move(o)) {}
    ~Private()
    {
        for (auto &entry : devices)
            closeDevice(entry.second);
        inotifyNotifier.reset();
        if (inotifyFd >= 0)
            ::close(inotifyFd);
    }

    void start();
    enum class OpenResult
    {
        Opened,
        Refused,
        Skipped
    };
    OpenResult openDevice(const QString &path);
    static void closeDevice(Device &device, bool fromItsOwnSignal = false);
    void readDevice(const QString &path);
    void readFolderChanges();

    Options options;
    QObject context;
    int inotifyFd = -1;
    std::unique_ptr<QSocketNotifier> inotifyNotifier;
    std::map<QString, Device> devices;
    bool allRefused = false; // devices were there, and every one was refused for lack of access
};

void InputDeviceBackend::Private::start()
{
    inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd >= 0) {
        const QByteArray folder = QFile::encodeName(options.folder);
        if (::inotify_add_watch(inotifyFd, folder.constData(),
                                IN_CREATE | IN_ATTRIB | IN_MOVED_TO | IN_DELETE) < 0) {
            ::close(inotifyFd);
            inotifyFd = -1;
        } else {
            inotifyNotifier = std::make_unique<QSocketNotifier>(inotifyFd, QSocketNotifier::Read);
            QObject::connect(inotifyNotifier.get(), &QSocketNotifier::activated, &context,
                             [this] { readFolderChanges(); });
        }
    }
    int refused = 0;
    int opened = 0;
    const QStringList names =
        QDir(options.folder).entryList(QDir::System | QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (!isDeviceName(name))
            continue;
        switch (openDevice(options.folder + QLatin1Char('/') + name)) {
        case OpenResult::Opened:
            ++opened;
            break;
        case OpenResult::Refused:
            ++refused;
            break;
        case OpenResult::Skipped:
            break;
        }
    }
    allRefused = opened == 0 && refused > 0;
    if (allRefused)
        processLog("%@", inputDeviceAccessAdvice());
}

InputDeviceBackend::Private::OpenResult InputDeviceBackend::Private::openDevice(const QString &path)
{
    if (devices.count(path) != 0)
        return OpenResult::Skipped;
    // Read-only and never grabbed: every other program keeps seeing all input.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? OpenResult::Refused : OpenResult::Skipped;
    if (options.requireCapabilities) {
        unsigned char keyBits[KEY_MAX / 8 + 1] = {};
        if (::ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keyBits), keyBits) < 0 ||
            !inputDeviceIsWorthReading(keyBits, sizeof keyBits)) {
            ::close(fd);
            return OpenResult::Skipped;
        }
    }
    Device &device = devices[path];
    device.fd = fd;
    device.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(device.notifier.get(), &QSocketNotifier::activated, &context,
                     [this, path] { readDevice(path); });
    QZLog("Reading input device %@", path);
    return OpenResult::Opened;
}

void InputDeviceBackend::Private::closeDevice(Device &device, bool fromItsOwnSignal)
{
    if (fromItsOwnSignal && device.notifier) {
        // Not deleted inside its own signal.
        device.notifier->setEnabled(false);
        device.notifier.release()->deleteLater();
    }
    device.notifier.reset();
    if (device.fd >= 0)
        ::close(device.fd);
    device.fd = -1;
}

void InputDeviceBackend::Private::readDevice(const QString &path)
{
    const auto found = devices.find(path);
    if (found == devices.end())
        return;
    Device &device = found->second;
    std::vector<InputEvent> released;
    bool gone = false;
    for (;;) {
        char buffer[sizeof(input_event) * 64];
        const ssize_t count = ::read(device.fd, buffer, sizeof buffer);
        if (count > 0) {
            device.pending.append(buffer, qsizetype(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // EOF, ENODEV (unplugged) or another error: this device is done; EAGAIN: all read.
        gone = count == 0 || errno != EAGAIN;
        break;
    }
    const qsizetype whole = device.pending.size() / qsizetype(sizeof(input_event));
    for (qsizetype i = 0; i < whole; ++i) {
        input_event raw{};
        std::memcpy(&raw, device.pending.constData() + i * qsizetype(sizeof raw), sizeof raw);
        for (const InputEvent &event : device.decoder.feed({raw.type, raw.code, raw.value}))
            released.push_back(event);
    }
    device.pending.remove(0, whole * qsizetype(sizeof(input_event)));
    if (gone) {
        QZLog("Input device %@ has gone", path);
        closeDevice(device, true);
        devices.erase(found);
    }
    // Delivered last: a monitor may run anything, even code that ends this backend.
    for (const InputEvent &event : released)
        deliverInputEvent(event, releaseGoesToOwnApplication());
}

void InputDeviceBackend::Private::readFolderChanges()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(inotifyFd, buffer, sizeof buffer);
        if (count <= 0)
            return;
        for (ssize_t offset = 0; offset < count;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->len == 0)
                continue;
            const QString name = QFile::decodeName(event->name);
            if (!isDeviceName(name))
                continue;
            const QString path = options.folder + QLatin1Char('/') + name;
            if (event->mask & IN_DELETE) {
                const auto found = devices.find(path);
                if (found != devices.end()) {
                    closeDevice(found->second);
                    devices.erase(found);
                }
            } else if (openDevice(path) == OpenResult::Opened) {
                // udev hands a new node to the input group a moment after it appears (IN_ATTRIB).
                allRefused = false;
            }
        }
    }
}

InputDeviceBackend::InputDeviceBackend() : InputDeviceBackend(Options{}) {}

InputDeviceBackend::InputDeviceBackend(Options options)
    : d(std::make_unique<Private>(std::move(options)))
{
    d->start();
}

InputDeviceBackend::~InputDeviceBackend() = default;

bool InputDeviceBackend::deliversReleases() const
{
    return !d->devices.empty() || (d->inotifyFd >= 0 && !d->allRefused);
}

HotKeyObstacle InputDeviceBackend::obstacle() const
{
    return deliversReleases() ? HotKeyObstacle::None : HotKeyObstacle::InputDevicesUnreadable;
}

QString InputDeviceBackend::obstacleReason() const
{
    if (deliversReleases())
        return {};
    if (d->allRefused)
        return QStringLiteral("no permission to read the keyboards and mice in %1")
            .arg(d->options.folder);
    return QStringLiteral("%1 cannot be watched").arg(d->options.folder);
}

void InputDeviceBackend::forgetHeldKeys()
{
    for (auto &entry : d->devices)
        entry.second.decoder.forgetHeldKeys();
}

QStringList InputDeviceBackend::openDevicePaths() const
{
    QStringList paths;
    for (const auto &entry : d->devices)
        paths.append(entry.first);
    return paths;
}

} // namespace platform
