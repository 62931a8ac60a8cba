// SPDX-License-Identifier: GPL-3.0-or-later
#include "eventmonitor.h"

#include "backend.h"

#include <QList>
#include <QPointer>

namespace platform {

namespace {

// Installed monitors, in the order of installation.
QList<EventMonitor *> &installedMonitors()
{
    static QList<EventMonitor *> monitors;
    return monitors;
}

} // namespace

EventMonitor::EventMonitor(Scope scope, quint64 mask, QObject *parent)
    : QObject(parent), m_scope(scope), m_mask(mask)
{}

EventMonitor::~EventMonitor()
{
    installedMonitors().removeOne(this);
}

bool EventMonitor::matches(const InputEvent &event) const
{
    return event.type >= 0 && event.type < 64 && (m_mask & eventMaskFor(event.type)) != 0;
}

EventMonitor *addGlobalMonitorForEventsMatchingMask(quint64 mask, GlobalEventHandler handler,
                                                    QObject *parent)
{
    auto *monitor = new EventMonitor(EventMonitor::Scope::Global, mask, parent);
    monitor->m_globalHandler = std::move(handler);
    installedMonitors().append(monitor);
    startInputBackend();
    return monitor;
}

EventMonitor *addLocalMonitorForEventsMatchingMask(quint64 mask, LocalEventHandler handler,
                                                   QObject *parent)
{
    auto *monitor = new EventMonitor(EventMonitor::Scope::Local, mask, parent);
    monitor->m_localHandler = std::move(handler);
    installedMonitors().append(monitor);
    startInputBackend();
    return monitor;
}

void deliverInputEvent(const InputEvent &event, bool toOwnApplication)
{
    const EventMonitor::Scope scope =
        toOwnApplication ? EventMonitor::Scope::Local : EventMonitor::Scope::Global;
    // A handler may install or delete monitors: go through the ones installed now, skipping
    // those deleted on the way; a monitor installed meanwhile sees the next event.
    QList<QPointer<EventMonitor>> recipients;
    for (EventMonitor *monitor : installedMonitors()) {
        if (monitor->scope() == scope && monitor->matches(event))
            recipients.append(monitor);
    }
    const InputEvent *current = &event;
    for (const QPointer<EventMonitor> &monitor : recipients) {
        if (monitor.isNull() || !monitor->matches(*current))
            continue;
        // Called through a copy: a handler may delete its own monitor.
        if (scope == EventMonitor::Scope::Global) {
            if (const GlobalEventHandler handler = monitor->m_globalHandler)
                handler(*current);
            continue;
        }
        const LocalEventHandler handler = monitor->m_localHandler;
        if (!handler)
            continue;
        // Local monitors form a chain, as the event would on its way into the application.
        current = handler(*current);
        if (current == nullptr)
            break;
    }
}

bool hotKeysAvailable()
{
    return startInputBackend();
}

} // namespace platform
