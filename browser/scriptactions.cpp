// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptactions.h"

#include "filebrowserdatasource.h"
#include "filesystemitem.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "shortcuttable.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTreeView>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString text(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

mode_t currentUmask()
{
    // umask() only answers by setting; set it back at once (the program has no threads that
    // create files meanwhile).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A title for a menu: a text table entry, its '&' marking the mnemonic.
QAction *addItem(QMenu *menu, const char *key)
{
    return menu->addAction(text(key));
}

} // namespace

QString newScriptContents()
{
    return QStringLiteral("#!/bin/sh\n# ") + text("NewScriptComment") + u'\n';
}

QString newScriptNameProblem(const QString &folder, const QString &name)
{
    if (name.trimmed().isEmpty())
        return text("NewScriptNameEmpty");
    if (name.contains(u'/'))
        return text("NewScriptNameSlash");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return text("NewScriptNameDots");
    if (name.startsWith(u'.'))
        return text("NewScriptNameHidden");
    if (name.contains(QChar(u'\0')))
        return text("NewScriptNameSlash");
    const QFileInfo existing(QDir(folder).filePath(name));
    if (existing.exists() || existing.isSymLink())
        return text("NewScriptNameTaken").arg(name);
    return {};
}

QString createNewScript(const QString &folder, const QString &name, QString *error)
{
    const QString problem = newScriptNameProblem(folder, name);
    if (!problem.isEmpty()) {
        *error = problem;
        return {};
    }
    QString path = QDir(folder).filePath(name);
    const QByteArray nativePath = QFile::encodeName(path);
    // O_EXCL: a file that appeared since the check above is left alone, never overwritten.
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0777);
    if (fd < 0) {
        const int saved = errno;
        *error = saved == EEXIST ? text("NewScriptNameTaken").arg(name)
                                 : text("NewScriptCannotCreate").arg(path, systemError(saved));
        return {};
    }
    const QByteArray contents = newScriptContents().toUtf8();
    const ssize_t written = ::write(fd, contents.constData(), contents.size());
    const int writeError = errno;
    ::close(fd);
    if (written != contents.size()) {
        // A short write leaves a broken script behind; it is ours and new, so it goes.
        ::unlink(nativePath.constData());
        *error =
            text("NewScriptCannotCreate").arg(path, systemError(written < 0 ? writeError : ENOSPC));
        return {};
    }
    QZLog("Created the new script %@", path);
    return path;
}

mode_t executableMode(mode_t mode, mode_t umask)
{
    mode_t result = mode | S_IXUSR;
    if ((mode & S_IRGRP) && !(umask & S_IXGRP))
        result |= S_IXGRP;
    if ((mode & S_IROTH) && !(umask & S_IXOTH))
        result |= S_IXOTH;
    return result;
}

bool lacksExecuteBit(const QString &path)
{
    // The browser's test for a dimmed script, so the action is offered on exactly those rows.
    return fileMayBeRun(path) == false;
}

bool makeExecutable(const QString &path, QString *error)
{
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(nativePath.constData(), &st) != 0 ||
        ::chmod(nativePath.constData(), executableMode(st.st_mode & 07777, currentUmask())) != 0) {
        *error = text("MakeExecutableFailed").arg(path, systemError(errno));
        return false;
    }
    QZLog("Made %@ executable", path);
    return true;
}

QString defaultTextEditorEntry()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    // A generous limit against a hanging helper; xdg-mime answers at once.
    if (!query.waitForFinished(10000) || query.exitStatus() != QProcess::NormalExit) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    QString entry = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    // One desktop file id, nothing else: the answer becomes an argument of gio.
    if (!entry.endsWith(QLatin1String(".desktop")) || entry.contains(u'/') || entry.contains(u'\n'))
        return {};
    return entry;
}

ScriptActions::ScriptActions(FileBrowserDataSource *dataSource, QWidget *window)
    : QObject(window), m_dataSource(dataSource), m_window(window)
{
    QTreeView *view = dataSource ? dataSource->_fileBrowserOutlineView : nullptr;
    if (!view)
        return;
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &pos) {
        if (QMenu *menu = contextMenuAt(pos)) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(view->viewport()->mapToGlobal(pos));
        }
    });
}

