<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name></name>
    <message id="MenuScriptsSubMenu">
        <source>Scripts</source>
        <extracomment>status menu item that carries the scripts submenu</extracomment>
        <translation>Scripts</translation>
    </message>
    <message id="MenuPreferences">
        <source>Preferences…</source>
        <extracomment>status menu command; menu validation compares this title</extracomment>
        <translation>Preferences…</translation>
    </message>
    <message id="MenuAbout">
        <source>About Trundle</source>
        <extracomment>status menu command; menu validation compares this title</extracomment>
        <translation>About Trundle</translation>
    </message>
    <message id="MenuQuit">
        <source>Quit Trundle</source>
        <extracomment>status menu command; menu validation compares this title</extracomment>
        <translation>Quit Trundle</translation>
    </message>
    <message id="MenuFile">
        <source>&amp;File</source>
        <extracomment>the browser window's menu of window commands</extracomment>
        <translation>&amp;File</translation>
    </message>
    <message id="MenuPageSetup">
        <source>Page Set&amp;up…</source>
        <extracomment>File menu command</extracomment>
        <translation>Page Set&amp;up…</translation>
    </message>
    <message id="MenuPrint">
        <source>&amp;Print…</source>
        <extracomment>File menu command, always disabled: there is nothing to print</extracomment>
        <translation>&amp;Print…</translation>
    </message>
    <message id="MenuCloseWindow">
        <source>&amp;Close Window</source>
        <extracomment>File menu command</extracomment>
        <translation>&amp;Close Window</translation>
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
    <message id="HotKeyScriptMissing">
        <source>%1 (script missing: %2)</source>
        <extracomment>hot-key pop-up item of a key whose script is gone: key title, script path</extracomment>
        <translation>%1 (script missing: %2)</translation>
    </message>
    <message id="HotKeyNone">
        <source>None</source>
        <extracomment>pop-up title of folder rows</extracomment>
        <translation>None</translation>
    </message>
    <message id="HotKey0">
        <source>None</source>
        <extracomment>title of hot-key ID 0</extracomment>
        <translation>None</translation>
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
        <translation>Left Button</translation>
    </message>
    <message id="HotKey14">
        <source>Right Button</source>
        <extracomment>title of hot-key ID 14</extracomment>
        <translation>Right Button</translation>
    </message>
    <message id="HotKey15">
        <source>Middle Button</source>
        <extracomment>title of hot-key ID 15</extracomment>
        <translation>Middle Button</translation>
    </message>
    <message id="HotKey16">
        <source>Back Button</source>
        <extracomment>title of hot-key ID 16</extracomment>
        <translation>Back Button</translation>
    </message>
    <message id="HotKey17">
        <source>Forward Button</source>
        <extracomment>title of hot-key ID 17</extracomment>
        <translation>Forward Button</translation>
    </message>
    <message id="HotKey18">
        <source>Button 6</source>
        <extracomment>title of hot-key ID 18</extracomment>
        <translation>Button 6</translation>
    </message>
    <message id="HotKey19">
        <source>Button 7</source>
        <extracomment>title of hot-key ID 19</extracomment>
        <translation>Button 7</translation>
    </message>
    <message id="DefaultPathPlatzhalterDings">
        <source>(no path)</source>
        <extracomment>browser text of a row without a file</extracomment>
        <translation>(no path)</translation>
    </message>
    <message id="PreferencesWindowTitle">
        <source>Trundle Preferences</source>
        <translation>Trundle Preferences</translation>
    </message>
    <message id="PreferencesWindowBoxDeveloper">
        <source>Developer</source>
        <translation>Developer</translation>
    </message>
    <message id="PreferencesWindowDebugLoggingButtonTitle">
        <source>Write a &amp;debug log to standard error</source>
        <translation>Write a &amp;debug log to standard error</translation>
    </message>
    <message id="PreferencesWindowReadInputDevicesButtonTitle">
        <source>&amp;Read keyboards and mice directly</source>
        <translation>&amp;Read keyboards and mice directly</translation>
    </message>
    <message id="PreferencesWindowReadInputDevicesToolTip">
        <source>Hot keys from /dev/input, also under Wayland. Needs membership of the input group, whose members can read every key typed on this machine, passwords included. Takes effect at the next start.</source>
        <translation>Hot keys from /dev/input, also under Wayland. Needs membership of the input group, whose members can read every key typed on this machine, passwords included. Takes effect at the next start.</translation>
    </message>
    <message id="PreferencesWindowBoxShortcuts">
        <source>Hot Keys</source>
        <translation>Hot Keys</translation>
    </message>
    <message id="PreferencesWindowColumnFolders">
        <source>Scripts</source>
        <translation>Scripts</translation>
    </message>
    <message id="PreferencesWindowColumnShortcuts">
        <source>Hot Key</source>
        <translation>Hot Key</translation>
    </message>
    <message id="HotKeysUnavailableTitle">
        <source>Trundle: hot keys do not work</source>
        <extracomment>title of the desktop notification said once when no source can deliver hot keys</extracomment>
        <translation>Trundle: hot keys do not work</translation>
    </message>
    <message id="HotKeysUnavailableWayland">
        <source>Hot keys do not work in this Wayland session: there is no global-shortcuts portal, and reading keyboards and mice directly is off.</source>
        <extracomment>notification text and line above the hot-key column in a Wayland session</extracomment>
        <translation>Hot keys do not work in this Wayland session: there is no global-shortcuts portal, and reading keyboards and mice directly is off.</translation>
    </message>
    <message id="HotKeysUnavailableElsewhere">
        <source>Hot keys do not work in this session: Trundle cannot read key and button releases from the window system (%1).</source>
        <extracomment>notification text and line above the hot-key column without a usable X server; %1 is the technical reason, in English</extracomment>
        <translation>Hot keys do not work in this session: Trundle cannot read key and button releases from the window system (%1).</translation>
    </message>
    <message id="HotKeysThroughX11">
        <source>Hot keys work in this session: Trundle reads them from the X server.</source>
        <extracomment>line above the hot-key column in an X11 session</extracomment>
        <translation>Hot keys work in this session: Trundle reads them from the X server.</translation>
    </message>
    <message id="HotKeysThroughPortal">
        <source>Hot keys work through the desktop's shortcuts portal, whose settings may let you pick other keys for them. Mouse buttons cannot go through the portal: they need “Read keyboards and mice directly”.</source>
        <extracomment>line above the hot-key column when the global-shortcuts portal delivers them</extracomment>
        <translation>Hot keys work through the desktop's shortcuts portal, whose settings may let you pick other keys for them. Mouse buttons cannot go through the portal: they need “Read keyboards and mice directly”.</translation>
    </message>
    <message id="HotKeysThroughInputDevices">
        <source>Hot keys work: Trundle reads them from the keyboards and mice in /dev/input.</source>
        <extracomment>line above the hot-key column when the input-device reader delivers them</extracomment>
        <translation>Hot keys work: Trundle reads them from the keyboards and mice in /dev/input.</translation>
    </message>
    <message id="HotKeysPortalStarting">
        <source>Asking the desktop's shortcuts portal for the hot keys…</source>
        <extracomment>line above the hot-key column while the portal has not answered yet</extracomment>
        <translation>Asking the desktop's shortcuts portal for the hot keys…</translation>
    </message>
    <message id="HotKeysPortalRefused">
        <source>Hot keys do not work in this session: %1. Picking a hot key in the preferences window asks the desktop again.</source>
        <extracomment>notification text and line above the hot-key column; %1 is the technical reason, in English</extracomment>
        <translation>Hot keys do not work in this session: %1. Picking a hot key in the preferences window asks the desktop again.</translation>
    </message>
    <message id="HotKeyArmedThroughX11">
        <source>F%1 works: Trundle reads it from the X server.</source>
        <extracomment>line for one bound key above the hot-key column; %1 is the function key's number</extracomment>
        <translation>F%1 works: Trundle reads it from the X server.</translation>
    </message>
    <message id="HotKeyArmedThroughPortal">
        <source>F%1 works through the desktop's shortcuts portal, which triggers it with %2.</source>
        <extracomment>line for one bound key; %1 is the function key's number, %2 the key the desktop says triggers it</extracomment>
        <translation>F%1 works through the desktop's shortcuts portal, which triggers it with %2.</translation>
    </message>
    <message id="HotKeyArmedThroughInputDevices">
        <source>F%1 works: Trundle reads it from the keyboards in /dev/input.</source>
        <extracomment>line for one bound key; %1 is the function key's number</extracomment>
        <translation>F%1 works: Trundle reads it from the keyboards in /dev/input.</translation>
    </message>
    <message id="HotKeyAsking">
        <source>F%1: asking the desktop…</source>
        <extracomment>line for one bound key while the desktop has not answered; %1 is the function key's number</extracomment>
        <translation>F%1: asking the desktop…</translation>
    </message>
    <message id="HotKeyNotArmed">
        <source>F%1 does not work: %2.</source>
        <extracomment>line for one bound key; %1 is the function key's number, %2 the technical reason, in English</extracomment>
        <translation>F%1 does not work: %2.</translation>
    </message>
    <message id="HotKeyPortalDescription">
        <source>Run %1</source>
        <extracomment>what the desktop's shortcuts dialog shows for a hot key; %1 is the script's file name</extracomment>
        <translation>Run %1</translation>
    </message>
    <message id="AboutWindowWindowTitle">
        <source>About Trundle</source>
        <translation>About Trundle</translation>
    </message>
    <message id="AboutWindowGoToHomeButtonTitle">
        <source>Home Page</source>
        <translation>Home Page</translation>
    </message>
    <message id="AboutWindowDonateButtonTitle">
        <source>Donate…</source>
        <translation>Donate…</translation>
    </message>
    <message id="RunFailedTitle">
        <source>Trundle: %1 failed</source>
        <extracomment>notification title for a script that ended with an error or was killed; %1 is the file name</extracomment>
        <translation>Trundle: %1 failed</translation>
    </message>
    <message id="RunFailedCannotStartTitle">
        <source>Trundle: %1 could not be run</source>
        <extracomment>notification title for a script that could not be started; %1 is the file name</extracomment>
        <translation>Trundle: %1 could not be run</translation>
    </message>
    <message id="RunFailedNotFound">
        <source>There is no file %1.</source>
        <extracomment>notification text; %1 is the script's full path</extracomment>
        <translation>There is no file %1.</translation>
    </message>
    <message id="RunFailedIsFolder">
        <source>%1 is a folder, not a script.</source>
        <extracomment>notification text; %1 is the full path</extracomment>
        <translation>%1 is a folder, not a script.</translation>
    </message>
    <message id="RunFailedNotExecutable">
        <source>%1 is not executable. To make it executable, run: %2</source>
        <extracomment>notification text; %1 is the file name, %2 the command that fixes it (chmod +x with the quoted path)</extracomment>
        <translation>%1 is not executable. To make it executable, run: %2</translation>
    </message>
    <message id="RunFailedInterpreterMissing">
        <source>The interpreter named on its #! line, %1, does not exist.</source>
        <extracomment>notification text; %1 is the interpreter's path, quoted</extracomment>
        <translation>The interpreter named on its #! line, %1, does not exist.</translation>
    </message>
    <message id="RunFailedWindowsLineEndings">
        <source>The line ends in a carriage return: the file has Windows line endings.</source>
        <extracomment>added to RunFailedInterpreterMissing when the #! line ends in CR</extracomment>
        <translation>The line ends in a carriage return: the file has Windows line endings.</translation>
    </message>
    <message id="RunFailedCouldNotStart">
        <source>No shell could be started for it: %1</source>
        <extracomment>notification text; %1 is the system's reason, in English</extracomment>
        <translation>No shell could be started for it: %1</translation>
    </message>
    <message id="RunFailedExitStatus">
        <source>It ended with exit status %1.</source>
        <extracomment>notification text; %1 is the number</extracomment>
        <translation>It ended with exit status %1.</translation>
    </message>
    <message id="RunFailedStatusLost">
        <source>It ended, but its exit status was collected elsewhere and is unknown.</source>
        <extracomment>notification text for a run whose shell was reaped by another part of the system</extracomment>
        <translation>It ended, but its exit status was collected elsewhere and is unknown.</translation>
    </message>
    <message id="RunFailedSignal">
        <source>It was ended by signal %1 (%2).</source>
        <extracomment>notification text; %1 is the signal's number, %2 its description</extracomment>
        <translation>It was ended by signal %1 (%2).</translation>
    </message>
    <message id="RunFailedOutputHeading">
        <source>Its last lines of output:</source>
        <extracomment>heading of the output lines in a failure notification</extracomment>
        <translation>Its last lines of output:</translation>
    </message>
    <message id="PreferencesWindowBoxRuns">
        <source>Script runs</source>
        <translation>Script runs</translation>
    </message>
    <message id="PreferencesWindowNotifyFailedRunsButtonTitle">
        <source>&amp;Notify me when a script cannot be run or fails</source>
        <translation>&amp;Notify me when a script cannot be run or fails</translation>
    </message>
    <message id="RecentRunsTitle">
        <source>&amp;Recent Runs</source>
        <extracomment>heading of the browser window's pane listing the last runs; the letter after &amp; (Alt+letter) moves the focus into the list</extracomment>
        <translation>&amp;Recent Runs</translation>
    </message>
    <message id="RecentRunsColumnTime">
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message id="RecentRunsColumnRoad">
        <source>Started by</source>
        <translation>Started by</translation>
    </message>
    <message id="RecentRunsColumnScript">
        <source>Script</source>
        <translation>Script</translation>
    </message>
    <message id="RecentRunsColumnDuration">
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message id="RecentRunsColumnStatus">
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message id="RecentRunsRoadHotKey">
        <source>hot key</source>
        <translation>hot key</translation>
    </message>
    <message id="RecentRunsRoadMenu">
        <source>menu</source>
        <translation>menu</translation>
    </message>
    <message id="RecentRunsRoadDoubleClick">
        <source>double click</source>
        <translation>double click</translation>
    </message>
    <message id="RecentRunsDuration">
        <source>%1 s</source>
        <extracomment>duration column; %1 is the number of seconds with one decimal</extracomment>
        <translation>%1 s</translation>
    </message>
    <message id="RecentRunsStatusSucceeded">
        <source>OK</source>
        <extracomment>status column of a run that ended with status 0</extracomment>
        <translation>OK</translation>
    </message>
    <message id="RecentRunsStatusExit">
        <source>exit %1</source>
        <extracomment>status column; %1 is the exit status</extracomment>
        <translation>exit %1</translation>
    </message>
    <message id="RecentRunsStatusSignal">
        <source>signal %1</source>
        <extracomment>status column; %1 is the signal's number</extracomment>
        <translation>signal %1</translation>
    </message>
    <message id="RecentRunsStatusStopped">
        <source>stopped</source>
        <extracomment>status column of a run the user stopped</extracomment>
        <translation>stopped</translation>
    </message>
    <message id="RecentRunsStatusNotStarted">
        <source>not started</source>
        <extracomment>status column of a run that no shell could be started for</extracomment>
        <translation>not started</translation>
    </message>
    <message id="RecentRunsStatusLost">
        <source>ended, status unknown</source>
        <extracomment>status column of a run whose exit status was lost</extracomment>
        <translation>ended, status unknown</translation>
    </message>
    <message id="RecentRunsNoOutput">
        <source>(The script printed nothing.)</source>
        <extracomment>output pane of a run without output</extracomment>
        <translation>(The script printed nothing.)</translation>
    </message>
    <message id="RecentRunsOutputNotText">
        <source>(The output is not UTF-8 text.)</source>
        <extracomment>output pane of a run whose output could not be decoded</extracomment>
        <translation>(The output is not UTF-8 text.)</translation>
    </message>
    <message id="RecentRunsChooseRun">
        <source>Choose a run to see its output.</source>
        <extracomment>output pane while no run is selected</extracomment>
        <translation>Choose a run to see its output.</translation>
    </message>
    <message id="InstanceDidNotAnswer">
        <source>Trundle is already running (process %1), but it did not answer within %2 seconds, so its window cannot be shown.</source>
        <extracomment>standard error of a second start; %1 process ID, %2 seconds</extracomment>
        <translation>Trundle is already running (process %1), but it did not answer within %2 seconds, so its window cannot be shown.</translation>
    </message>
    <message id="RecentRunsStatusNotFound">
        <source>not found</source>
        <translation>not found</translation>
    </message>
    <message id="RecentRunsStatusNotExecutable">
        <source>not executable</source>
        <translation>not executable</translation>
    </message>
    <message id="RecentRunsStatusFolder">
        <source>a folder</source>
        <translation>a folder</translation>
    </message>
    <message id="RecentRunsStatusInterpreterMissing">
        <source>bad #! line</source>
        <translation>bad #! line</translation>
    </message>
    <message id="HotKeyTakenBy">
        <source>%1 — %2</source>
        <extracomment>hot-key pop-up item of a key another script holds: key title, script name</extracomment>
        <translation>%1 — %2</translation>
    </message>
    <message id="HotKeyMoved">
        <source>%1 moved from %2 to %3.</source>
        <extracomment>a hot key went from one script to another: key title, old script, new script</extracomment>
        <translation>%1 moved from %2 to %3.</translation>
    </message>
    <message id="HotKeyFolderBinding">
        <source>%1 is bound to the folder %2 and does nothing: only scripts can have a hot key. Choose a script for %1.</source>
        <extracomment>preferences window line for a key an older version bound to a folder: key title, folder path</extracomment>
        <translation>%1 is bound to the folder %2 and does nothing: only scripts can have a hot key. Choose a script for %1.</translation>
    </message>
    <message id="HotKeyLeftButtonTitle">
        <source>Bind the Left Button?</source>
        <extracomment>title of the question before binding the left mouse button</extracomment>
        <translation>Bind the Left Button?</translation>
    </message>
    <message id="HotKeyLeftButtonText">
        <source>The Left Button fires at every left click, in every application: %1 would run each time you click.</source>
        <extracomment>question before binding the left mouse button: %1 script name</extracomment>
        <translation>The Left Button fires at every left click, in every application: %1 would run each time you click.</translation>
    </message>
    <message id="HotKeyLeftButtonBind">
        <source>&amp;Bind Left Button</source>
        <extracomment>button that binds the left mouse button</extracomment>
        <translation>&amp;Bind Left Button</translation>
    </message>
    <message id="HotKeyLeftButtonCancel">
        <source>Cancel</source>
        <extracomment>button that keeps the old hot key</extracomment>
        <translation>Cancel</translation>
    </message>
    <message id="ProgressPanelTitle">
        <source>Running script</source>
        <extracomment>title of the progress panel</extracomment>
        <translation>Running script</translation>
    </message>
    <message id="ProgressPanelRunning">
        <source>Running %1</source>
        <extracomment>progress panel heading; %1 is the script's file name</extracomment>
        <translation>Running %1</translation>
    </message>
    <message id="ProgressPanelNoOutput">
        <source>No output yet.</source>
        <extracomment>progress panel, before the script has printed anything</extracomment>
        <translation>No output yet.</translation>
    </message>
    <message id="ProgressPanelStop">
        <source>Stop</source>
        <extracomment>progress panel button that stops the running script</extracomment>
        <translation>Stop</translation>
    </message>
    <message id="TrayMenuShowBrowser">
        <source>&amp;Show Script Browser</source>
        <extracomment>tray menu: the first item, shows the browser window</extracomment>
        <translation>&amp;Show Script Browser</translation>
    </message>
    <message id="TrayMenuStop">
        <source>S&amp;top %1</source>
        <extracomment>tray menu while a script runs: %1 is the script's name</extracomment>
        <translation>S&amp;top %1</translation>
    </message>
    <message id="TrayMenuScripts">
        <source>Sc&amp;ripts</source>
        <extracomment>tray menu: the scripts submenu (MenuScriptsSubMenu with a mnemonic)</extracomment>
        <translation>Sc&amp;ripts</translation>
    </message>
    <message id="TrayMenuPreferences">
        <source>&amp;Preferences…</source>
        <extracomment>tray menu: MenuPreferences with a mnemonic; the same title without the marker</extracomment>
        <translation>&amp;Preferences…</translation>
    </message>
    <message id="TrayMenuAbout">
        <source>&amp;About Trundle</source>
        <extracomment>tray menu: MenuAbout with a mnemonic; the same title without the marker</extracomment>
        <translation>&amp;About Trundle</translation>
    </message>
    <message id="TrayMenuQuit">
        <source>&amp;Quit Trundle</source>
        <extracomment>tray menu: MenuQuit with a mnemonic; the same title without the marker</extracomment>
        <translation>&amp;Quit Trundle</translation>
    </message>
    <message id="TrayToolTipRunning">
        <source>Trundle — running %1</source>
        <extracomment>tray icon tool tip while a script runs: %1 is its name</extracomment>
        <translation>Trundle — running %1</translation>
    </message>
    <message id="QuitWhileRunningTitle">
        <source>“%1” is still running.</source>
        <extracomment>asked on Quit during a run: %1 is the script's name</extracomment>
        <translation>“%1” is still running.</translation>
    </message>
    <message id="QuitWhileRunningText">
        <source>Quitting stops the script and everything it started.</source>
        <extracomment>asked on Quit during a run</extracomment>
        <translation>Quitting stops the script and everything it started.</translation>
    </message>
    <message id="QuitWhileRunningStop">
        <source>&amp;Stop Script and Quit</source>
        <extracomment>button of the question on Quit during a run</extracomment>
        <translation>&amp;Stop Script and Quit</translation>
    </message>
    <message id="MenuBarAbout">
        <source>&amp;About Trundle</source>
        <extracomment>browser menu bar command; '&amp;' marks the mnemonic; the same title as MenuAbout without it</extracomment>
        <translation>&amp;About Trundle</translation>
    </message>
    <message id="MenuBarPreferences">
        <source>&amp;Preferences…</source>
        <extracomment>browser menu bar command; '&amp;' marks the mnemonic; the same title as MenuPreferences without it</extracomment>
        <translation>&amp;Preferences…</translation>
    </message>
    <message id="MenuBarQuit">
        <source>&amp;Quit Trundle</source>
        <extracomment>browser menu bar command; '&amp;' marks the mnemonic; the same title as MenuQuit without it</extracomment>
        <translation>&amp;Quit Trundle</translation>
    </message>
    <message id="MenuNewScript">
        <source>&amp;New Script…</source>
        <extracomment>File menu command: asks for a name and creates an executable script</extracomment>
        <translation>&amp;New Script…</translation>
    </message>
    <message id="MenuOpenScriptsFolder">
        <source>&amp;Open Scripts Folder</source>
        <extracomment>File menu command: opens ~/Library/Scripts in the file manager</extracomment>
        <translation>&amp;Open Scripts Folder</translation>
    </message>
    <message id="ContextMenuRun">
        <source>&amp;Run</source>
        <extracomment>context menu of a script row</extracomment>
        <translation>&amp;Run</translation>
    </message>
    <message id="ContextMenuEdit">
        <source>&amp;Edit</source>
        <extracomment>context menu of a script row: opens the script in the text editor</extracomment>
        <translation>&amp;Edit</translation>
    </message>
    <message id="ContextMenuShowInFileManager">
        <source>Show in &amp;File Manager</source>
        <extracomment>context menu of a script row</extracomment>
        <translation>Show in &amp;File Manager</translation>
    </message>
    <message id="ContextMenuCopyPath">
        <source>&amp;Copy Path</source>
        <extracomment>context menu of a script row: copies the full path</extracomment>
        <translation>&amp;Copy Path</translation>
    </message>
    <message id="ContextMenuMakeExecutable">
        <source>Make E&amp;xecutable</source>
        <extracomment>context menu of a script row without the execute bit</extracomment>
        <translation>Make E&amp;xecutable</translation>
    </message>
    <message id="ContextMenuRemoveHotKey">
        <source>Remove &amp;Hot Key</source>
        <extracomment>context menu of a script row with a hot key</extracomment>
        <translation>Remove &amp;Hot Key</translation>
    </message>
    <message id="ContextMenuOpen">
        <source>&amp;Open</source>
        <extracomment>context menu of a folder row: opens it in the file manager</extracomment>
        <translation>&amp;Open</translation>
    </message>
    <message id="ContextMenuNewScript">
        <source>&amp;New Script…</source>
        <extracomment>context menu of a folder row</extracomment>
        <translation>&amp;New Script…</translation>
    </message>
    <message id="NewScriptTitle">
        <source>New Script</source>
        <extracomment>title of the dialog that asks for a new script's name</extracomment>
        <translation>New Script</translation>
    </message>
    <message id="NewScriptPrompt">
        <source>Name of the new script in %1:</source>
        <extracomment>%1: the folder</extracomment>
        <translation>Name of the new script in %1:</translation>
    </message>
    <message id="NewScriptComment">
        <source>A new Trundle script: write its commands below.</source>
        <extracomment>the comment line of a new script, after the #! line</extracomment>
        <translation>A new Trundle script: write its commands below.</translation>
    </message>
    <message id="NewScriptNameEmpty">
        <source>Please type a name for the script.</source>
        <extracomment>a new script's name was empty</extracomment>
        <translation>Please type a name for the script.</translation>
    </message>
    <message id="NewScriptNameSlash">
        <source>A script's name cannot contain “/”. Please choose another name.</source>
        <extracomment>a new script's name had a slash</extracomment>
        <translation>A script's name cannot contain “/”. Please choose another name.</translation>
    </message>
    <message id="NewScriptNameDots">
        <source>“.” and “..” name folders, not scripts. Please choose another name.</source>
        <extracomment>a new script's name was . or ..</extracomment>
        <translation>“.” and “..” name folders, not scripts. Please choose another name.</translation>
    </message>
    <message id="NewScriptNameHidden">
        <source>A name that starts with “.” makes a hidden file, which the menus do not show. Please choose another name.</source>
        <extracomment>a new script's name began with a dot</extracomment>
        <translation>A name that starts with “.” makes a hidden file, which the menus do not show. Please choose another name.</translation>
    </message>
    <message id="NewScriptNameTaken">
        <source>“%1” already exists in this folder. Please choose another name; the existing file is left as it is.</source>
        <extracomment>%1: the name</extracomment>
        <translation>“%1” already exists in this folder. Please choose another name; the existing file is left as it is.</translation>
    </message>
    <message id="NewScriptCannotCreate">
        <source>The script %1 cannot be created: %2.</source>
        <extracomment>%1: the path, %2: the system's reason</extracomment>
        <translation>The script %1 cannot be created: %2.</translation>
    </message>
    <message id="MakeExecutableFailedTitle">
        <source>Make Executable</source>
        <extracomment>title of the message when the execute bit cannot be set</extracomment>
        <translation>Make Executable</translation>
    </message>
    <message id="MakeExecutableFailed">
        <source>%1 cannot be made executable: %2.</source>
        <extracomment>%1: the path, %2: the system's reason</extracomment>
        <translation>%1 cannot be made executable: %2.</translation>
    </message>
    <message id="EditFailedTitle">
        <source>Edit</source>
        <extracomment>title of the message when no editor can be started</extracomment>
        <translation>Edit</translation>
    </message>
    <message id="EditFailedNoEditor">
        <source>No text editor is set for plain text files, so %1 cannot be opened for editing. Choose one in your desktop's default applications (for example: xdg-mime default org.gnome.TextEditor.desktop text/plain).</source>
        <extracomment>%1: the script's path</extracomment>
        <translation>No text editor is set for plain text files, so %1 cannot be opened for editing. Choose one in your desktop's default applications (for example: xdg-mime default org.gnome.TextEditor.desktop text/plain).</translation>
    </message>
    <message id="EditFailedLaunch">
        <source>%1 could not be opened in the text editor (%2): its launcher failed. Check that the editor your desktop names for plain text files is installed.</source>
        <extracomment>%1: the script's path, %2: the editor's desktop entry</extracomment>
        <translation>%1 could not be opened in the text editor (%2): its launcher failed. Check that the editor your desktop names for plain text files is installed.</translation>
    </message>
    <message id="OpenFolderFailedTitle">
        <source>Open Folder</source>
        <extracomment>title of the message when a folder cannot be opened</extracomment>
        <translation>Open Folder</translation>
    </message>
    <message id="OpenFolderMissing">
        <source>The folder %1 does not exist.</source>
        <extracomment>%1: the folder</extracomment>
        <translation>The folder %1 does not exist.</translation>
    </message>
    <message id="OpenFolderNoFileManager">
        <source>No file manager could open %1.</source>
        <extracomment>%1: the folder</extracomment>
        <translation>No file manager could open %1.</translation>
    </message>
    <message id="PreferencesWindowReadInputDevicesExplanation">
        <source>Takes hot keys from the keyboards and mice themselves, also where the desktop offers no global keys. It means Trundle reads every key and button of every input device, passwords included. It needs membership of the input group, which lets every program you run do the same: tick it only if you trust that. Takes effect at the next start.</source>
        <extracomment>the wrapped line under the check box &quot;Read keyboards and mice directly&quot;</extracomment>
        <translation>Takes hot keys from the keyboards and mice themselves, also where the desktop offers no global keys. It means Trundle reads every key and button of every input device, passwords included. It needs membership of the input group, which lets every program you run do the same: tick it only if you trust that. Takes effect at the next start.</translation>
    </message>
    <message id="AboutWindowCreditsDocument">
        <source>Credits</source>
        <extracomment>the name of the About window's credits document in this language (Credits.html, Credits_de.html)</extracomment>
        <translation>Credits</translation>
    </message>
    <message id="BrowserFolderMissingTitle">
        <source>%1 (missing)</source>
        <extracomment>browser row of a script folder that does not exist; %1 is the folder, e.g. /Library/Scripts</extracomment>
        <translation>%1 (missing)</translation>
    </message>
    <message id="BrowserFolderMissingToolTip">
        <source>The folder %1 does not exist. To keep scripts there, create it with: %2</source>
        <extracomment>tool tip of a missing script folder; %1 the folder, %2 the command that creates it</extracomment>
        <translation>The folder %1 does not exist. To keep scripts there, create it with: %2</translation>
    </message>
    <message id="BrowserScriptNotExecutableToolTip">
        <source>%1 cannot run: it is not executable. To make it executable, run: %2</source>
        <extracomment>tool tip of a dimmed script; %1 its file name, %2 the command that fixes it (chmod +x with the quoted path)</extracomment>
        <translation>%1 cannot run: it is not executable. To make it executable, run: %2</translation>
    </message>
    <message id="AboutVersionAndCopyright">
        <source>Trundle %1, Copyright © 2026 The Trundle developers</source>
        <extracomment>the about window's line under the name; %1 is the version</extracomment>
        <translation>Trundle %1, Copyright © 2026 The Trundle developers</translation>
    </message>
</context>
</TS>
