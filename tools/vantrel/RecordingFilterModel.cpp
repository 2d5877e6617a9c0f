#include "RecordingFilterModel.h"

namespace vantrel {

RecordingFilterModel::RecordingFilterModel(RecordingTableModel& recordings, QObject* parent)
    : QSortFilterProxyModel(parent), recordings_(recordings) {
    setSourceModel(&recordings);
    // The checksum column changes while the copies are checked; rows need not move for it.
    setDynamicSortFilter(false);
}

void RecordingFilterModel::showAll() {
    all_ = true;
    ids_.clear();
    invalidateFilter();
}

void RecordingFilterModel::showOnly(std::unordered_set<std::int64_t> ids) {
    all_ = false;
    ids_ = std::move(ids);
    invalidateFilter();
}

bool RecordingFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return all_ || ids_.contains(recordings_.entry(sourceRow).id);
}

bool RecordingFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return recordings_.lessThan(left.row(), right.row(), left.column());
}

} // namespace vantrel
