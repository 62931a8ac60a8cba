// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up tells the user once when hot keys cannot work in this session, and says nothing when
// they work.

#include "apptestsupport.h"

#include "fakeinput.h"
#include "hotkeynotice.h"

using namespace platform;

class TestHotKeyNotice : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        InputBackend::setSharedForTesting(nullptr);
        resetHotKeyNoticeForTesting();
    }

    void startUpSaysOnceThatHotKeysDoNotWork()
    {
        FakeInputBackend wayland(HotKeyObstacle::WaylandSession, QStringLiteral("no portal"));
        InputBackend::setSharedForTesting(&wayland);
        LaunchedController launched;
        QCOMPARE(launched.notifier.messages().size(), 1);
        QCOMPARE(launched.notifier.messages().first().body,
                 localizedString(QStringLiteral("HotKeysUnavailableWayland")));
        // The same run starting up again (the session manager restarting the tray, say) does
        // not say it again.
        launched.delegate.applicationDidFinishLaunching();
        QCOMPARE(launched.notifier.messages().size(), 1);
    }

    void startUpSaysNothingWhenHotKeysWork()
    {
        FakeInputBackend working;
        InputBackend::setSharedForTesting(&working);
        LaunchedController launched;
        QVERIFY(launched.notifier.messages().isEmpty());
    }
};

TRUNDLE_TEST_MAIN(TestHotKeyNotice)

#include "test_hotkeynotice.moc"
