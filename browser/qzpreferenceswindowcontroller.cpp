#include "qzpreferenceswindowcontroller.h"

#include <QWidget>

QZPreferencesWindowController::QZPreferencesWindowController(const QString &windowNibName,
                                                             QObject *parent)
    : QObject(parent), m_windowNibName(windowNibName)
{}

QZPreferencesWindowController::~QZPreferencesWindowController() = default;

QWidget *QZPreferencesWindowController::window()
{
    if (!m_window) {
        windowWillLoad();
        m_window = std::make_unique<QWidget>();
        windowDidLoad();
    }
    return m_window.get();
}

void QZPreferencesWindowController::windowWillLoad() {}
void QZPreferencesWindowController::windowDidLoad()
{
    m_window->show();
}
void QZPreferencesWindowController::windowWillClose() {}
void QZPreferencesWindowController::saveSettings() {}
void QZPreferencesWindowController::settingChanged(QObject *)
{
    saveSettings();
}
