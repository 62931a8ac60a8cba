// SPDX-License-Identifier: GPL-3.0-or-later
#include "browserwindow.h"

#include "filebrowserdatasource.h"
#include "log.h"
#include "outlinekeyboard.h"
#include "recentrunsmodel.h"
#include "resources.h"
#include "runprogresspanel.h"
#include "scriptrunner.h"
#include "shortcuttable.h"

#include "ui_MainWindow.h"

#include <QDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>

BrowserWindow::BrowserWindow(QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::BrowserWindow>())
{
    m_ui->setupUi(this);

    m_ui->browserSplitter->setStretchFactor(0, 3);
    m_ui->browserSplitter->setStretchFactor(1, 2);
    fitBrowserWindowToScreen(this);
    m_ui->recentRunsBox->setTitle(localizedString(QStringLiteral("RecentRunsTitle")));
    m_recentRuns = new RecentRunsModel(this);
    QTableView *view = m_ui->recentRunsView;
    view->setModel(m_recentRuns);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    m_ui->recentRunOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_ui->recentRunOutput->setPlaceholderText(
        localizedString(QStringLiteral("RecentRunsChooseRun")));
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BrowserWindow::showSelectedRunOutput);
    connect(ScriptRunner::shared(), &ScriptRunner::runFinished, this, &BrowserWindow::addRecentRun);
    setUpHotKeyFeedback();
}

void BrowserWindow::setUpHotKeyFeedback()
{
    // Tab leaves both tables rather than walking their cells.
    m_ui->fileBrowserOutlineView->setTabKeyNavigation(false);
    m_ui->recentRunsView->setTabKeyNavigation(false);
    // A key taken from one script by another, in this window or the preferences, says so.
    connect(ShortcutTableChanges::instance(), &ShortcutTableChanges::keyMoved, this,
            [this](qint64 shortcutID, const QString &from, const QString &to) {
                statusBar()->showMessage(keyMovedText(shortcutID, from, to), keyMovedMessageMs);
            });
}

void BrowserWindow::addRecentRun(const ScriptRunResult &result)
{
    m_recentRuns->addRun(result);
    // The status column, the last, stretches to the edge.
    for (int column = 0; column < RecentRunsModel::StatusColumn; ++column)
        m_ui->recentRunsView->resizeColumnToContents(column);
    // The row as the table shows it, for whoever reads the debug log.
    QStringList cells;
    for (int column = 0; column < RecentRunsModel::ColumnCount; ++column)
        cells << m_recentRuns->index(0, column).data().toString();
    QZLog("Recent run: %@", cells.join(QStringLiteral(" | ")));
}

void BrowserWindow::showSelectedRunOutput()
{
    const QModelIndexList rows = m_ui->recentRunsView->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        m_ui->recentRunOutput->clear();
        return;
    }
    const int row = rows.first().row();
    m_ui->recentRunOutput->setPlainText(m_recentRuns->outputText(row));
    QZLog("Showing the output of the run of %@ (%@)", m_recentRuns->run(row).path,
          m_recentRuns->statusText(row));
}

BrowserWindow::~BrowserWindow() = default;

QTreeView *BrowserWindow::outlineView() const
{
    return m_ui->fileBrowserOutlineView;
}

QDialog *BrowserWindow::progressPanel() const
{
    return RunProgressPanel::shared();
}

QProgressBar *BrowserWindow::progressIndicator() const
{
    return RunProgressPanel::shared()->progressIndicator();
}

QPushButton *BrowserWindow::stopButton() const
{
    return RunProgressPanel::shared()->stopButton();
}

QTableView *BrowserWindow::recentRunsView() const
{
    return m_ui->recentRunsView;
}

QPlainTextEdit *BrowserWindow::recentRunOutput() const
{
    return m_ui->recentRunOutput;
}

void connectDataSource(FileBrowserDataSource *ds, BrowserWindow *window)
{
    if (!ds)
        return;
    ds->_fileBrowserOutlineView = window ? window->outlineView() : nullptr;
    ds->_fileBrowserScrollView = window ? window->outlineView() : nullptr;
    ds->_fileBrowserWindow = window;
    ds->_fileBrowserProgressPanel = window ? window->progressPanel() : nullptr;
    ds->_fileBrowserProgressIndicator = window ? window->progressIndicator() : nullptr;
    if (window)
        OutlineKeyboard::install(window->outlineView(), ds);
}
