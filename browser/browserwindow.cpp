#include "browserwindow.h"

#include "filebrowserdatasource.h"
#include "scriptrunner.h"

#include "ui_MainWindow.h"
#include "ui_ProgressPanel.h"

#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>

BrowserWindow::BrowserWindow(QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::BrowserWindow>()),
      m_panelUi(std::make_unique<Ui::ProgressPanel>())
{
    m_ui->setupUi(this);
    // The panel is a child dialog of this window, so that window modality blocks this window
    // only, the way a sheet does.
    m_progressPanel = new QDialog(this);
    m_panelUi->setupUi(m_progressPanel);
    m_progressPanel->setWindowModality(Qt::WindowModal);
    connect(m_panelUi->stopButton, &QPushButton::clicked, this,
            [] { ScriptRunner::shared()->stopCurrentRun(); });
}

BrowserWindow::~BrowserWindow() = default;

QTreeView *BrowserWindow::outlineView() const
{
    return m_ui->fileBrowserOutlineView;
}

QProgressBar *BrowserWindow::progressIndicator() const
{
    return m_panelUi->fileBrowserProgressIndicator;
}

QPushButton *BrowserWindow::stopButton() const
{
    return m_panelUi->stopButton;
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
}
