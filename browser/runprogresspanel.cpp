// SPDX-License-Identifier: GPL-3.0-or-later
#include "runprogresspanel.h"

#include "resources.h"
#include "scriptrunner.h"
#include "workspace.h"

#include "ui_ProgressPanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

RunProgressPanel *RunProgressPanel::shared()
{
    static QPointer<RunProgressPanel> panel;
    if (panel.isNull()) {
        panel = new RunProgressPanel;
        // A window must go before the application object does.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, panel,
                         [] { delete panel; });
    }
    return panel;
}

RunProgressPanel::RunProgressPanel() : m_ui(std::make_unique<Ui::ProgressPanel>())
{
    m_ui->setupUi(this);
    // A tool window of its own, not a dialog of the browser window: it shows with the browser
    // closed. It is not modal: Qt's xcb backend asks to activate every modal window it maps,
    // whatever its flags, and takes its own request for the panel's focus-in; the X focus
    // never moves, so nothing corrects that when the panel hides, and keys go to the hidden
    // panel.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setWindowModality(Qt::NonModal);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(localizedString(QStringLiteral("ProgressPanelTitle")));

    QFont bold = m_ui->scriptLabel->font();
    bold.setBold(true);
    m_ui->scriptLabel->setFont(bold);
    m_ui->outputLabel->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_ui->outputLabel->setForegroundRole(QPalette::PlaceholderText);
    m_ui->outputLabel->setMinimumHeight(
        m_ui->outputLabel->fontMetrics().lineSpacing() * outputLineCount +
        2 * (m_ui->outputLabel->margin() + m_ui->outputLabel->frameWidth()));
    m_ui->stopButton->setText(localizedString(QStringLiteral("ProgressPanelStop")));
    m_ui->stopButton->setFocusPolicy(Qt::NoFocus);
    // Room for a line of output of about fifty characters.
    setMinimumWidth(m_ui->outputLabel->fontMetrics().averageCharWidth() * 52);

    ScriptRunner *runner = ScriptRunner::shared();
    connect(m_ui->stopButton, &QPushButton::clicked, runner, &ScriptRunner::stopCurrentRun);
    connect(runner, &ScriptRunner::runStarted, this,
            [this](const QString &path) { showRun(path); });
    connect(runner, &ScriptRunner::idle, this, &QWidget::hide);

    // Fired just after each full second of the run, so the clock never lags a second behind.
    m_elapsedTimer.setSingleShot(true);
    m_elapsedTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_elapsedTimer, &QTimer::timeout, this, &RunProgressPanel::refreshElapsed);
    // The first piece of output waits at most one refresh; what comes meanwhile joins it.
    m_outputTimer.setSingleShot(true);
    m_outputTimer.setInterval(outputRefreshMs);
    connect(&m_outputTimer, &QTimer::timeout, this, &RunProgressPanel::refreshOutput);
    connect(runner, &ScriptRunner::outputArrived, this, [this] {
        if (isVisible() && !m_outputTimer.isActive())
            m_outputTimer.start();
    });
}

RunProgressPanel::~RunProgressPanel() = default;

void RunProgressPanel::showRun(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    m_ui->scriptLabel->setText(
        localizedString(QStringLiteral("ProgressPanelRunning")).arg(name.isEmpty() ? path : name));
    m_ui->scriptLabel->setToolTip(path);
    m_lines.clear();
    showOutput();
    refreshElapsed();
    m_ui->stopButton->setEnabled(true);
    if (isVisible() || !mayShowWithoutTakingTheKeyboard())
        return;
    placeOnScreen();
    winId(); // the native window, for its state before it is mapped
    platform::keepOutOfTaskbar(windowHandle());
    show();
}

bool RunProgressPanel::mayShowWithoutTakingTheKeyboard()
{
    // A Wayland compositor decides the focus of a new window itself, and sway gives it to every
    // one: there the panel would take the keyboard from the application in front for the whole
    // run, while the script may be typing into it. So it shows there only while a window of
    // Trundle's has the keyboard anyway; otherwise the tray icon and its menu show the run.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
           QApplication::activeWindow() != nullptr;
}

void RunProgressPanel::placeOnScreen()
{
    // The lower right corner, where it covers the least of what the user works on. Window
    // managers that place windows themselves (and every Wayland compositor) decide instead.
    adjustSize();
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const int gap = style()->pixelMetric(QStyle::PM_LayoutTopMargin) * 2;
    move(area.right() - frameGeometry().width() - gap,
         area.bottom() - frameGeometry().height() - gap);
}

QProgressBar *RunProgressPanel::progressIndicator() const
{
    return m_ui->fileBrowserProgressIndicator;
}

QPushButton *RunProgressPanel::stopButton() const
{
    return m_ui->stopButton;
}

QString RunProgressPanel::scriptText() const
{
    return m_ui->scriptLabel->text();
}

QString RunProgressPanel::elapsedText() const
{
    return m_ui->elapsedLabel->text();
}

void RunProgressPanel::refreshElapsed()
{
    const qint64 ms = ScriptRunner::shared()->currentElapsedMs();
    m_ui->elapsedLabel->setText(elapsedTimeText(ms));
    m_elapsedTimer.start(int(1000 - ms % 1000) + 5);
}

void RunProgressPanel::refreshOutput()
{
    m_lines = ScriptRunner::shared()->currentOutputLines(outputLineCount);
    showOutput();
}

void RunProgressPanel::showOutput()
{
    if (m_lines.isEmpty()) {
        m_ui->outputLabel->setText(localizedString(QStringLiteral("ProgressPanelNoOutput")));
        return;
    }
    const QFontMetrics metrics = m_ui->outputLabel->fontMetrics();
    const int width = m_ui->outputLabel->contentsRect().width() - 2 * m_ui->outputLabel->margin();
    QStringList shown;
    shown.reserve(m_lines.size());
    for (const QString &line : std::as_const(m_lines))
        shown << metrics.elidedText(line, Qt::ElideRight, width);
    m_ui->outputLabel->setText(shown.join(u'\n'));
}

void RunProgressPanel::hideEvent(QHideEvent *event)
{
    // Idle, the panel costs nothing.
    m_elapsedTimer.stop();
    m_outputTimer.stop();
    QDialog::hideEvent(event);
}

void RunProgressPanel::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    showOutput();
}

QString elapsedTimeText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(ms, 0) / 1000;
    const auto twoDigits = [](qint64 n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    if (seconds >= 3600) {
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(twoDigits(seconds / 60 % 60), twoDigits(seconds % 60));
    }
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(twoDigits(seconds % 60));
}
