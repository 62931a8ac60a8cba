// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The about window: the program's information line, the credits, and two buttons that open the
// home page and the donation page in the user's web browser.
//
// A controller lives from the opening of its window until the application controller drops it
// after windowWillCloseNotification; it never deletes itself. Destroying it takes the window
// with it without a notification.

#include <QObject>
#include <QString>

#include <memory>

class QAbstractScrollArea;
class QEvent;
class QLabel;
class QPushButton;
class QTextBrowser;
class QWidget;

namespace Ui {
class QZAboutWindow;
}

class QZAboutWindowController : public QObject
{
    Q_OBJECT

public:
    // Loads the window description windowNibName ("QZAboutWindow"), fills the window and shows
    // it in front, without taking the focus from another application. sender is not used.
    QZAboutWindowController(const QString &windowNibName, QObject *sender,
                            QObject *parent = nullptr);
    ~QZAboutWindowController() override;

    QWidget *window() const { return m_window.get(); }
    // Closes the window the way the user would; windowWillCloseNotification follows.
    void close();
    // Runs once when the window is about to close, whichever way it is closed.
    void windowWillClose();

    // The buttons' actions: each press opens its page in the default web browser.
    void aboutGoToHomeButton(QObject *sender);
    void aboutGoToDonationButton(QObject *sender);

    // Outlets, set when the window is loaded; owned by the window.
    QPushButton *_donateButton = nullptr;
    QPushButton *_goToHomeButton = nullptr;
    // Qt's text view scrolls itself: the scroll view is the text view.
    QAbstractScrollArea *_aboutScrollView = nullptr;
    QTextBrowser *_aboutTextView = nullptr;
    QLabel *_aboutTextField = nullptr;

signals:
    // Emitted once when the window is about to close (Escape, the window manager's close
    // button, close()).
    void windowWillCloseNotification();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadCredits(const QString &path);

    std::unique_ptr<Ui::QZAboutWindow> m_ui;
    std::unique_ptr<QWidget> m_window;
    bool m_closeNotified = false;
};
