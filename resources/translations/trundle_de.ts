<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name></name>
    <message id="MenuScriptsSubMenu">
        <source>Scripts</source>
        <extracomment>status menu item that carries the scripts submenu</extracomment>
        <translation>Skripte</translation>
    </message>
    <message id="MenuPreferences">
        <source>Preferences…</source>
        <extracomment>status menu command; menu validation compares this title</extracomment>
        <translation>Einstellungen…</translation>
    </message>
    <message id="MenuAbout">
        <source>About Trundle</source>
        <extracomment>status menu command; menu validation compares this title</extracomment>
        <translation>Über Trundle</translation>
    </message>
    <message id="MenuQuit">
        <source>Quit Trundle</source>
        <extracomment>status menu command; menu validation compares this title</extracomment>
        <translation>Trundle beenden</translation>
    </message>
    <message id="HotKeyCount">
        <source>20</source>
        <extracomment>integer: how many hot-key IDs the pop-ups offer (0 to count - 1)</extracomment>
        <translation>20</translation>
    </message>
    <message id="HotKeyDefaultID">
        <source>0</source>
        <extracomment>integer: the ID shown for a script without a hot key</extracomment>
        <translation>0</translation>
    </message>
    <message id="HotKeyFirstMouseButtonID">
        <source>13</source>
        <extracomment>integer: the ID of the left mouse button; the others follow</extracomment>
        <translation>13</translation>
    </message>
    <message id="HotKeyPrefix">
        <source>HotKey</source>
        <extracomment>the title of ID n is the text under this prefix followed by n</extracomment>
        <translation>HotKey</translation>
    </message>
    <message id="HotKeyNone">
        <source>None</source>
        <extracomment>pop-up title of folder rows</extracomment>
        <translation>Keine</translation>
    </message>
    <message id="HotKey0">
        <source>None</source>
        <extracomment>title of hot-key ID 0</extracomment>
        <translation>Keine</translation>
    </message>
    <message id="HotKey1">
        <source>F1</source>
        <extracomment>title of hot-key ID 1</extracomment>
        <translation>F1</translation>
    </message>
    <message id="HotKey2">
        <source>F2</source>
        <extracomment>title of hot-key ID 2</extracomment>
        <translation>F2</translation>
    </message>
    <message id="HotKey3">
        <source>F3</source>
        <extracomment>title of hot-key ID 3</extracomment>
        <translation>F3</translation>
    </message>
    <message id="HotKey4">
        <source>F4</source>
        <extracomment>title of hot-key ID 4</extracomment>
        <translation>F4</translation>
    </message>
    <message id="HotKey5">
        <source>F5</source>
        <extracomment>title of hot-key ID 5</extracomment>
        <translation>F5</translation>
    </message>
    <message id="HotKey6">
        <source>F6</source>
        <extracomment>title of hot-key ID 6</extracomment>
        <translation>F6</translation>
    </message>
    <message id="HotKey7">
        <source>F7</source>
        <extracomment>title of hot-key ID 7</extracomment>
        <translation>F7</translation>
    </message>
    <message id="HotKey8">
        <source>F8</source>
        <extracomment>title of hot-key ID 8</extracomment>
        <translation>F8</translation>
    </message>
    <message id="HotKey9">
        <source>F9</source>
        <extracomment>title of hot-key ID 9</extracomment>
        <translation>F9</translation>
    </message>
    <message id="HotKey10">
        <source>F10</source>
        <extracomment>title of hot-key ID 10</extracomment>
        <translation>F10</translation>
    </message>
    <message id="HotKey11">
        <source>F11</source>
        <extracomment>title of hot-key ID 11</extracomment>
        <translation>F11</translation>
    </message>
    <message id="HotKey12">
        <source>F12</source>
        <extracomment>title of hot-key ID 12</extracomment>
        <translation>F12</translation>
    </message>
    <message id="HotKey13">
        <source>Left Button</source>
        <extracomment>title of hot-key ID 13</extracomment>
        <translation>Linke Maustaste</translation>
    </message>
    <message id="HotKey14">
        <source>Right Button</source>
        <extracomment>title of hot-key ID 14</extracomment>
        <translation>Rechte Maustaste</translation>
    </message>
    <message id="HotKey15">
        <source>Middle Button</source>
        <extracomment>title of hot-key ID 15</extracomment>
        <translation>Mittlere Maustaste</translation>
    </message>
    <message id="HotKey16">
        <source>Back Button</source>
        <extracomment>title of hot-key ID 16</extracomment>
        <translation>Maustaste Zurück</translation>
    </message>
    <message id="HotKey17">
        <source>Forward Button</source>
        <extracomment>title of hot-key ID 17</extracomment>
        <translation>Maustaste Vorwärts</translation>
    </message>
    <message id="HotKey18">
        <source>Button 6</source>
        <extracomment>title of hot-key ID 18</extracomment>
        <translation>Maustaste 6</translation>
    </message>
    <message id="HotKey19">
        <source>Button 7</source>
        <extracomment>title of hot-key ID 19</extracomment>
        <translation>Maustaste 7</translation>
    </message>
    <message id="DefaultPathPlatzhalterDings">
        <source>(no path)</source>
        <extracomment>browser text of a row without a file</extracomment>
        <translation>(kein Pfad)</translation>
    </message>
    <message id="PreferencesWindowTitle">
        <source>Trundle Preferences</source>
        <translation>Trundle-Einstellungen</translation>
    </message>
    <message id="PreferencesWindowBoxDeveloper">
        <source>Developer</source>
        <translation>Entwicklung</translation>
    </message>
    <message id="PreferencesWindowDebugLoggingButtonTitle">
        <source>Write a debug log to standard error</source>
        <translation>Ein Debug-Protokoll in die Standardfehlerausgabe schreiben</translation>
    </message>
    <message id="PreferencesWindowReadInputDevicesButtonTitle">
        <source>Read keyboards and mice directly</source>
        <translation>Tastaturen und Mäuse direkt lesen</translation>
    </message>
    <message id="PreferencesWindowReadInputDevicesToolTip">
        <source>Hot keys from /dev/input, also under Wayland. Needs membership of the input group, whose members can read every key typed on this machine, passwords included. Takes effect at the next start.</source>
        <translation>Tastenkürzel aus /dev/input, auch unter Wayland. Dazu ist die Mitgliedschaft in der Gruppe input nötig, deren Mitglieder jede auf diesem Rechner getippte Taste lesen können, Passwörter eingeschlossen. Wirkt ab dem nächsten Start.</translation>
    </message>
    <message id="PreferencesWindowBoxShortcuts">
        <source>Hot Keys</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message id="PreferencesWindowColumnFolders">
        <source>Scripts</source>
        <translation>Skripte</translation>
    </message>
    <message id="PreferencesWindowColumnShortcuts">
        <source>Hot Key</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message id="HotKeysUnavailableTitle">
        <source>Trundle: hot keys do not work</source>
        <extracomment>title of the desktop notification said once when no source can deliver hot keys</extracomment>
        <translation>Trundle: Tastenkürzel funktionieren nicht</translation>
    </message>
    <message id="HotKeysUnavailableWayland">
        <source>Hot keys do not work in this Wayland session: there is no global-shortcuts portal, and reading keyboards and mice directly is off.</source>
        <extracomment>notification text and line above the hot-key column in a Wayland session</extracomment>
        <translation>Tastenkürzel funktionieren in dieser Wayland-Sitzung nicht: Es gibt kein Portal für globale Tastenkürzel, und das direkte Lesen von Tastaturen und Mäusen ist ausgeschaltet.</translation>
    </message>
    <message id="HotKeysUnavailableElsewhere">
        <source>Hot keys do not work in this session: Trundle cannot read key and button releases from the window system (%1).</source>
        <extracomment>notification text and line above the hot-key column without a usable X server; %1 is the technical reason, in English</extracomment>
        <translation>Tastenkürzel funktionieren in dieser Sitzung nicht: Trundle kann vom Fenstersystem nicht erfahren, wann Tasten und Maustasten losgelassen werden (%1).</translation>
    </message>
    <message id="AboutWindowWindowTitle">
        <source>About Trundle</source>
        <translation>Über Trundle</translation>
    </message>
    <message id="AboutWindowGoToHomeButtonTitle">
        <source>Home Page</source>
        <translation>Startseite</translation>
    </message>
    <message id="AboutWindowDonateButtonTitle">
        <source>Donate…</source>
        <translation>Spenden…</translation>
    </message>
</context>
</TS>
