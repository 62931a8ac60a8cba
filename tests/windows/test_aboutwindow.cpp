// SPDX-License-Identifier: GPL-3.0-or-later
// The about window: the two web addresses and what the buttons and credits links hand to the
// browser, closing it every way a user can, and where its texts come from.

#include "qzaboutwindowcontroller.h"
#include "webaddresses.h"
#include "windowtestsupport.h"

#include "resources.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrlQuery>
#include <QWindow>

#include <memory>

namespace {

enum class CloseWay
{
    ControllerClose,
    EscapeKey,
    WindowSystem
};

const QStringList titleKeys = {QStringLiteral("AboutWindowWindowTitle"),
                               QStringLiteral("AboutWindowGoToHomeButtonTitle"),
                               QStringLiteral("AboutWindowDonateButtonTitle")};

QString keyTitle(QZAboutWindowController &controller, const QString &key)
{
    if (key == QLatin1String("AboutWindowWindowTitle"))
        return controller.window()->windowTitle();
    if (key == QLatin1String("AboutWindowGoToHomeButtonTitle"))
        return controller._goToHomeButton->text();
    if (key == QLatin1String("AboutWindowDonateButtonTitle"))
        return controller._donateButton->text();
    return QStringLiteral("<no widget for %1>").arg(key);
}

std::unique_ptr<QZAboutWindowController> openWindow()
{
    auto controller =
        std::make_unique<QZAboutWindowController>(QStringLiteral("QZAboutWindow"), nullptr);
    (void)QTest::qWaitForWindowExposed(controller->window());
    return controller;
}

// The parameters that follow the donation page's path, in their order.
QList<QPair<QString, QString>> donationParameters(const QUrl &url)
{
    const QString lastSegment = url.path().section(QLatin1Char('/'), -1);
    QList<QPair<QString, QString>> parameters;
    for (const QString &pair : lastSegment.split(QLatin1Char('&')))
        parameters.append(
            {pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1)});
    return parameters;
}

} // namespace

Q_DECLARE_METATYPE(CloseWay)

class TestAboutWindow : public QObject
{
    Q_OBJECT

private:
    TextTableWithGaps m_table;

private slots:
    void initTestCase() { QCoreApplication::installTranslator(&m_table); }
    void init() { m_table.missing.clear(); }

