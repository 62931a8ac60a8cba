// SPDX-License-Identifier: GPL-3.0-or-later
// Hot-key dispatch: every key and mouse-button release of the desktop passes through here, so
// the unbound path stays cheap (a text lookup, two table lookups, one short key).

#include "qzappdelegate.h"

#include "eventmonitor.h"
#include "filebrowserdatasource.h"
#include "inputbackend.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "sessionlock.h"
#include "shortcuttable.h"

#include <QFileInfo>

namespace {
constexpr char16_t firstFunctionKeyCode = 0xF704; // F1
constexpr char16_t lastFunctionKeyCode = 0xF70F;  // F12
} // namespace

void QZAppDelegate::installEventMonitors()
{
    const auto logAndHandle = [this](const platform::InputEvent &event) {
        QZLog("incomingEvent: %p", static_cast<const void *>(&event));
        handleMouseAndKeyEvents(event);
    };
    platform::EventMonitor *global = platform::addGlobalMonitorForEventsMatchingMask(
        platform::hotKeyEventMask, logAndHandle, this);
    appGlobals->setObject(global, kGlobalHandlerKey);

    platform::EventMonitor *local = platform::addLocalMonitorForEventsMatchingMask(
        platform::hotKeyEventMask,
        [logAndHandle](const platform::InputEvent &event) {
            logAndHandle(event);
            return &event;
        },
        this);
    appGlobals->setObject(local, kLocalHandlerKey);
}

void QZAppDelegate::handleMouseAndKeyEvents(const platform::InputEvent &event)
{
    QZLog("theEvent: %p", static_cast<const void *>(&event));
    QZLog("eventType (2=mouse up, 11=key up): %d", event.type);
    switch (event.type) {
    case platform::leftMouseUpType:
    case platform::rightMouseUpType:
    case platform::otherMouseUpType: {
        const quint64 buttonNumber = quint64(event.buttonNumber) + 1;
        QZLog("buttonNumber               : %d", buttonNumber);
        QZLog("modifierFlags              : %d", event.modifierFlags);
        handleMouseHit(buttonNumber, event.modifierFlags);
        return;
    }
    case platform::keyUpType: {
        QZLog("characters                 : %@", event.characters);
        QZLog("charactersIgnoringModifiers: %@", event.charactersIgnoringModifiers);
        QZLog("keyCode                    : %d", event.keyCode);
        QZLog("modifierFlags              : %d", event.modifierFlags);
        // Some keys (dead keys among them) have no characters at all: not a hot key either.
        const char16_t code = event.charactersIgnoringModifiers.isEmpty()
                                  ? 0
                                  : event.charactersIgnoringModifiers.front().unicode();
        if (code >= firstFunctionKeyCode && code <= lastFunctionKeyCode)
            handleFKeyHit(quint64(code) - firstFunctionKeyCode + 1, event.modifierFlags);
        else
            QZLog("What key is this??");
        return;
    }
    default:
        QZLog("Warning: I do not know how to handle events of type: %d", event.type);
    }
}

void QZAppDelegate::handleMouseHit(quint64 buttonNumber, quint64 modifier)
{
    Q_UNUSED(modifier)
    const qint64 shortcutID = qint64(buttonNumber) + firstMouseButtonID() - 1;
    QZLog("Searching for key (ShortCut ID Number): %d", shortcutID);
    runBoundScript(shortcutKey(shortcutID));
}

void QZAppDelegate::handleFKeyHit(quint64 functionKeyNumber, quint64 modifier)
{
    Q_UNUSED(modifier)
    runBoundScript(shortcutKey(qint64(functionKeyNumber)));
}

void QZAppDelegate::runBoundScript(const QString &lookupKey)
{
    const PlistDictionaryRef table = shortcutTable();
    QZLog("shortcuts: %@", PlistValue(table));
    if (!table)
        return;
    const auto entry = table->constFind(lookupKey);
    if (entry == table->cend() || !entry->isString())
        return;
    const QString path = entry->stringValue();
    // A key that an older version let a folder have stays in the file but is never armed.
    if (isFolderPath(path)) {
        QZLog("Not running %@: hot keys run scripts, not folders.", path);
        return;
    }
    // Asked only now: a locked screen or another session in front costs the unbound releases
    // nothing, and a bound one a question.
    if (const std::optional<QString> reason =
            platform::SessionLock::shared()->reasonToWithholdHotKeys()) {
        QZLog("Hot key withheld, not launching script %@: %@", path, *reason);
        return;
    }
    QZLog("Launching script: %@", path);
    if (_ds)
        _ds->runScript(path, LaunchRoad::HotKey, lookupKey.toLongLong());
}

void QZAppDelegate::publishFunctionKeyBindings()
{
    platform::FunctionKeyBindings bindings;
    if (const PlistDictionaryRef table = shortcutTable()) {
        for (int number = 1; number <= 12; ++number) {
            const PlistValue path = table->value(shortcutKey(number));
            if (path.isString() && !path.stringValue().isEmpty() &&
                !isFolderPath(path.stringValue()))
                bindings.insert(number, localizedString(QStringLiteral("HotKeyPortalDescription"))
                                            .arg(QFileInfo(path.stringValue()).fileName()));
        }
    }
    platform::InputBackend::shared()->setFunctionKeyBindings(bindings);
    for (const QString &note : folderBindingNotes())
        processLog("%@", note);
}
