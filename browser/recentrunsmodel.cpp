// SPDX-License-Identifier: GPL-3.0-or-later
#include "recentrunsmodel.h"

#include "resources.h"
#include "runfailurenotice.h"
#include "shortcuttable.h"

#include <QFileInfo>
#include <QLocale>

#include <sys/wait.h>

namespace {

QString roadText(const ScriptRunResult &result)
{
    switch (result.road) {
    case LaunchRoad::HotKey:
        // The key itself, as the hot-key pop-ups name it ("F5", "Right Button").
        if (result.shortcutID > 0)
            return titleForShortcutID(result.shortcutID);
        return localizedString(QStringLiteral("RecentRunsRoadHotKey"));
    case LaunchRoad::Menu:
        return localizedString(QStringLiteral("RecentRunsRoadMenu"));
    case LaunchRoad::DoubleClick:
        return localizedString(QStringLiteral("RecentRunsRoadDoubleClick"));
    }
    return {};
}

QString durationText(qint64 ms)
{
    return localizedString(QStringLiteral("RecentRunsDuration"))
        .arg(QLocale().toString(double(ms) / 1000.0, 'f', 1));
}

} // namespace

QString runStatusText(const ScriptRunResult &result)
{
    switch (classifyRun(result)) {
    case RunOutcome::Succeeded:
        return localizedString(QStringLiteral("RecentRunsStatusSucceeded"));
    case RunOutcome::Stopped:
        return localizedString(QStringLiteral("RecentRunsStatusStopped"));
    case RunOutcome::NotFound:
        return localizedString(QStringLiteral("RecentRunsStatusNotFound"));
    case RunOutcome::NotExecutable:
        return localizedString(QStringLiteral("RecentRunsStatusNotExecutable"));
    case RunOutcome::IsFolder:
        return localizedString(QStringLiteral("RecentRunsStatusFolder"));
    case RunOutcome::InterpreterMissing:
        return localizedString(QStringLiteral("RecentRunsStatusInterpreterMissing"));
    case RunOutcome::CouldNotStart:
        return localizedString(QStringLiteral("RecentRunsStatusNotStarted"));
    case RunOutcome::StatusLost:
        return localizedString(QStringLiteral("RecentRunsStatusLost"));
    case RunOutcome::KilledBySignal:
        return localizedString(QStringLiteral("RecentRunsStatusSignal"))
            .arg(signalThatEndedRun(result).value_or(0));
    case RunOutcome::ExitedWithError:
        break;
    }
    return localizedString(QStringLiteral("RecentRunsStatusExit"))
        .arg(WEXITSTATUS(result.waitStatus));
}

RecentRunsModel::RecentRunsModel(QObject *parent) : QAbstractTableModel(parent) {}

void RecentRunsModel::addRun(const ScriptRunResult &result)
{
    if (m_runs.size() >= capacity) {
        beginRemoveRows({}, capacity - 1, int(m_runs.size()) - 1);
        m_runs.resize(capacity - 1);
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    // The status is read once: it may look at the script file, which can change later.
    m_runs.prepend({result, runStatusText(result)});
    endInsertRows();
}

QString RecentRunsModel::outputText(int row) const
{
    const ScriptRunResult &result = m_runs.at(row).result;
    if (!result.failure.isEmpty())
        return result.failure;
    if (!result.lines)
        return localizedString(QStringLiteral("RecentRunsOutputNotText"));
    QStringList lines = *result.lines;
    // The newline that ends the last line starts no line of its own here.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString text = lines.join(u'\n');
    if (text.trimmed().isEmpty())
        return localizedString(QStringLiteral("RecentRunsNoOutput"));
    return text;
}

int RecentRunsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_runs.size());
}

int RecentRunsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecentRunsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ScriptRunResult &result = m_runs.at(index.row()).result;
    if (role == Qt::ToolTipRole && index.column() == ScriptColumn)
        return result.path;
    if (role == Qt::TextAlignmentRole && index.column() == DurationColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case TimeColumn:
        return result.startTime.time().toString(QStringLiteral("HH:mm:ss"));
    case RoadColumn:
        return roadText(result);
    case ScriptColumn:
        return QFileInfo(result.path).fileName();
    case DurationColumn:
        return durationText(result.durationMs);
    case StatusColumn:
        return m_runs.at(index.row()).status;
    default:
        return {};
    }
}

QVariant RecentRunsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const ids[ColumnCount] = {
        "RecentRunsColumnTime", "RecentRunsColumnRoad", "RecentRunsColumnScript",
        "RecentRunsColumnDuration", "RecentRunsColumnStatus"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return localizedString(QString::fromLatin1(ids[section]));
}
