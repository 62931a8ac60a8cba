// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsertestsupport.h"

#include "filebrowsermodel.h"
#include "filesystemitem.h"
#include "preferencesdictionary.h"
#include "scriptrunner.h"

#include <QTest>

void resetSettings(bool debugLogging)
{
    if (!appGlobals)
        appGlobals = QZPreferencesDictionary::dictionary();
    appGlobals->setObject(debugLogging, kDebugLoggingSettingKey);
    appGlobals->setObject(PlistValue::newDictionary(), kShortcutsSettingKey);
    appGlobals->removeObjectForKey(kExpandedItemsSettingKey);
    appGlobals->removeObjectForKey(kPreviousApplicationNameKey);
    appGlobals->removeObjectForKey(kPreviousApplicationPIDKey);
    appGlobals->removeObjectForKey(kPreviousOtherApplicationNameKey);
    appGlobals->removeObjectForKey(kPreviousOtherApplicationPIDKey);
}

bool waitUntilScriptsHaveRun(int timeoutMs)
{
    ScriptRunner *runner = ScriptRunner::shared();
    return QTest::qWaitFor([runner] { return !runner->isRunning() && runner->waitingCount() == 0; },
                           timeoutMs);
}

BrowserOnView::BrowserOnView(bool modelTester)
{
    if (modelTester)
        tester = std::make_unique<QAbstractItemModelTester>(
            ds.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    ds._fileBrowserOutlineView = &view;
    ds.initOutline();
}

QModelIndex BrowserOnView::indexOf(const QString &path)
{
    FileSystemItem *item = ds.itemForPersistentObject(PlistValue(path));
    return item ? ds.browserModel()->indexForItem(item) : QModelIndex();
}
