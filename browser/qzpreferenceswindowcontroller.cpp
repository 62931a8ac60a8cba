// SPDX-License-Identifier: GPL-3.0-or-later
#include "qzpreferenceswindowcontroller.h"

#include "filebrowserdatasource.h"
#include "hotkeynotice.h"
#include "inputbackend.h"
#include "log.h"
#include "outlinekeyboard.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "runfailurenotice.h"
#include "shortcuttable.h"

#include "ui_QZPreferencesWindow.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeView>
#include <QWidget>

namespace {

const QString kWindowDescriptionName = QStringLiteral("QZPreferencesWindow");

// The stored switch, or null while there is no store.
PlistValue storedDebugLogging()
{
    return appGlobals ? appGlobals->objectForKey(kDebugLoggingSettingKey) : PlistValue();
}

} // namespace

QZPreferencesWindowController::QZPreferencesWindowController(const QString &windowNibName,
                                                             QObject *parent)
    : QObject(parent), m_windowNibName(windowNibName)
{
    QZLog("windowNibName: %@", windowNibName);
    // The window description is compiled into the program; a caller asking for another one gets
    // this window all the same, and the log says so.
    if (windowNibName != kWindowDescriptionName)
        processLog("There is no window description named \"%@\"; using \"%@\".", windowNibName,
                   kWindowDescriptionName);
}

QZPreferencesWindowController::~QZPreferencesWindowController()
{
    // The window goes first, while the data source that serves its outline view still exists;
    // no close notification is sent for a window that is torn down with its controller.
    if (m_window)
        m_window->removeEventFilter(this);
    m_window.reset();
    m_dataSource.reset();
}

QWidget *QZPreferencesWindowController::window()
{
    if (!m_window) {
        windowWillLoad();
        loadWindow();
        windowDidLoad();
    }
    return m_window.get();
}

void QZPreferencesWindowController::loadWindow()
{
    m_window = std::make_unique<QWidget>();
    m_ui = std::make_unique<Ui::QZPreferencesWindow>();
    m_ui->setupUi(m_window.get());

    _developerBox = m_ui->_developerBox;
    _debugLoggingCheckbox = m_ui->_debugLoggingCheckbox;
    _readInputDevicesCheckbox = m_ui->_readInputDevicesCheckbox;
    _shortcutsBox = m_ui->_shortcutsBox;
    _runsBox = m_ui->_runsBox;
    _notifyFailedRunsCheckbox = m_ui->_notifyFailedRunsCheckbox;
    _hotKeyStatusLabel = m_ui->_hotKeyStatusLabel;
    _fileBrowserOutlineView = m_ui->_fileBrowserOutlineView;

    // The browser's own data source, wired the way the main window wires its one. This window
    // has no progress panel: a script started here by a double click runs without one.
    m_dataSource = std::make_unique<FileBrowserDataSource>();
    _fileBrowserDataSource = m_dataSource.get();
    _fileBrowserDataSource->_fileBrowserOutlineView = _fileBrowserOutlineView;
    _fileBrowserDataSource->_fileBrowserScrollView = _fileBrowserOutlineView;
    _fileBrowserDataSource->_fileBrowserWindow = m_window.get();
    _fileBrowserDataSource->awakeFromNib();

    QObject::connect(_debugLoggingCheckbox, &QCheckBox::clicked, this,
                     [this] { settingChanged(_debugLoggingCheckbox); });
    QObject::connect(_readInputDevicesCheckbox, &QCheckBox::clicked, this, [this](bool ticked) {
        if (!appGlobals)
            return;
        appGlobals->setObject(PlistValue(ticked), kReadInputDevicesSettingKey);
        appGlobals->save();
    });
    QObject::connect(_notifyFailedRunsCheckbox, &QCheckBox::clicked, this, [](bool ticked) {
        if (!appGlobals)
            return;
        appGlobals->setObject(PlistValue(ticked), kNotifyFailedRunsSettingKey);
        appGlobals->save();
    });

    m_window->installEventFilter(this);
    // The view selects whole rows, so the arrow keys never reach the hot-key column: F2 and the
    // space bar open the current row's pop-up, Enter runs the script.
    OutlineKeyboard::install(_fileBrowserOutlineView, _fileBrowserDataSource);
}

void QZPreferencesWindowController::windowWillLoad()
{
    QZLog("Hi!");
}

