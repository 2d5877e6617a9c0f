#include "MenuWindow.h"

#include "catalogue/CatalogueAddress.h"
#include "catalogue/CatalogueError.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <unordered_set>

namespace vantrel {

using kestrum::ChecksumState;

namespace {

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Texts as wide as a column's usual values, for its starting width.
constexpr const char* kColumnSamples[RecordingTableModel::ColumnCount] = {"0000-00-00 00:00:00",
                                                                          "0000000000",
                                                                          "Christine",
                                                                          "Montgomery",
                                                                          "000-000-0000",
                                                                          "Front desk",
                                                                          "0:00:00",
                                                                          "keyword, word",
                                                                          "A first comment line cut",
                                                                          "not stamped",
                                                                          "0000.ZOQ"};

} // namespace

MenuWindow::MenuWindow(const QString& folder, OpenInPlayer openInPlayer, QWidget* parent)
    : MenuWindow(folder, {}, std::move(openInPlayer), parent) {}

MenuWindow::MenuWindow(const QString& folder, std::string database, OpenInPlayer openInPlayer,
                       QWidget* parent)
    : QWidget(parent), folder_(folder), database_(std::move(database)),
      // The catalogue keeps paths with links resolved: the File column shows them below the same.
      folderBytes_(QFile::encodeName(QFileInfo(folder).canonicalFilePath().isEmpty()
                                         ? folder
                                         : QFileInfo(folder).canonicalFilePath())
                       .toStdString()),
      openInPlayer_(std::move(openInPlayer)), recordings_(folderBytes_), shown_(recordings_) {
    setWindowTitle(QStringLiteral("Recordings - %1").arg(catalogueName()));
    // Wide enough for every column where the screen allows.
    const QRect screenArea = screen()->availableGeometry();
    resize(std::min(1560, screenArea.width() * 95 / 100), std::min(720, screenArea.height() * 80 / 100));

    QLabel* findLabel = makeFilterField();
    makeTable();
    // The status line is heard with its text; "Status" only describes it.
    statusLine = new QLabel(this);
    statusLine->setTextFormat(Qt::PlainText);
    statusLine->setAccessibleDescription(QStringLiteral("Status"));

    auto* top = new QHBoxLayout;
    top->addWidget(findLabel);
    top->addWidget(filterField, 1);
    top->addWidget(openButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table, 1);
    layout->addWidget(statusLine);
    setTabOrder(filterField, openButton);
    setTabOrder(openButton, table);

    connectSignals();
    filterField->setFocus();
    startLoading();
}

// The filter field and its label ("Find:", which gives it Alt+F), and the Open button.
QLabel* MenuWindow::makeFilterField() {
    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setTextFormat(Qt::PlainText);
    filterField = new QLineEdit(this);
    findLabel->setBuddy(filterField);
    filterField->setAccessibleName(QStringLiteral("Find recordings"));
    filterField->setPlaceholderText(
        QStringLiteral("names, numbers, station, site, system, rid, comments, keywords"));
    filterField->setAccessibleDescription(QStringLiteral(
        "Shows only the recordings whose details hold every word typed, as the start of a word. "
        "Down moves to the list; Enter opens the selected recording in the player."));
    filterField->setClearButtonEnabled(true);

    openButton = new QPushButton(QStringLiteral("&Open in Player"), this);
    openButton->setAccessibleName(QStringLiteral("Open in Player"));
    openButton->setAccessibleDescription(QStringLiteral("Opens the selected recording in the player"));
    openButton->setEnabled(false);

    return findLabel;
}

// The table of recordings: newest first, each column wide enough for a sample of its values.
void MenuWindow::makeTable() {
    table = new QTableView(this);
    table->setModel(&shown_);
    table->setAccessibleName(QStringLiteral("Recordings"));
    table->setAccessibleDescription(
        QStringLiteral("One row per recording. Enter or a double click opens it in the player; a click on a "
                       "column title sorts by it."));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false); // Tab leaves the table, as keyboard users expect
    table->setWordWrap(false);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setSortIndicatorShown(true);
    const QFontMetrics cells = table->fontMetrics();
    QFont titleFont = table->horizontalHeader()->font();
    titleFont.setBold(true);
    const QFontMetrics titles(titleFont);
    for (int column = 0; column < RecordingTableModel::ColumnCount; ++column) {
        const QString title = recordings_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        table->setColumnWidth(column,
                              std::max(cells.horizontalAdvance(QString::fromLatin1(kColumnSamples[column])),
                                       titles.horizontalAdvance(title) + 20) +
                                  16);
    }
    table->setSortingEnabled(true);
    table->sortByColumn(RecordingTableModel::Recorded, Qt::DescendingOrder);
}

