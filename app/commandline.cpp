// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "trundle_build_info.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

namespace {

// The options QGuiApplication, QApplication and the xcb platform plugin take out of argv
// themselves. They are accepted here (and not listed in the help) so that they still reach Qt.
const char *const qtOptionsWithValue[] = {"platform",
                                          "platformpluginpath",
                                          "platformtheme",
                                          "plugin",
                                          "qwindowgeometry",
                                          "geometry",
                                          "qwindowtitle",
                                          "title",
                                          "qwindowicon",
                                          "icon",
                                          "session",
                                          "display",
                                          "name",
                                          "visual",
                                          "style",
                                          "stylesheet",
                                          "qmljsdebugger"};
const char *const qtFlags[] = {"reverse", "sync", "widgetcount", "nograb", "dograb", "testability"};

QString description()
{
    return QStringLiteral(
        "Runs your scripts from the system tray, from global hot keys (F1 to F12 and the mouse\n"
        "buttons) and from a script browser window.\n"
        "\n"
        "Scripts:   ~/Library/Scripts and /Library/Scripts\n"
        "Settings:  $XDG_CONFIG_HOME/Trundle/Trundle.plist, changed in the preferences window\n"
        "\n"
        "trundle(1) tells the rest.");
}

} // namespace

CommandLineResult parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's own options start with one dash and are words (-platform xcb), so a single dash
    // introduces a long option here too; -h and -v stay what they are.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(description());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    const QCommandLineOption background(
        QStringLiteral("background"),
        QStringLiteral("Starts with the tray icon only, without the browser window (for the\n"
                       "autostart entry). A copy already running is left as it is."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(background);
    for (const char *name : qtOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : qtFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const QString program =
        arguments.isEmpty() ? QStringLiteral("trundle") : QFileInfo(arguments.first()).fileName();
    const QString tryHelp = QStringLiteral("Try '%1 --help' for more information.\n").arg(program);
    CommandLineResult result;
    if (!parser.parse(arguments)) {
        result.exitNow = true;
        result.exitStatus = 1;
        result.standardError =
            program + QStringLiteral(": ") + parser.errorText() + u'\n' + tryHelp;
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.exitNow = true;
        result.exitStatus = 1;
        result.standardError = QStringLiteral("%1: Unexpected argument '%2'.\n")
                                   .arg(program, parser.positionalArguments().first()) +
                               tryHelp;
        return result;
    }
    if (parser.isSet(help)) {
        result.exitNow = true;
        // Without an application object Qt names the program "<executable_name>".
        result.standardOutput =
            parser.helpText().replace(QLatin1String("<executable_name>"), program);
        return result;
    }
    if (parser.isSet(version)) {
        result.exitNow = true;
        result.standardOutput = QStringLiteral("Trundle " TRUNDLE_VERSION "\n");
        return result;
    }
    result.platformGiven = parser.isSet(QStringLiteral("platform"));
    result.background = parser.isSet(background);
    return result;
}
