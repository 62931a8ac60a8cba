// SPDX-License-Identifier: GPL-3.0-or-later
#include "qzaboutwindowcontroller.h"

#include "log.h"
#include "resources.h"
#include "webaddresses.h"

#include "ui_QZAboutWindow.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

namespace {

const QString kWindowDescriptionName = QStringLiteral("QZAboutWindow");

void openWebPage(const char *address)
{
    // The addresses are stored in their final, encoded form and go to the browser unchanged.
    const QUrl url = QUrl::fromEncoded(QByteArray(address), QUrl::StrictMode);
    QZLog("url: %@", url.toString(QUrl::FullyEncoded));
    if (!url.isValid()) {
        processLog("The web address %s is not valid (%@); nothing is opened.", address,
                   url.errorString());
        return;
    }
    QDesktopServices::openUrl(url);
}

} // namespace

QZAboutWindowController::QZAboutWindowController(const QString &windowNibName, QObject *sender,
                                                 QObject *parent)
    : QObject(parent), m_ui(std::make_unique<Ui::QZAboutWindow>()),
      m_window(std::make_unique<QWidget>())
{
    Q_UNUSED(sender);
    QZLog("nibName: %@", windowNibName);
    // The window description is compiled into the program; a caller asking for another one gets
    // this window all the same, and the log says so.
    if (windowNibName != kWindowDescriptionName)
        processLog("There is no window description named \"%@\"; using \"%@\".", windowNibName,
                   kWindowDescriptionName);

    m_ui->setupUi(m_window.get());
    _donateButton = m_ui->_donateButton;
    _goToHomeButton = m_ui->_goToHomeButton;
    _aboutTextView = m_ui->_aboutTextView;
    _aboutScrollView = m_ui->_aboutTextView;
    _aboutTextField = m_ui->_aboutTextField;
    QZLog("window: %p", static_cast<const void *>(m_window.get()));
    // A Qt window stays on screen while another application is active; there is no hiding on
    // deactivation to switch off.

    QZLog("_aboutTextField: %p", static_cast<const void *>(_aboutTextField));
    _aboutTextField->setText(bundleInfoString());
    QZLog("aboutTextField: %@", _aboutTextField->text());
    m_ui->iconLabel->setPixmap(QIcon(imageResourcePath(QStringLiteral("trundle.svg")))
                                   .pixmap(m_ui->iconLabel->minimumSize()));

    m_window->setWindowTitle(localizedString(QStringLiteral("AboutWindowWindowTitle")));
    _goToHomeButton->setText(localizedString(QStringLiteral("AboutWindowGoToHomeButtonTitle")));
    _donateButton->setText(localizedString(QStringLiteral("AboutWindowDonateButtonTitle")));

    // The credits ship as HTML, the rich text a Qt text view reads, one document a language;
    // the text table names the one to show, and English stands in for a missing one.
    QString creditsPath = documentResourcePath(
        localizedString(QStringLiteral("AboutWindowCreditsDocument")), QStringLiteral("html"));
    if (creditsPath.isEmpty())
        creditsPath = documentResourcePath(QStringLiteral("Credits"), QStringLiteral("html"));
    QZLog("creditsPath: %@", creditsPath);
    loadCredits(creditsPath);

    QObject::connect(_goToHomeButton, &QPushButton::clicked, this,
                     [this] { aboutGoToHomeButton(_goToHomeButton); });
    QObject::connect(_donateButton, &QPushButton::clicked, this,
                     [this] { aboutGoToDonationButton(_donateButton); });

    m_window->installEventFilter(this);

    // The keyboard starts on the buttons; the credits' links come after them. Set here, as the
    // window manager's activation would otherwise pick the text view.
    _goToHomeButton->setFocus(Qt::OtherFocusReason);

    // Shown and raised, but the program does not take the focus from the application in front.
    m_window->show();
    m_window->raise();
}

QZAboutWindowController::~QZAboutWindowController()
{
    m_window->removeEventFilter(this);
}

void QZAboutWindowController::loadCredits(const QString &path)
{
    // Without a credits document the view keeps what the window description put there.
    if (path.isEmpty()) {
        processLog("The credits document is missing from the program's resources.");
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        processLog("The credits document %@ cannot be read: %@", path, file.errorString());
        return;
    }
    _aboutTextView->setHtml(QString::fromUtf8(file.readAll()));
}

void QZAboutWindowController::close()
{
    m_window->close();
}

bool QZAboutWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_closeNotified) {
        m_closeNotified = true;
        windowWillClose();
        emit windowWillCloseNotification();
    }
    // Escape closes the window like its close button, once no widget in it wanted the key
    // (the same rule as in the preferences window).
    if (watched == m_window.get() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            m_window->close();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void QZAboutWindowController::windowWillClose()
{
    QZLog("Yo!");
}

void QZAboutWindowController::aboutGoToHomeButton(QObject *sender)
{
    Q_UNUSED(sender);
    openWebPage(kHomePageAddress);
}

void QZAboutWindowController::aboutGoToDonationButton(QObject *sender)
{
    Q_UNUSED(sender);
    openWebPage(kDonationPageAddress);
}
