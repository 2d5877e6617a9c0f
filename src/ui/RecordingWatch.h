#pragma once

#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>

namespace kestrum {

// Tells when the recording's file may have been changed or replaced by another program: it watches
// the file and the folder it is in, and calls `changed` once they have been quiet for a moment (a
// save writes a new file, then renames it over the old one). A file replaced by a rename is no
// longer watched by its path, so the path is watched anew after every change.
class RecordingWatch {
  public:
    RecordingWatch(const std::string& path, std::function<void()> changed);
    RecordingWatch(const RecordingWatch&) = delete;
    RecordingWatch& operator=(const RecordingWatch&) = delete;

  private:
    void noticed();
    void settled();

    QString file_;
    QFileSystemWatcher watcher_;
    QTimer quiet_;
    std::function<void()> changed_;
};

} // namespace kestrum
