// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the window tests, over the common test support: the program's text table with
// chosen keys taken out, a recorder for opened web pages, and the settings file as it is on disk.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTranslator>
#include <QUrl>

#include "testsupport.h"

class QWidget;

// The English text table, minus the keys in missing: those yield their keys, as any key without
// an entry does. Installed over the program's table (the test main installs that), it answers
// first; for a missing key it answers the key itself, so the program's table is never asked.
class TextTableWithGaps : public QTranslator
{
public:
    TextTableWithGaps();
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override;

    // The text of key in the full table, for comparison.
    QString fullText(const QString &key) const;
    QSet<QString> missing;

private:
    QTranslator m_english;
};

// Receives the addresses that QDesktopServices::openUrl hands to the web browser.
class OpenedPages : public QObject
{
    Q_OBJECT

public:
    OpenedPages();
    ~OpenedPages() override;
    QList<QUrl> urls;

public slots:
    void openUrl(const QUrl &url) { urls.append(url); }
};

// The settings file as it is on disk: the dictionary under "PreferencesGlobals", or an empty
// dictionary when there is no file.
class PlistValue;
PlistValue settingsOnDisk();
bool settingsFileExists();
