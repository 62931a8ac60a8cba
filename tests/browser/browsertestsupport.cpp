// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsertestsupport.h"

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
}

bool waitUntilScriptsHaveRun(int timeoutMs)
{
    ScriptRunner *runner = ScriptRunner::shared();
    return QTest::qWaitFor([runner] { return !runner->isRunning() && runner->waitingCount() == 0; },
                           timeoutMs);
}
