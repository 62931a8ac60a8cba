#pragma once

// The about window: the program's information line, the credits, and two buttons that open the
// home page and the donation page in the user's web browser.
//
// A controller lives from the opening of its window until the application controller drops it
// after windowWillCloseNotification; it never deletes itself.

#include <QObject>
#include <QString>

#include <memory>

class QAbstractScrollArea;
class QLabel;
class QPushButton;
class QTextBrowser;
class QWidget;

class QZAboutWindowController : public QObject
{
    Q_OBJECT

public:
    // Loads the window description windowNibName ("QZAboutWindow"), fills the window and shows
    // it in front. sender is not used.
    QZAboutWindowController(const QString &windowNibName, QObject *sender,
                            QObject *parent = nullptr);
    ~QZAboutWindowController() override;

    QWidget *window() const { return m_window.get(); }
    // Closes the window the way the user would; windowWillCloseNotification follows.
    void close();
    // Runs once when the window is about to close, whichever way it is closed.
    void windowWillClose();

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
    // Emitted when the window is about to close (Escape, the window manager's close button,
    // close()).
    void windowWillCloseNotification();

private:
    std::unique_ptr<QWidget> m_window;
};