    void donationParametersFollowThePathInTheirOrder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value"); // empty: any non-empty value
        QTest::newRow("recipient") << 0 << "business"
                                   << "";
        QTest::newRow("item name") << 1 << "item_name"
                                   << "Trundle";
        QTest::newRow("item number") << 2 << "item_number"
                                     << "Trundle";
        QTest::newRow("no note") << 3 << "no_note"
                                 << "1";
        QTest::newRow("tax") << 4 << "tax"
                             << "0";
        QTest::newRow("currency") << 5 << "currency_code"
                                  << "EUR";
    }
    void donationParametersFollowThePathInTheirOrder()
    {
        QFETCH(int, position);
        QFETCH(QString, name);
        QFETCH(QString, value);
        const QUrl url = QUrl::fromEncoded(kDonationPageAddress, QUrl::StrictMode);
        QVERIFY2(url.isValid(), qPrintable(url.errorString()));
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        QVERIFY(url.host().endsWith(QLatin1String(".example.org")));
        // The parameters are the path's last segment, not a query.
        QVERIFY(!url.hasQuery());
        QVERIFY(!QByteArray(kDonationPageAddress).contains('?'));

        const auto parameters = donationParameters(url);
        QCOMPARE(parameters.size(), 6);
        QCOMPARE(parameters[position].first, name);
        if (value.isEmpty())
            QVERIFY(!parameters[position].second.isEmpty());
        else
            QCOMPARE(parameters[position].second, value);
    }

    void homeAddressNamesTheProduct()
    {
        const QUrl url = QUrl::fromEncoded(kHomePageAddress, QUrl::StrictMode);
        QVERIFY2(url.isValid(), qPrintable(url.errorString()));
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        QVERIFY(url.host().endsWith(QLatin1String(".example.org")));
        QCOMPARE(
            QUrlQuery(url).queryItems(),
            (QList<QPair<QString, QString>>{{QStringLiteral("u"), QStringLiteral("Trundle")}}));
    }

    void buttonsOpenTheirPageUnchangedEachTime_data()
    {
        QTest::addColumn<bool>("donation");
        QTest::addColumn<QByteArray>("address");
        QTest::newRow("home page") << false << QByteArray(kHomePageAddress);
        QTest::newRow("donation page") << true << QByteArray(kDonationPageAddress);
    }
    void buttonsOpenTheirPageUnchangedEachTime()
    {
        QFETCH(bool, donation);
        QFETCH(QByteArray, address);
        OpenedPages browser;
        auto controller = openWindow();
        QPushButton *button = donation ? controller->_donateButton : controller->_goToHomeButton;

        QTest::mouseClick(button, Qt::LeftButton);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Space);

        QCOMPARE(browser.urls.size(), 2);
        for (const QUrl &url : browser.urls) {
            // The browser gets the address exactly as stored, byte for byte.
            QCOMPARE(url.toEncoded(), address);
        }
    }

    void creditsLinksOpenInTheBrowser()
    {
        OpenedPages browser;
        auto controller = openWindow();
        QTextBrowser *view = controller->_aboutTextView;
        QVERIFY(view->isReadOnly());
        QVERIFY(view->toPlainText().contains(QLatin1String("Trundle")));
        QVERIFY(view->toPlainText().contains(QLatin1String("GPL-3.0-or-later")));

        // The first link of the credits, clicked where it is drawn.
        QTextDocument *document = view->document();
        QString href;
        int position = -1;
        for (QTextBlock block = document->begin(); block.isValid() && position < 0;
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().isAnchor()) {
                    href = it.fragment().charFormat().anchorHref();
                    position = it.fragment().position() + it.fragment().length() / 2;
                    break;
                }
            }
        }
        QVERIFY2(position >= 0, "the credits have no link");
        QTextCursor cursor(document);
        cursor.setPosition(position);
        view->ensureCursorVisible();
        const QPoint point = view->cursorRect(cursor).center();
        const QString before = view->toHtml();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, point);

        QCOMPARE(browser.urls.size(), 1);
        QCOMPARE(browser.urls.first(), QUrl(href));
        // The credits stay where they are: the link is not followed inside the window.
        QCOMPARE(view->toHtml(), before);
    }

    void keyboardLeadsToBothButtonsFirst()
    {
        OpenedPages browser;
        auto controller = openWindow();
        QWidget *window = controller->window();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget(), controller->_goToHomeButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), controller->_donateButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(browser.urls.size(), 1);
        QCOMPARE(browser.urls.first().toEncoded(), QByteArray(kDonationPageAddress));
    }

    void informationLineShowsTheBuild()
    {
        auto controller = openWindow();
        QCOMPARE(controller->_aboutTextField->text(), bundleInfoString());
    }

    void closingAnnouncesItOnce_data()
    {
        QTest::addColumn<CloseWay>("how");
        QTest::newRow("close()") << CloseWay::ControllerClose;
        QTest::newRow("Escape") << CloseWay::EscapeKey;
        QTest::newRow("window manager's close button") << CloseWay::WindowSystem;
    }
    void closingAnnouncesItOnce()
    {
        QFETCH(CloseWay, how);
        auto controller = openWindow();
        QWidget *window = controller->window();
        QSignalSpy closing(controller.get(), &QZAboutWindowController::windowWillCloseNotification);
        switch (how) {
        case CloseWay::ControllerClose:
            controller->close();
            break;
        case CloseWay::EscapeKey:
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window,
                            Qt::Key_Escape);
            break;
        case CloseWay::WindowSystem:
            window->windowHandle()->close();
            break;
        }
        QCoreApplication::processEvents();
        QCOMPARE(closing.count(), 1);
        QVERIFY(!window->isVisible());
        controller->close();
        QCOMPARE(closing.count(), 1);
    }

    void titlesComeFromTheTextTable_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("missing");
        for (const QString &key : titleKeys) {
            QTest::newRow(qPrintable(key)) << key << false;
            QTest::newRow(qPrintable(key + QStringLiteral(" missing"))) << key << true;
        }
    }
    void titlesComeFromTheTextTable()
    {
        QFETCH(QString, key);
        QFETCH(bool, missing);
        if (missing)
            m_table.missing.insert(key);
        auto controller = openWindow();
        const QString expected = missing ? key : m_table.fullText(key);
        QVERIFY(expected != key || missing);
        QCOMPARE(keyTitle(*controller, key), expected);
        for (const QString &other : titleKeys) {
            if (other != key)
                QCOMPARE(keyTitle(*controller, other), m_table.fullText(other));
        }
    }

    void anUnknownWindowNameIsLoggedAndTheWindowStillOpens()
    {
        StandardErrorCapture log;
        QZAboutWindowController controller(QStringLiteral("NoSuchWindow"), nullptr);
        QVERIFY(controller.window()->isVisible());
        QVERIFY(log.text().contains(QLatin1String("NoSuchWindow")));
    }
};

TRUNDLE_TEST_MAIN(TestAboutWindow)
#include "test_aboutwindow.moc"
