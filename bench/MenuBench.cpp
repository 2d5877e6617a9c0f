// kestrum_menu_bench FOLDER: the disc menu's window on a folder (offscreen), as bench/run.sh
// measures it; kestrum_menu_bench --db CATALOGUE [FOLDER]: the window over a catalogue (a file or
// a server's address), a page at a time. Prints name=value lines:
//   list_seconds              from the program's start to the window showing the folder's rows
//                             (over a catalogue: its first page)
//   rows                      how many rows it shows
//   keystroke_seconds_median  from a key pressed in the filter field to the table drawn with its
//   keystroke_seconds_max     rows (each letter of a few searches typed, then erased)
//   keystroke_slowest         what the filter field held after the slowest keystroke

#include "MenuWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Draws the table as the screen would, now.
void drawTable(QTableView& table) {
    table.viewport()->repaint();
}

} // namespace

int main(int argc, char** argv) {
    const Clock::time_point start = Clock::now();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const bool overCatalogue = arguments.size() >= 3 && arguments[1] == QLatin1String("--db");
    if (overCatalogue ? arguments.size() > 4 : arguments.size() != 2) {
        std::fprintf(stderr, "usage: kestrum_menu_bench FOLDER\n"
                             "       kestrum_menu_bench --db CATALOGUE [FOLDER]\n");
        return 2;
    }
    const QString folder = overCatalogue ? (arguments.size() == 4 ? arguments[3] : QString()) : arguments[1];
    vantrel::MenuWindow window(folder, overCatalogue ? arguments[2].toStdString() : std::string(),
                               [](const QByteArray&) { return QString(); });
    window.show();
    bool listed = false;
    QObject::connect(&window, &vantrel::MenuWindow::listed, [&listed] { listed = true; });
    while (!listed)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    drawTable(*window.table);
    const double listSeconds = secondsSince(start);

    std::vector<double> keystrokes;
    double slowest = 0;
    QString slowestText;
    // Presses a key in the filter field and times it until the table is drawn again.
    const auto press = [&](auto key) {
        const Clock::time_point pressed = Clock::now();
        QTest::keyClick(window.filterField, key);
        QApplication::processEvents();
        drawTable(*window.table);
        keystrokes.push_back(secondsSince(pressed));
        if (keystrokes.back() > slowest) {
            slowest = keystrokes.back();
            slowestText = window.filterField->text();
        }
    };
    for (const char* search : {"smith", "garc", "block a", "escape", "555", "r123", "thompson visit"}) {
        for (const char* c = search; *c != '\0'; ++c)
            press(*c);
        for (const char* c = search; *c != '\0'; ++c)
            press(Qt::Key_Backspace);
    }
    std::sort(keystrokes.begin(), keystrokes.end());
    std::printf("list_seconds=%.6f\n", listSeconds);
    std::printf("rows=%d\n", window.shownRecordings().rowCount());
    std::printf("keystroke_seconds_median=%.6f\n", keystrokes[keystrokes.size() / 2]);
    std::printf("keystroke_seconds_max=%.6f\n", keystrokes.back());
    std::printf("keystroke_slowest=%s\n", slowestText.toUtf8().constData());
    return 0;
}
