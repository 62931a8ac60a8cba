// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowtestsupport.h"

#include "plistvalue.h"
#include "preferencesdictionary.h"
#include "settingsfile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>

TextTableWithGaps::TextTableWithGaps()
{
    if (!m_english.load(QStringLiteral(":/i18n/trundle_en.qm")))
        qFatal("The program's text table is not among the resources.");
}

QString TextTableWithGaps::translate(const char *context, const char *sourceText,
                                     const char *disambiguation, int n) const
{
    QString key = QString::fromUtf8(sourceText);
    if (missing.contains(key))
        return key;
    return m_english.translate(context, sourceText, disambiguation, n);
}

QString TextTableWithGaps::fullText(const QString &key) const
{
    return m_english.translate(nullptr, key.toUtf8().constData());
}

OpenedPages::OpenedPages()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
}

OpenedPages::~OpenedPages()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

bool settingsFileExists()
{
    return QFile::exists(SettingsFile::standardPath());
}

PlistValue settingsOnDisk()
{
    QFile file(SettingsFile::standardPath());
    if (!file.open(QIODevice::ReadOnly))
        return PlistValue::newDictionary();
    const std::optional<PlistValue> top = SettingsFile::parse(file.readAll());
    if (!top || !top->dictionary())
        return PlistValue::newDictionary();
    const PlistValue globals = top->dictionary()->value(kPreferencesGlobalsKey);
    return globals.isDictionary() ? globals : PlistValue::newDictionary();
}
