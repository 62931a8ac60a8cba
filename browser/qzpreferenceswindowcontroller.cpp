#include "qzpreferenceswindowcontroller.h"

#include "filebrowserdatasource.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "shortcuttable.h"

#include "ui_QZPreferencesWindow.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QShortcut>
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
    _shortcutsBox = m_ui->_shortcutsBox;
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

    // Escape closes the window like its close button; an open shortcut pop-up takes Escape
    // for itself first.
    auto *escape = new QShortcut(QKeySequence::Cancel, m_window.get());
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, m_window.get(), &QWidget::close);

    m_window->installEventFilter(this);
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
    _shortcutsBox->setTitle(localizedString(QStringLiteral("PreferencesWindowBoxShortcuts")));

    // The header texts live in the model, which a Qt view takes them from.
    setColumnTitle(_foldersColumn,
                   localizedString(QStringLiteral("PreferencesWindowColumnFolders")));
    setColumnTitle(_shortcutsColumn,
                   localizedString(QStringLiteral("PreferencesWindowColumnShortcuts")));

    const PlistValue debugLogging = storedDebugLogging();
    QZLog("kDebugLoggingSettingKey value: %@", debugLogging);
    _debugLoggingCheckbox->setChecked(debugLogging.integerValue() != 0);

    _fileBrowserDataSource->initOutline();
    layOutColumns();

    // Opening writes the store back once, so the file always matches what the window shows.
    settingChanged(this);

    m_window->show();
    m_window->raise();
    m_window->activateWindow();

    _fileBrowserDataSource->logSomeThing();
    QZLog("Done");
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

void QZPreferencesWindowController::layOutColumns()
{
    // The script names take the room that is left; the hot-key column keeps the width its
    // pop-up needs.
    QHeaderView *header = _fileBrowserOutlineView->header();
    if (header->count() <= _shortcutsColumn)
        return;
    header->setStretchLastSection(false);
    header->setSectionResizeMode(_foldersColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(_shortcutsColumn, QHeaderView::Interactive);
    // As wide as the widest hot-key title in a pop-up, measured on a pop-up of the same style.
    QComboBox probe;
    for (int shortcutID = 0; shortcutID < hotKeyCount(); ++shortcutID)
        probe.addItem(titleForShortcutID(shortcutID));
    probe.setFont(_fileBrowserOutlineView->font());
    header->resizeSection(_shortcutsColumn, qMax(header->sectionSizeHint(_shortcutsColumn),
                                                 probe.sizeHint().width()));
}

bool QZPreferencesWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_closeNotified) {
        m_closeNotified = true;
        windowWillClose();
        emit windowWillCloseNotification();
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
