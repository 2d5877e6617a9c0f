#pragma once

#include "catalogue/CatalogueEntry.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel {

// The recordings of the folder as the menu's table shows them: one row per recording, its
// columns the call's details. A file that did not read is a row too, with the reader's message.
class RecordingTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column {
        Recorded,
        Rid,
        FirstName,
        LastName,
        DialledNumber,
        Station,
        Duration,
        Keywords,
        Comment,
        Checksums,
        File,
        ColumnCount
    };

    // `folder`: where the files are, so the File column shows each path below it.
    explicit RecordingTableModel(std::string folder, QObject* parent = nullptr)
        : QAbstractTableModel(parent), folder_(std::move(folder)) {}

    void setEntries(std::vector<kestrum::CatalogueEntry> entries);
    // A catalogue too large to hold (vantrel --db): `total` rows (or, with `moreThanTotal`, more
    // than that), of which `first` are the first; the view asks for more as the user scrolls, and
    // `nextPage` fetches them from `offset` on, until a page comes back empty. A page that cannot
    // be fetched ends the list there and is reported through `pageFailed`.
    using PageSource = std::function<std::vector<kestrum::CatalogueEntry>(std::int64_t offset)>;
    void setPages(std::int64_t total, bool moreThanTotal, std::vector<kestrum::CatalogueEntry> first,
                  PageSource nextPage);
    std::int64_t total() const { return paged_ ? total_ : static_cast<std::int64_t>(entries_.size()); }
    // Whether there are more rows than total() says: they were not all counted.
    bool moreThanTotal() const { return paged_ && moreThanTotal_; }
    // A stamped copy's checksums, once checked.
    void setChecksums(std::int64_t id, kestrum::ChecksumState state, const std::string& problem);

    const kestrum::CatalogueEntry& entry(int row) const { return entries_[static_cast<std::size_t>(row)]; }
    // Orders two rows by a column's values (dates and durations as such, text ignoring case).
    bool lessThan(int leftRow, int rightRow, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

  signals:
    void pageFailed(const QString& problem);
    // A page fetched as the list scrolls told more of how many rows there are (total() and
    // moreThanTotal()).
    void totalChanged();

  private:
    QString text(const kestrum::CatalogueEntry& entry, int column) const;

    std::string folder_;
    std::vector<kestrum::CatalogueEntry> entries_;
    std::unordered_map<std::int64_t, int> rowOfId_;
    bool paged_ = false;
    std::int64_t total_ = 0;
    bool moreThanTotal_ = false;
    PageSource nextPage_;
};

// "m:ss", or "h:mm:ss" from an hour on; empty when unknown.
QString durationText(const std::optional<int>& seconds);

} // namespace vantrel
