// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The last runs of this session, newest first, as a table for the browser window's Recent Runs
// pane: when and how each started, the script, how long it took and how it ended, with its
// captured output. Kept in memory only: at most `capacity` runs, the oldest dropped first, and
// nothing left when Trundle quits.

#include "scriptrunner.h"

#include <QAbstractTableModel>
#include <QList>

class RecentRunsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int capacity = 50;

    enum Column
    {
        TimeColumn,
        RoadColumn,
        ScriptColumn,
        DurationColumn,
        StatusColumn,
        ColumnCount
    };

    explicit RecentRunsModel(QObject *parent = nullptr);

    // Adds a finished run at the top.
    void addRun(const ScriptRunResult &result);
    const ScriptRunResult &run(int row) const { return m_runs.at(row).result; }
    QString statusText(int row) const { return m_runs.at(row).status; }
    // What the run printed, as the output pane shows it.
    QString outputText(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Entry
    {
        ScriptRunResult result;
        QString status;
    };
    QList<Entry> m_runs;
};

// "OK", "exit 1", "signal 9", "stopped", "not executable", ... (may look at the script file).
QString runStatusText(const ScriptRunResult &result);