void MenuWindow::connectSignals() {
    connect(filterField, &QLineEdit::textChanged, this, &MenuWindow::applyFilter);
    connect(&recordings_, &RecordingTableModel::totalChanged, this, &MenuWindow::updateStatus);
    connect(&recordings_, &RecordingTableModel::pageFailed, this, [this](const QString& problem) {
        lastAction_ = problem;
        updateStatus();
    });
    connect(openButton, &QPushButton::clicked, this, &MenuWindow::openSelected);
    connect(table, &QTableView::doubleClicked, this, &MenuWindow::openSelected);
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { openButton->setEnabled(current.isValid()); });
    filterField->installEventFilter(this);
    table->installEventFilter(this);
    auto* quit = new QShortcut(QKeySequence::Quit, this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
}

MenuWindow::~MenuWindow() {
    loader_.reset(); // its thread ends before the window it reports to
}

void MenuWindow::startLoading() {
    FolderLoader::Callbacks callbacks;
    // The loader's thread hands its results to the windows' thread; a result that arrives after
    // the window is gone is dropped with it.
    callbacks.progress = [this](int seen) {
        QMetaObject::invokeMethod(this, [this, seen] {
            filesSeen_ = seen;
            updateStatus();
        });
    };
    callbacks.listed = [this](std::shared_ptr<FolderListing> listing) {
        QMetaObject::invokeMethod(this, [this, listing] { showListing(listing); });
    };
    callbacks.checked = [this](std::vector<CheckedCopy> copies) {
        QMetaObject::invokeMethod(this, [this, copies = std::move(copies)] { showChecked(copies); });
    };
    callbacks.allChecked = [this] { QMetaObject::invokeMethod(this, [this] { emit allChecked(); }); };
    updateStatus();
    loader_ = std::make_unique<FolderLoader>(database_.empty() ? QFile::encodeName(folder_).toStdString()
                                                               : folderBytes_,
                                             database_, std::move(callbacks));
}

void MenuWindow::showListing(std::shared_ptr<FolderListing> listing) {
    listing_ = std::move(listing);
    loadError_ = QString::fromStdString(listing_->error);
    copiesToCheck_ = 0;
    unreadable_ = 0;
    for (const kestrum::CatalogueEntry& entry : listing_->entries) {
        copiesToCheck_ += entry.checksums == ChecksumState::Unchecked ? 1 : 0;
        unreadable_ += entry.readable() ? 0 : 1;
    }
    if (listing_->paged) {
        // In the catalogue's order, which the server keeps an index for: the titles do not sort.
        table->setSortingEnabled(false);
        table->horizontalHeader()->setSortIndicatorShown(false);
        shown_.sort(-1);
        catalogueTotal_ = listing_->total;
        query_ = {};
        recordings_.setPages(listing_->total, false, std::move(listing_->entries), pageSource());
    } else {
        recordings_.setEntries(std::move(listing_->entries));
    }
    listing_->entries.clear();
    applyFilter(); // what was typed while the folder was read
    emit listed();
}

void MenuWindow::showChecked(const std::vector<CheckedCopy>& copies) {
    for (const CheckedCopy& copy : copies) {
        recordings_.setChecksums(copy.id, copy.state, copy.problem);
        ++copiesChecked_;
        copiesDamaged_ += copy.state == ChecksumState::Damaged ? 1 : 0;
    }
    updateStatus();
}

void MenuWindow::applyFilter() {
    if (!isListed())
        return updateStatus();
    lastAction_.clear();
    // Blanks separate the words, and so do control characters pasted in (a NUL among them).
    const QStringList words =
        filterField->text().split(QRegularExpression(QStringLiteral("[\\s\\p{Cc}]+")), Qt::SkipEmptyParts);
    if (isPaged()) {
        applyFilterOnCatalogue(words);
    } else if (words.isEmpty() || listing_->catalogue == nullptr) {
        shown_.showAll();
    } else {
        kestrum::SearchQuery query;
        for (const QString& word : words)
            query.words.push_back(word.toStdString());
        // An error must not leave this slot (Qt would end the menu): the table stays as it was.
        try {
            const std::vector<std::int64_t> rows = listing_->catalogue->matchingRows(query);
            shown_.showOnly(std::unordered_set<std::int64_t>(rows.begin(), rows.end()));
        } catch (const kestrum::CatalogueError& error) {
            lastAction_ = QStringLiteral("The recordings could not be searched: %1")
                              .arg(QString::fromStdString(error.what()));
        }
    }
    selectFirstRowIfNone();
    updateStatus();
    emit filterShown();
}

