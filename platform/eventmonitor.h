// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Event monitors: callbacks that see every key and mouse-button release of the desktop, without
// consuming or changing it. A global monitor sees the releases that go to other applications, a
// local monitor those that go to Trundle itself; every physical release reaches exactly one of
// the two kinds, once. Handlers run on the main thread, one event at a time, in arrival order.
//
// The first monitor starts the input backend chosen for the session (inputbackend.h: X11 raw
// events, or nothing, which is said once in the log). A monitor stays installed until it is
// deleted.

#include "inputevent.h"

#include <QObject>

#include <functional>

namespace platform {

using GlobalEventHandler = std::function<void(const InputEvent &)>;
// Returns the event to let normal handling go on (the same object, or a replacement that the
// next local monitor sees), or null to stop it reaching the remaining local monitors.
using LocalEventHandler = std::function<const InputEvent *(const InputEvent &)>;

class EventMonitor : public QObject
{
    Q_OBJECT
public:
    enum class Scope
    {
        Global,
        Local
    };

    ~EventMonitor() override;

    Scope scope() const { return m_scope; }
    quint64 mask() const { return m_mask; }
    bool matches(const InputEvent &event) const;

private:
    friend EventMonitor *addGlobalMonitorForEventsMatchingMask(quint64, GlobalEventHandler,
                                                               QObject *);
    friend EventMonitor *addLocalMonitorForEventsMatchingMask(quint64, LocalEventHandler,
                                                              QObject *);
    friend void deliverInputEvent(const InputEvent &event, bool toOwnApplication);

    EventMonitor(Scope scope, quint64 mask, QObject *parent);

    Scope m_scope;
    quint64 m_mask;
    GlobalEventHandler m_globalHandler;
    LocalEventHandler m_localHandler;
};

EventMonitor *addGlobalMonitorForEventsMatchingMask(quint64 mask, GlobalEventHandler handler,
                                                    QObject *parent);
EventMonitor *addLocalMonitorForEventsMatchingMask(quint64 mask, LocalEventHandler handler,
                                                   QObject *parent);

// Hands one release to the installed monitors: the local ones when it goes to Trundle, else the
// global ones. The input backends call this; tests reach it through injectEventForTesting.
void deliverInputEvent(const InputEvent &event, bool toOwnApplication);

// Whether the input backend delivers events (false with the null one). Starts the backend if
// no monitor has done so yet.
bool hotKeysAvailable();

} // namespace platform
