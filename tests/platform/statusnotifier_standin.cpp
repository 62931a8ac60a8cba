// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop tray that shows status-notifier items, played for end-to-end runs on the test's
// own session bus (DBUS_SESSION_BUS_ADDRESS). Qt exports a tray icon's menu over D-Bus
// (com.canonical.dbusmenu) when such a tray is there, instead of drawing it itself.
//
//   statusnotifier_standin watch            owns org.kde.StatusNotifierWatcher with a host
//                                           registered, and records the items that register
//   statusnotifier_standin list TITLE...    opens the registered item's menu and the submenus
//                                           titled so, one inside the other, as a tray does
//                                           (AboutToShow, then GetLayout), and prints the last
//                                           one's entries: "title<TAB>submenu" or "title"
//   statusnotifier_standin click TITLE...   opens the submenus the same way and clicks the
//                                           entry named last
//
// A client run exits 0 when it found everything, 1 with a message on standard error otherwise.

#include "standinprogram.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDateTime>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");

class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString &service)
    {
        m_items.append(service);
        emit StatusNotifierItemRegistered(service);
    }
    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString &) {}

signals:
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString &service);
    Q_SCRIPTABLE void StatusNotifierItemUnregistered(const QString &service);
    Q_SCRIPTABLE void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

struct MenuEntry
{
    int id = 0;
    QString label;
    bool submenu = false;
};

// A label as a panel shows it: dbusmenu marks the mnemonic with a single "_" ("__" is one "_").
QString shownLabel(const QString &label)
{
    QString shown;
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label.at(i) == u'_') {
            if (i + 1 < label.size() && label.at(i + 1) == u'_')
                shown.append(label.at(++i));
            continue;
        }
        shown.append(label.at(i));
    }
    return shown;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "statusnotifier_standin: %s\n", qPrintable(message));
    return 1;
}

// The entries directly inside the menu entry id, read after telling the menu it opens.
std::optional<QList<MenuEntry>> openMenu(QDBusInterface &menu, int id)
{
    menu.call(QStringLiteral("AboutToShow"), id);
    const QDBusMessage reply = menu.call(QStringLiteral("GetLayout"), id, 1, QStringList());
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        return std::nullopt;
    const QDBusArgument layout = reply.arguments().at(1).value<QDBusArgument>();
    int ownId = 0;
    QVariantMap properties;
    layout.beginStructure();
    layout >> ownId >> properties;
    QList<MenuEntry> entries;
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        const QDBusArgument node = child.variant().value<QDBusArgument>();
        MenuEntry entry;
        QVariantMap childProperties;
        node.beginStructure();
        node >> entry.id >> childProperties;
        node.endStructure();
        entry.label = shownLabel(childProperties.value(QStringLiteral("label")).toString());
        entry.submenu = childProperties.value(QStringLiteral("children-display")).toString() ==
                        QLatin1String("submenu");
        if (childProperties.value(QStringLiteral("type")).toString() != QLatin1String("separator"))
            entries.append(entry);
    }
    layout.endArray();
    layout.endStructure();
    return entries;
}

int runClient(const QString &command, const QStringList &titles)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusInterface watcher(watcherService, watcherPath, watcherService, bus);
    const QStringList items = watcher.property("RegisteredStatusNotifierItems").toStringList();
    if (items.isEmpty())
        return fail(QStringLiteral("no item has registered"));
    const QString &itemService = items.last();
    QDBusInterface item(itemService, QStringLiteral("/StatusNotifierItem"),
                        QStringLiteral("org.kde.StatusNotifierItem"), bus);
    const QString menuPath = item.property("Menu").value<QDBusObjectPath>().path();
    if (menuPath.isEmpty())
        return fail(QStringLiteral("the item has no menu"));
    QDBusInterface menu(itemService, menuPath, menuInterface, bus);

    int id = 0;
    std::optional<QList<MenuEntry>> entries = openMenu(menu, id);
    for (qsizetype step = 0; step < titles.size(); ++step) {
        if (!entries)
            return fail(QStringLiteral("cannot read the menu above ") + titles.at(step));
        const MenuEntry *found = nullptr;
        for (const MenuEntry &entry : *entries)
            if (entry.label == titles.at(step))
                found = &entry;
        if (!found)
            return fail(QStringLiteral("no entry titled ") + titles.at(step));
        id = found->id;
        const bool last = step == titles.size() - 1;
        if (last && command == QLatin1String("click")) {
            menu.call(QStringLiteral("Event"), id, QStringLiteral("clicked"),
                      QVariant::fromValue(QDBusVariant(0)),
                      uint(QDateTime::currentSecsSinceEpoch()));
            return 0;
        }
        entries = openMenu(menu, id);
    }
    if (!entries)
        return fail(QStringLiteral("cannot read the menu"));
    for (const MenuEntry &entry : *entries)
        std::printf("%s%s\n", qPrintable(entry.label), entry.submenu ? "\tsubmenu" : "");
    std::fflush(stdout);
    return 0;
}

} // namespace

// A short-lived client leaves a reply that QtDBus allocated for its property reads to process
// exit. In the sanitizer tree that leak report would turn every client run into a failure and
// drop its buffered output, so this program alone does not count leaks inside QtDBus.
extern "C" const char *__lsan_default_suppressions() // NOLINT(bugprone-reserved-identifier)
{
    return "leak:libQt6DBus.so\n";
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const QString command = arguments.value(0);
    if (command == QLatin1String("list") || command == QLatin1String("click"))
        return runClient(command, arguments.mid(1));
    if (command != QLatin1String("watch")) {
        std::fputs("usage: statusnotifier_standin watch | list TITLE... | click TITLE...\n",
                   stderr);
        return 2;
    }
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool served = bus.registerObject(watcherPath, &watcher,
                                           QDBusConnection::ExportScriptableContents |
                                               QDBusConnection::ExportAllProperties) &&
                        bus.registerService(watcherService);
    return serveUntilStopped(served, watcherService);
}

#include "statusnotifier_standin.moc"
