// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Releases read straight from the keyboards and mice in /dev/input, for sessions where the
// display server delivers none (Wayland) or when the user prefers it. Off unless the user
// turns it on: reading the devices needs membership of the input group, which lets a program
// read every key typed on the machine. Devices are opened read-only and passively (never
// grabbed), so every other program still sees all input. Devices that appear later are picked
// up, ones that vanish are closed, each on its own.
//
// Whether a release runs a bound script while the session is locked or another session is in
// front is the dispatch's question to SessionLock, as with every other backend. A release runs
// only when its press was read on the same device since the session last changed.

#include "inputbackend.h"

#include <QObject>
#include <QString>

#include <memory>

namespace platform {

class InputDeviceBackend : public InputBackend
{
public:
    struct Options
    {
        QString folder = QStringLiteral("/dev/input");
        // Tests stand pipes in for devices, which have no capability bits to ask for.
        bool requireCapabilities = true;
    };

    InputDeviceBackend();
    explicit InputDeviceBackend(Options options);
    ~InputDeviceBackend() override;

    QString name() const override { return QStringLiteral("input devices"); }
    // Whether devices can be followed: the folder is watched, and not every device was refused.
    bool deliversReleases() const override;
    HotKeyObstacle obstacle() const override;
    QString obstacleReason() const override;
    HotKeySource source() const override { return HotKeySource::InputDevices; }

    // The paths of the devices being read, sorted.
    QStringList openDevicePaths() const;
    // Forgets the keys and buttons held on every device, so that their releases run nothing:
    // called when the session is switched or locked, as a key pressed on a text console to
    // switch back (Ctrl+Alt+F7) comes up in the session.
    void forgetHeldKeys();

private:
    class Private;
    std::unique_ptr<Private> d;
};

// The sentence for the log when no device can be read for lack of access.
QString inputDeviceAccessAdvice();

} // namespace platform