void QZPreferencesWindowController::windowDidLoad()
{
    m_window->setWindowTitle(localizedString(QStringLiteral("PreferencesWindowTitle")));
    _developerBox->setTitle(localizedString(QStringLiteral("PreferencesWindowBoxDeveloper")));
    _debugLoggingCheckbox->setText(
        localizedString(QStringLiteral("PreferencesWindowDebugLoggingButtonTitle")));
    _readInputDevicesCheckbox->setText(
        localizedString(QStringLiteral("PreferencesWindowReadInputDevicesButtonTitle")));
    _readInputDevicesCheckbox->setToolTip(
        localizedString(QStringLiteral("PreferencesWindowReadInputDevicesToolTip")));
    // A trust decision: said in the window, not only in a tool tip.
    m_ui->_readInputDevicesExplanation->setText(
        localizedString(QStringLiteral("PreferencesWindowReadInputDevicesExplanation")));
    _readInputDevicesCheckbox->setChecked(
        appGlobals && appGlobals->objectForKey(kReadInputDevicesSettingKey).boolValue());
    _shortcutsBox->setTitle(localizedString(QStringLiteral("PreferencesWindowBoxShortcuts")));
    _runsBox->setTitle(localizedString(QStringLiteral("PreferencesWindowBoxRuns")));
    _notifyFailedRunsCheckbox->setText(
        localizedString(QStringLiteral("PreferencesWindowNotifyFailedRunsButtonTitle")));
    _notifyFailedRunsCheckbox->setChecked(RunFailureNotice::isEnabled());
    showHotKeyStatus();
    // The portal may answer, or refuse a binding, while the window is open.
    QObject::connect(platform::InputBackend::shared(), &platform::InputBackend::statusChanged,
                     _hotKeyStatusLabel, [this] { showHotKeyStatus(); });
    // A binding changed here or elsewhere: folder keys may be gone, a key may have moved.
    QObject::connect(ShortcutTableChanges::instance(), &ShortcutTableChanges::changed,
                     _hotKeyStatusLabel, [this] { showHotKeyStatus(); });
    QObject::connect(ShortcutTableChanges::instance(), &ShortcutTableChanges::keyMoved,
                     _hotKeyStatusLabel,
                     [this](qint64 shortcutID, const QString &from, const QString &to) {
                         m_lastKeyMove = keyMovedText(shortcutID, from, to);
                         showHotKeyStatus();
                     });

    // The header texts live in the model, which a Qt view takes them from.
    setColumnTitle(_foldersColumn,
                   localizedString(QStringLiteral("PreferencesWindowColumnFolders")));
    setColumnTitle(_shortcutsColumn,
                   localizedString(QStringLiteral("PreferencesWindowColumnShortcuts")));

    const PlistValue debugLogging = storedDebugLogging();
    QZLog("kDebugLoggingSettingKey value: %@", debugLogging);
    _debugLoggingCheckbox->setChecked(debugLogging.integerValue() != 0);

    _fileBrowserDataSource->initOutline();

    // Opening writes the store back once, so the file always matches what the window shows.
    settingChanged(this);

    m_window->show();
    m_window->raise();
    m_window->activateWindow();

    _fileBrowserDataSource->logSomeThing();
    QZLog("Done");
}

void QZPreferencesWindowController::showHotKeyStatus()
{
    // How hot keys reach Trundle and how each bound key stands, then the keys bound to folders
    // (kept in the file, never armed), then the last key that moved.
    QStringList lines{platform::hotKeyStatusText()};
    lines << folderBindingNotes() << m_lastKeyMove;
    lines.removeAll(QString());
    const QString status = lines.join(QLatin1Char('\n'));
    _hotKeyStatusLabel->setText(status);
    _hotKeyStatusLabel->setVisible(!status.isEmpty());
}

void QZPreferencesWindowController::setColumnTitle(int column, const QString &title)
{
    // A model that titles its columns itself from the same texts needs no help; one that
    // shows something else is told the title, and the log says when it refuses it.
    QAbstractItemModel *model = _fileBrowserDataSource->model();
    if (!model) {
        processLog("The preferences browser has no model to show the column title \"%@\".", title);
        return;
    }
    if (model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString() == title)
        return;
    if (!model->setHeaderData(column, Qt::Horizontal, title, Qt::DisplayRole))
        processLog("The preferences browser does not take the title \"%@\" for its column %d.",
                   title, column);
}

bool QZPreferencesWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_closeNotified) {
        m_closeNotified = true;
        windowWillClose();
        emit windowWillCloseNotification();
    }
    // Escape closes the window like its close button, once no widget in it wanted the key: a
    // shortcut would also fire for the Escape that closes an open pop-up.
    if (watched == m_window.get() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            m_window->close();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void QZPreferencesWindowController::windowWillClose()
{
    QZLog("Start");
    // Bindings made in the shortcuts column change the table in the store only; this save
    // brings them to the file.
    saveSettings();
}

void QZPreferencesWindowController::saveSettings()
{
    if (!appGlobals) {
        processLog("There is no settings store yet; the preferences window saves nothing.");
        return;
    }
    QZLog("kDebugLoggingSettingKey value: %@", appGlobals->objectForKey(kDebugLoggingSettingKey));
    QZLog("appGlobals (vorher): %@", appGlobals->description());
    const bool ticked =
        _debugLoggingCheckbox && _debugLoggingCheckbox->checkState() != Qt::Unchecked;
    appGlobals->setObject(PlistValue(ticked), kDebugLoggingSettingKey);
    QZLog("appGlobals (nachher): %@", appGlobals->description());
    appGlobals->save();
}

void QZPreferencesWindowController::settingChanged(QObject *sender)
{
    QZLog("sender: %p", static_cast<const void *>(sender));
    saveSettings();
}
