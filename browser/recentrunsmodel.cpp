#include "recentrunsmodel.h"

#include "resources.h"
#include "runfailurenotice.h"

#include <QFileInfo>
#include <QLocale>

#include <sys/wait.h>

namespace {

QString roadText(LaunchRoad road)
{
    switch (road) {
    case LaunchRoad::HotKey:
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
    if (result.stopped)
        return localizedString(QStringLiteral("RecentRunsStatusStopped"));
    if (!result.failure.isEmpty() || result.waitStatus < 0)
        return localizedString(QStringLiteral("RecentRunsStatusNotStarted"));
    if (const std::optional<int> signal = signalThatEndedRun(result))
        return localizedString(QStringLiteral("RecentRunsStatusSignal")).arg(*signal);
    if (const int status = WEXITSTATUS(result.waitStatus); status != 0)
        return localizedString(QStringLiteral("RecentRunsStatusExit")).arg(status);
    return localizedString(QStringLiteral("RecentRunsStatusSucceeded"));
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
    m_runs.prepend(result);
    endInsertRows();
}

QString RecentRunsModel::outputText(int row) const
{
    const ScriptRunResult &result = m_runs.at(row);
    if (!result.failure.isEmpty())
        return result.failure;
    if (!result.lines)
        return localizedString(QStringLiteral("RecentRunsOutputNotText"));
    QStringList lines = *result.lines;
    // The newline that ends the last line starts no line of its own here.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QString text = lines.join(u'\n');
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
    const ScriptRunResult &result = m_runs.at(index.row());
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
        return roadText(result.road);
    case ScriptColumn:
        return QFileInfo(result.path).fileName();
    case DurationColumn:
        return durationText(result.durationMs);
    case StatusColumn:
        return runStatusText(result);
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
