// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources.h"

#include "plistvalue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "trundle_build_info.h"

void installTextTable()
{
    // English is always loaded; a table for the user's language, when one ships, is consulted
    // first, so its gaps fall back to English and a key missing everywhere yields the key.
    // Qt's own texts (dialog buttons), where the distribution ships them in the user's language.
    static QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    static QTranslator english;
    if (english.load(QStringLiteral(":/i18n/trundle_en.qm")))
        QCoreApplication::installTranslator(&english);
    static QTranslator local;
    if (local.load(QLocale(), QStringLiteral("trundle"), QStringLiteral("_"),
                   QStringLiteral(":/i18n")) &&
        local.language() != QLatin1String("en"))
        QCoreApplication::installTranslator(&local);
}

QString localizedString(const QString &key)
{
    const QByteArray id = key.toUtf8();
    return qtTrId(id.constData());
}

int localizedInt(const QString &key)
{
    return intValueOfText(localizedString(key));
}

qint64 localizedInteger(const QString &key)
{
    return integerValueOfText(localizedString(key));
}

QString imageResourcePath(const QString &fileName)
{
    const QString path = QStringLiteral(":/images/") + fileName;
    return QFileInfo::exists(path) ? path : QString();
}

QString documentResourcePath(const QString &name, const QString &type)
{
    const QString path = QStringLiteral(":/documents/") + name + u'.' + type;
    return QFileInfo::exists(path) ? path : QString();
}

QString sampleScriptsFolderPath()
{
    QString overridden = qEnvironmentVariable("TRUNDLE_SCRIPTS_DIR");
    if (!overridden.isEmpty())
        return overridden;
    const QDir binDir(QCoreApplication::applicationDirPath());
    const QString installed =
        binDir.absoluteFilePath(QStringLiteral("../" TRUNDLE_INSTALLED_SCRIPTS_DIR));
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return QStringLiteral(TRUNDLE_SOURCE_SCRIPTS_DIR);
}

QString bundleInfoString()
{
    return localizedString(QStringLiteral("AboutVersionAndCopyright"))
        .arg(QStringLiteral(TRUNDLE_VERSION));
}

QString ownBundleIdentifier()
{
    return QStringLiteral("trundle");
}
