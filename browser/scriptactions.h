// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The actions a user looks for on a script or a folder: the browser's context menus (Run, Edit,
// Show in File Manager, Copy Path, Make Executable, Remove Hot Key; Open and New Script… on
// folders) and the File menu's Open Scripts Folder and New Script…. The file operations behind
// them are free functions, so they can be tried without a window.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class FileBrowserDataSource;
class QMenu;
class QPoint;
class QWidget;

// What a new script starts with: the #! line and one line of comment.
QString newScriptContents();

// Why name cannot be the name of a new script in folder, as a sentence for the user, or the
// empty text when it can: an empty name, one with '/', "." and "..", a hidden name (the menus
// skip those), and a name that is taken.
QString newScriptNameProblem(const QString &folder, const QString &name);

// Creates the script name in folder, executable as the umask allows, and never over an existing
// file. Gives the new path, or the empty text with *error set to a sentence for the user.
QString createNewScript(const QString &folder, const QString &name, QString *error);

// The mode `chmod +x` gives a file of mode: the owner's execute bit always, the group's and
// others' where they may read it and the umask does not mask it.
mode_t executableMode(mode_t mode, mode_t umask);
// Whether the owner may not execute path (a file that exists; folders are never asked about).
bool lacksExecuteBit(const QString &path);
// Gives path the execute bits of executableMode. False with *error set when it cannot.
bool makeExecutable(const QString &path, QString *error);

// The desktop entry of the user's editor for text files ("org.gnome.TextEditor.desktop"), from
// `xdg-mime query default text/plain`; empty when the desktop names none.
QString defaultTextEditorEntry();

class ScriptActions : public QObject
{
    Q_OBJECT

public:
    // Gives the data source's outline view its context menu; the actions go with window.
    ScriptActions(FileBrowserDataSource *dataSource, QWidget *window);

    // Adds Open Scripts Folder and New Script… to a File menu.
    void addFileMenuItems(QMenu *fileMenu);

    // The context menu of the row under pos (outline view coordinates); null off the rows.
    QMenu *contextMenuAt(const QPoint &pos);

    void runScript(const QString &path);
    void editScript(const QString &path);
    void showInFileManager(const QString &path);
    void copyPath(const QString &path);
    void makeScriptExecutable(const QString &path);
    void removeHotKey(const QString &path);
    void openFolder(const QString &folder);
    // Asks for a name and creates the script in folder, then opens it for editing.
    void newScriptIn(const QString &folder);

private:
    // The folder for New Script…: the selected folder, the folder of the selected script, or
    // ~/Library/Scripts.
    QString folderForNewScript() const;
    // Opens path with the first launcher of launchers that is installed (each a command line
    // that starts the editor's desktop entry, entry); tells the user when none works.
    void startEditor(const QString &path, const QString &entry, QList<QStringList> launchers);
    void tellUser(const QString &title, const QString &message);

    FileBrowserDataSource *m_dataSource;
    QWidget *m_window;
};