void ScriptActions::addFileMenuItems(QMenu *fileMenu)
{
    QAction *first = fileMenu->actions().value(0);
    QAction *openFolder = new QAction(text("MenuOpenScriptsFolder"), fileMenu);
    connect(openFolder, &QAction::triggered, this,
            [this] { this->openFolder(FileBrowserDataSource::userScriptsFolderPath()); });
    QAction *newScript = new QAction(text("MenuNewScript"), fileMenu);
    newScript->setShortcut(QKeySequence::New);
    connect(newScript, &QAction::triggered, this, [this] { newScriptIn(folderForNewScript()); });
    fileMenu->insertActions(first, {newScript, openFolder});
    fileMenu->insertSeparator(first);
}

QMenu *ScriptActions::contextMenuAt(const QPoint &pos)
{
    QTreeView *view = m_dataSource->_fileBrowserOutlineView;
    const QModelIndex index = view->indexAt(pos);
    FileSystemItem *item = index.isValid() ? m_dataSource->itemForIndex(index) : nullptr;
    // A missing root (no /Library/Scripts) offers nothing to act on.
    if (!item || item->fullPath().isEmpty() || !QFileInfo::exists(item->fullPath()))
        return nullptr;
    // The row the menu is for is the selected one, as after a click: Run goes the double
    // click's road, which runs the selected row.
    view->setCurrentIndex(index.siblingAtColumn(0));
    const QString path = item->fullPath();
    auto *menu = new QMenu(view);
    if (QFileInfo(path).isDir()) {
        connect(addItem(menu, "ContextMenuOpen"), &QAction::triggered, this,
                [this, path] { openFolder(path); });
        connect(addItem(menu, "ContextMenuNewScript"), &QAction::triggered, this,
                [this, path] { newScriptIn(path); });
        return menu;
    }
    connect(addItem(menu, "ContextMenuRun"), &QAction::triggered, this,
            [this, path] { runScript(path); });
    connect(addItem(menu, "ContextMenuEdit"), &QAction::triggered, this,
            [this, path] { editScript(path); });
    connect(addItem(menu, "ContextMenuShowInFileManager"), &QAction::triggered, this,
            [this, path] { showInFileManager(path); });
    connect(addItem(menu, "ContextMenuCopyPath"), &QAction::triggered, this,
            [this, path] { copyPath(path); });
    if (lacksExecuteBit(path))
        connect(addItem(menu, "ContextMenuMakeExecutable"), &QAction::triggered, this,
                [this, path] { makeScriptExecutable(path); });
    if (shortcutIDForFullPath(path) != defaultShortcutID()) {
        menu->addSeparator();
        connect(addItem(menu, "ContextMenuRemoveHotKey"), &QAction::triggered, this,
                [this, path] { removeHotKey(path); });
    }
    return menu;
}

void ScriptActions::runScript(const QString &path)
{
    QZLog("Running %@ from the context menu", path);
    m_dataSource->doubleClickAction();
}

void ScriptActions::editScript(const QString &path)
{
    // Not QDesktopServices::openUrl on the script: for a file with the execute bit some
    // desktops' openers (kde-open, exo-open, a file manager behind the portal) offer to run it,
    // and run-mailcap, xdg-open's last resort, may run it. The editor for plain text is asked
    // for by name and handed the file.
    const QString entry = defaultTextEditorEntry();
    const QString entryFile = entry.isEmpty()
                                  ? QString()
                                  : QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                           QStringLiteral("applications/") + entry);
    QZLog("Editing %@ with %@ (%@)", path, entry, entryFile);
    QList<QStringList> launchers;
    if (!entryFile.isEmpty())
        launchers.append({QStringLiteral("gio"), QStringLiteral("launch"), entryFile, path});
    if (!entry.isEmpty())
        launchers.append({QStringLiteral("gtk-launch"), entry, path});
    startEditor(path, entry, launchers);
}

