#include "qzaboutwindowcontroller.h"

#include <QWidget>

QZAboutWindowController::QZAboutWindowController(const QString &, QObject *, QObject *parent)
    : QObject(parent), m_window(std::make_unique<QWidget>())
{
    m_window->show();
}

QZAboutWindowController::~QZAboutWindowController() = default;

void QZAboutWindowController::close()
{
    m_window->close();
}

void QZAboutWindowController::windowWillClose() {}
void QZAboutWindowController::aboutGoToHomeButton(QObject *) {}
void QZAboutWindowController::aboutGoToDonationButton(QObject *) {}
