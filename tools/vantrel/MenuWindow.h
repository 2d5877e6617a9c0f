#pragma once

#include "FolderLoader.h"
#include "RecordingFilterModel.h"
#include "RecordingTableModel.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vantrel {

// The disc menu's window: the recordings of a folder in a sortable table, a filter field that
// narrows the table as the user types, a button and the Enter key (or a double click) to open
// the selected call in the player, and a status line. Everything works from the keyboard, and
// every part is named for assistive technology. Over a catalogue kept elsewhere (a file, or a
// server a team shares: vantrel --db), the table holds a page at a time, newest call first,
// fetching the next as the user scrolls, and the catalogue finds what the filter asks for.
class MenuWindow : public QWidget {
    Q_OBJECT

  public:
    // Opens a recording in the player by its path's bytes as the file system has them (a name need
    // not be UTF-8); returns what went wrong, or nothing.
    using OpenInPlayer = std::function<QString(const QByteArray& recordingPath)>;

    MenuWindow(const QString& folder, OpenInPlayer openInPlayer, QWidget* parent = nullptr);
    // Over the catalogue `database` (a file or a server's address): the recordings it holds under
    // `folder`, or all of them when `folder` is empty.
    MenuWindow(const QString& folder, std::string database, OpenInPlayer openInPlayer,
               QWidget* parent = nullptr);
    ~MenuWindow() override;

    QLineEdit* filterField = nullptr;
    QTableView* table = nullptr;
    QPushButton* openButton = nullptr;
    QLabel* statusLine = nullptr;

    RecordingTableModel& recordings() { return recordings_; }
    RecordingFilterModel& shownRecordings() { return shown_; }
    bool isListed() const { return listing_ != nullptr; }

  signals:
    void listed();      // the folder's recordings are in the table
    void allChecked();  // every stamped copy's checksums are checked
    void filterShown(); // the table shows what the filter asks for

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* makeFilterField();
    void makeTable();
    void connectSignals();
    void startLoading();
    void applyFilterOnCatalogue(const QStringList& words);
    bool isPaged() const { return listing_ != nullptr && listing_->paged && listing_->catalogue != nullptr; }
    RecordingTableModel::PageSource pageSource();
    // What the window's title and status line call the folder, or the catalogue without one.
    QString catalogueName() const;
    void showListing(std::shared_ptr<FolderListing> listing);
    void showChecked(const std::vector<CheckedCopy>& copies);
    void applyFilter();
    void openSelected();
    void selectFirstRowIfNone();
    void updateStatus();

    QString folder_;
    std::string database_;
    std::string folderBytes_; // the folder as the catalogue has its paths: links resolved
    OpenInPlayer openInPlayer_;
    RecordingTableModel recordings_;
    RecordingFilterModel shown_;
    std::shared_ptr<FolderListing> listing_;
    std::unique_ptr<FolderLoader> loader_;

    QString loadError_;
    int filesSeen_ = 0;
    int unreadable_ = 0; // files the reader refused
    int copiesToCheck_ = 0;
    int copiesChecked_ = 0;
    int copiesDamaged_ = 0;
    std::int64_t catalogueTotal_ = 0; // a catalogue's rows under the folder, unfiltered
    kestrum::SearchQuery query_;      // the filter whose rows the table pages through
    QString lastAction_;
};

} // namespace vantrel
