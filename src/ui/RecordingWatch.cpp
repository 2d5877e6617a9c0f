#include "ui/RecordingWatch.h"

#include <QFileInfo>

namespace kestrum {

namespace {

// How long the file and its folder must be quiet before the file is read: a rewrite is done by then.
constexpr int kQuietMilliseconds = 150;

} // namespace

RecordingWatch::RecordingWatch(const std::string& path, std::function<void()> changed)
    : file_(QString::fromStdString(path)), changed_(std::move(changed)) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(kQuietMilliseconds);
    QObject::connect(&quiet_, &QTimer::timeout, [this] { settled(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { noticed(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { noticed(); });
    watcher_.addPath(QFileInfo(file_).absolutePath());
    watcher_.addPath(file_);
}

void RecordingWatch::noticed() {
    quiet_.start();
}

void RecordingWatch::settled() {
    // The path may lead to another file now: the one at it is the one to watch.
    watcher_.removePath(file_);
    watcher_.addPath(file_);
    if (changed_)
        changed_();
}

} // namespace kestrum
