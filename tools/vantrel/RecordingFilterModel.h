#pragma once

#include "RecordingTableModel.h"

#include <QSortFilterProxyModel>

#include <cstdint>
#include <unordered_set>

namespace vantrel {

// The rows the table shows: all, or those the catalogue found for the filter's words, sorted by
// the column the user chose with the column's own order (see RecordingTableModel::lessThan).
class RecordingFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

  public:
    explicit RecordingFilterModel(RecordingTableModel& recordings, QObject* parent = nullptr);

    void showAll();
    void showOnly(std::unordered_set<std::int64_t> ids);

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

  private:
    RecordingTableModel& recordings_;
    bool all_ = true;
    std::unordered_set<std::int64_t> ids_;
};

} // namespace vantrel
