// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The progress panel (resources/ProgressPanel.ui): a small window that shows while a script
// runs, whichever road launched it and whether the browser window is open or not. It names the
// script, counts the time it has run and shows the last lines it printed, and its Stop button
// stops the run.
//
// It never takes the keyboard from the application in front and is no window to switch to: a
// tool window that does not accept the focus, shown without activating, kept out of the taskbar
// and the pager, and not modal (docs/design.md, Running scripts).

#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <memory>

class QProgressBar;
class QPushButton;

namespace Ui {
class ProgressPanel;
} // namespace Ui

class RunProgressPanel : public QDialog
{
    Q_OBJECT

public:
    static constexpr int outputLineCount = 4;
    // The output lines are redrawn at most this often while a script prints, so a script that
    // prints without pause costs a few redraws a second.
    static constexpr int outputRefreshMs = 250;

    // The process's one panel, made when first asked for; it follows the process's runner.
    static RunProgressPanel *shared();
    ~RunProgressPanel() override;

    // Shows the panel for the run of path, which has just started.
    void showRun(const QString &path);

    QProgressBar *progressIndicator() const;
    QPushButton *stopButton() const;
    // What the panel shows now.
    QString scriptText() const;
    QString elapsedText() const;
    QStringList outputLines() const { return m_lines; }

protected:
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    RunProgressPanel();
    void refreshElapsed();
    void refreshOutput();
    void showOutput();
    static bool mayShowWithoutTakingTheKeyboard();
    void placeOnScreen();

    std::unique_ptr<Ui::ProgressPanel> m_ui;
    QTimer m_elapsedTimer;
    QTimer m_outputTimer;
    QStringList m_lines;
};

// An elapsed time as a clock shows it: "0:07", "12:30", "1:02:03".
QString elapsedTimeText(qint64 ms);