void ScriptActions::startEditor(const QString &path, const QString &entry,
                                QList<QStringList> launchers)
{
    if (launchers.isEmpty()) {
        tellUser(text("EditFailedTitle"), text("EditFailedNoEditor").arg(path));
        return;
    }
    const QStringList command = launchers.takeFirst();
    auto *launch = new QProcess(this);
    // The editor inherits the launcher's output: no pipe of ours that closes under it.
    launch->setStandardOutputFile(QProcess::nullDevice());
    launch->setStandardErrorFile(QProcess::nullDevice());
    connect(launch, &QProcess::errorOccurred, this,
            [this, launch, path, entry, launchers](QProcess::ProcessError error) {
                if (error != QProcess::FailedToStart)
                    return;
                // This launcher is not installed: the next one.
                launch->deleteLater();
                startEditor(path, entry, launchers);
            });
    connect(launch, &QProcess::finished, this,
            [this, launch, path, entry](int status, QProcess::ExitStatus how) {
                launch->deleteLater();
                if (how != QProcess::NormalExit || status != 0)
                    tellUser(text("EditFailedTitle"), text("EditFailedLaunch").arg(path, entry));
            });
    launch->start(command.first(), command.mid(1));
}

void ScriptActions::showInFileManager(const QString &path)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QString folder = QFileInfo(path).absolutePath();
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, folder](QDBusPendingCallWatcher *) {
                watcher->deleteLater();
                if (!watcher->isError())
                    return;
                // No file manager that selects items: the folder, opened, is the next best.
                QZLog("ShowItems failed (%@); opening %@", watcher->error().message(), folder);
                openFolder(folder);
            });
}

void ScriptActions::copyPath(const QString &path)
{
    QGuiApplication::clipboard()->setText(path);
}

void ScriptActions::makeScriptExecutable(const QString &path)
{
    QString error;
    if (!makeExecutable(path, &error))
        tellUser(text("MakeExecutableFailedTitle"), error);
    // The row's look follows the file's mode at its next repaint.
    if (m_dataSource->_fileBrowserOutlineView)
        m_dataSource->_fileBrowserOutlineView->viewport()->update();
}

void ScriptActions::removeHotKey(const QString &path)
{
    FileSystemItem *item = m_dataSource->selectedItem();
    if (!item || item->fullPath() != path)
        return;
    // The pop-up's own road for "None": the table changes, is saved, and the rows repaint.
    m_dataSource->setObjectValue(PlistValue(qint64(defaultShortcutID())),
                                 FileBrowserDataSource::shortcutsColumnIdentifier, item);
}

void ScriptActions::openFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir()) {
        tellUser(text("OpenFolderFailedTitle"), text("OpenFolderMissing").arg(folder));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        tellUser(text("OpenFolderFailedTitle"), text("OpenFolderNoFileManager").arg(folder));
}

void ScriptActions::newScriptIn(const QString &folder)
{
    QString name =
        QInputDialog::getText(m_window, text("NewScriptTitle"), text("NewScriptPrompt").arg(folder),
                              QLineEdit::Normal, QStringLiteral("new-script.sh"));
    while (!name.isNull()) {
        QString error;
        const QString path = createNewScript(folder, name, &error);
        if (!path.isEmpty()) {
            editScript(path);
            return;
        }
        // Asked again with the name as typed, so nothing typed is lost.
        tellUser(text("NewScriptTitle"), error);
        name = QInputDialog::getText(m_window, text("NewScriptTitle"),
                                     text("NewScriptPrompt").arg(folder), QLineEdit::Normal, name);
    }
}

QString ScriptActions::folderForNewScript() const
{
    FileSystemItem *item = m_dataSource ? m_dataSource->selectedItem() : nullptr;
    if (item && !item->fullPath().isEmpty()) {
        const QFileInfo selected(item->fullPath());
        if (selected.isDir())
            return selected.absoluteFilePath();
        if (selected.exists())
            return selected.absolutePath();
    }
    return FileBrowserDataSource::userScriptsFolderPath();
}

void ScriptActions::tellUser(const QString &title, const QString &message)
{
    processLog("%@", message);
    QMessageBox::warning(m_window, title, message);
}