RecordingTableModel::PageSource MenuWindow::pageSource() {
    return [this](std::int64_t offset) {
        return listing_->catalogue->searchPage(query_, folderBytes_, offset, kRowsAPage);
    };
}

void MenuWindow::applyFilterOnCatalogue(const QStringList& words) {
    kestrum::SearchQuery query;
    for (const QString& word : words)
        query.words.push_back(word.toStdString());
    // An error must not leave this slot (Qt would end the menu): the table stays as it was.
    try {
        std::vector<kestrum::CatalogueEntry> first =
            listing_->catalogue->searchPage(query, folderBytes_, 0, kRowsAPage);
        // A page not full is all there is; else the catalogue counts, up to a limit.
        const std::int64_t found =
            static_cast<std::int64_t>(first.size()) < kRowsAPage
                ? static_cast<std::int64_t>(first.size())
                : listing_->catalogue->count(query, folderBytes_, kFoundCountedUpTo + 1);
        query_ = std::move(query);
        recordings_.setPages(std::min(found, kFoundCountedUpTo), found > kFoundCountedUpTo, std::move(first),
                             pageSource());
    } catch (const kestrum::CatalogueError& error) {
        lastAction_ = QStringLiteral("The recordings could not be searched: %1")
                          .arg(QString::fromStdString(error.what()));
    }
}

QString MenuWindow::catalogueName() const {
    if (database_.empty() || !folder_.isEmpty())
        return folder_;
    return QFile::decodeName(QByteArray::fromStdString(kestrum::addressWithoutPassword(database_)));
}

void MenuWindow::selectFirstRowIfNone() {
    if (table->currentIndex().isValid() || shown_.rowCount() == 0)
        return;
    table->setCurrentIndex(shown_.index(0, 0));
}

void MenuWindow::openSelected() {
    const QModelIndex current = table->currentIndex();
    if (!current.isValid())
        return;
    const int row = shown_.mapToSource(current).row();
    const kestrum::CatalogueEntry& entry = recordings_.entry(row);
    const QByteArray path = QByteArray::fromStdString(entry.path);
    const QString name = recordings_.index(row, RecordingTableModel::File).data().toString();
    if (!entry.readable()) {
        lastAction_ = QStringLiteral("%1 cannot be opened: it could not be read.").arg(name);
    } else {
        const QString problem = openInPlayer_(path);
        lastAction_ = problem.isEmpty() ? QStringLiteral("Opened %1 in the player.").arg(name) : problem;
    }
    updateStatus();
}

void MenuWindow::updateStatus() {
    QString text;
    if (!isListed()) {
        text = QStringLiteral("Reading the recordings in %1").arg(catalogueName());
        if (filesSeen_ > 0)
            text += QStringLiteral(": %1 so far").arg(filesSeen_);
    } else if (!loadError_.isEmpty()) {
        text = loadError_;
    } else {
        // A catalogue's rows are counted there: the table holds only those fetched so far.
        const std::int64_t all = isPaged() ? catalogueTotal_ : recordings_.rowCount();
        const std::int64_t shown = isPaged() ? recordings_.total() : shown_.rowCount();
        if (recordings_.moreThanTotal())
            text = QStringLiteral("more than %1 of %2 recordings shown").arg(shown).arg(all);
        else
            text = shown == all ? QStringLiteral("%1 recordings").arg(all)
                                : QStringLiteral("%1 of %2 recordings shown").arg(shown).arg(all);
        if (unreadable_ > 0)
            text += QStringLiteral("; %1 could not be read").arg(unreadable_);
        if (copiesChecked_ < copiesToCheck_)
            text +=
                QStringLiteral("; checking stamped copies: %1 of %2").arg(copiesChecked_).arg(copiesToCheck_);
        else if (copiesDamaged_ > 0)
            text += QStringLiteral("; %1 stamped copies DAMAGED").arg(copiesDamaged_);
        else if (copiesToCheck_ > 0)
            text += QStringLiteral("; all stamped copies intact");
    }
    statusLine->setText(lastAction_.isEmpty() ? text : lastAction_ + QStringLiteral("  ") + text);
}

bool MenuWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (isEnter(key) && (watched == filterField || watched == table)) {
        openSelected();
        return true;
    }
    if (watched == filterField) {
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_PageDown) {
            selectFirstRowIfNone();
            table->setFocus();
            return true;
        }
        if (key->key() == Qt::Key_Escape && !filterField->text().isEmpty()) {
            filterField->clear();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantrel
