#include "RecordingTableModel.h"

#include "catalogue/CatalogueError.h"

#include <QBrush>
#include <QFile>
#include <QFont>

namespace vantrel {

using kestrum::CatalogueEntry;
using kestrum::ChecksumState;

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString oneLine(const std::string& text) {
    QString line = qt(text);
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.simplified();
}

QString checksumText(const CatalogueEntry& entry) {
    switch (entry.checksums) {
    case ChecksumState::NotStamped:
        return QStringLiteral("not stamped");
    case ChecksumState::Unchecked:
        return QStringLiteral("not checked");
    case ChecksumState::Intact:
        return QStringLiteral("intact");
    case ChecksumState::Damaged:
        return QStringLiteral("DAMAGED");
    }
    return {};
}

template <class T> int compared(const T& left, const T& right) {
    return left < right ? -1 : right < left ? 1 : 0;
}

} // namespace

QString durationText(const std::optional<int>& seconds) {
    if (!seconds)
        return {};
    const int s = *seconds;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

void RecordingTableModel::setEntries(std::vector<CatalogueEntry> entries) {
    beginResetModel();
    paged_ = false;
    nextPage_ = nullptr;
    entries_ = std::move(entries);
    rowOfId_.clear();
    for (std::size_t row = 0; row < entries_.size(); ++row)
        rowOfId_[entries_[row].id] = static_cast<int>(row);
    endResetModel();
}

void RecordingTableModel::setPages(std::int64_t total, bool moreThanTotal, std::vector<CatalogueEntry> first,
                                   PageSource nextPage) {
    beginResetModel();
    paged_ = true;
    total_ = total;
    moreThanTotal_ = moreThanTotal;
    nextPage_ = std::move(nextPage);
    entries_ = std::move(first);
    rowOfId_.clear();
    for (std::size_t row = 0; row < entries_.size(); ++row)
        rowOfId_[entries_[row].id] = static_cast<int>(row);
    endResetModel();
}

bool RecordingTableModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && paged_ && nextPage_ &&
           (moreThanTotal_ || static_cast<std::int64_t>(entries_.size()) < total_);
}

void RecordingTableModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    std::vector<CatalogueEntry> page;
    // An error must not leave this call (Qt would end the menu): the list ends where it is.
    try {
        page = nextPage_(static_cast<std::int64_t>(entries_.size()));
    } catch (const kestrum::CatalogueError& error) {
        nextPage_ = nullptr;
        emit pageFailed(qt(error.what()));
        return;
    }
    if (page.empty()) {
        // All there are (fewer than counted when rows went since).
        total_ = static_cast<std::int64_t>(entries_.size());
        moreThanTotal_ = false;
        emit totalChanged();
        return;
    }
    const int first = static_cast<int>(entries_.size());
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    for (CatalogueEntry& entry : page) {
        rowOfId_[entry.id] = static_cast<int>(entries_.size());
        entries_.push_back(std::move(entry));
    }
    endInsertRows();
    if (static_cast<std::int64_t>(entries_.size()) > total_) {
        total_ = static_cast<std::int64_t>(entries_.size());
        emit totalChanged();
    }
}

void RecordingTableModel::setChecksums(std::int64_t id, ChecksumState state, const std::string& problem) {
    const auto found = rowOfId_.find(id);
    if (found == rowOfId_.end())
        return;
    CatalogueEntry& entry = entries_[static_cast<std::size_t>(found->second)];
    entry.checksums = state;
    entry.checksumProblem = problem;
    const QModelIndex cell = index(found->second, Checksums);
    emit dataChanged(cell, cell);
}

int RecordingTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int RecordingTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString RecordingTableModel::text(const CatalogueEntry& e, int column) const {
    if (column == File) {
        const bool below = !folder_.empty() && e.path.size() > folder_.size() &&
                           e.path.compare(0, folder_.size(), folder_) == 0;
        return QFile::decodeName(QByteArray::fromStdString(
            below ? e.path.substr(folder_.size() + (folder_.back() == '/' ? 0 : 1)) : e.path));
    }
    if (!e.readable())
        return column == Comment ? QStringLiteral("Could not be read: ") + oneLine(e.problem) : QString();
    switch (column) {
    case Recorded:
        return qt(e.recorded);
    case Rid:
        return qt(e.rid);
    case FirstName:
        return e.middleName.empty() ? qt(e.firstName) : qt(e.firstName + " " + e.middleName);
    case LastName:
        return qt(e.lastName);
    case DialledNumber:
        return qt(e.dialledNumber);
    case Station:
        return qt(e.stationName);
    case Duration:
        return durationText(e.durationSeconds);
    case Keywords: {
        QStringList keywords;
        for (const std::string& keyword : e.keywords)
            keywords << qt(keyword);
        return keywords.join(QStringLiteral(", "));
    }
    case Comment:
        return oneLine(e.firstCommentLine());
    case Checksums:
        return checksumText(e);
    }
    return {};
}

QVariant RecordingTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const CatalogueEntry& e = entry(index.row());
    const bool damaged = e.checksums == ChecksumState::Damaged;
    switch (role) {
    case Qt::DisplayRole:
        return text(e, index.column());
    case Qt::ToolTipRole:
        if (!e.readable())
            return qt(e.problem);
        if (index.column() == Checksums && damaged)
            return qt(e.checksumProblem);
        if (index.column() == Comment)
            return qt(e.comments).trimmed();
        return {};
    case Qt::ForegroundRole:
        if (!e.readable() || (index.column() == Checksums && damaged))
            return QBrush(Qt::darkRed);
        return {};
    case Qt::FontRole:
        if (index.column() == Checksums && damaged) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant RecordingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[ColumnCount] = {"Date and time",  "Rid",       "First name", "Last name",
                                                    "Dialled number", "Station",   "Duration",   "Keywords",
                                                    "Comment",        "Checksums", "File"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

bool RecordingTableModel::lessThan(int leftRow, int rightRow, int column) const {
    const CatalogueEntry& left = entry(leftRow);
    const CatalogueEntry& right = entry(rightRow);
    int order = 0;
    switch (column) {
    case Recorded:
        order = compared(left.recorded, right.recorded);
        break;
    case Duration:
        order = compared(left.durationSeconds.value_or(-1), right.durationSeconds.value_or(-1));
        break;
    case Checksums:
        order = compared(static_cast<int>(left.checksums), static_cast<int>(right.checksums));
        break;
    default:
        order = QString::compare(text(left, column), text(right, column), Qt::CaseInsensitive);
        break;
    }
    // Equal values keep the newest call first, then the file's order.
    if (order == 0)
        order = compared(right.recorded, left.recorded);
    if (order == 0)
        order = compared(left.path, right.path);
    return order < 0;
}

} // namespace vantrel
