#pragma once

#include <QApplication>

#include <string>

namespace kestrum {

class RunnablePlayer;

// The player's application object. An exception must not end the run unseen: one that escapes
// start-up, the shutdown or an event handler while the windows run (Qt cannot carry it across its
// event loop, and would abort the process) is shown, the shutdown runs once, and the run ends
// with exit code 0, as a run that failed after opening the sound device does.
class PlayerApplication : public QApplication {
    Q_OBJECT

  public:
    PlayerApplication(int& argc, char** argv);

    // Runs the player on its command line; returns the exit code.
    int runPlayer(RunnablePlayer& player, const std::string& commandLine);

    bool notify(QObject* receiver, QEvent* event) override;

  private:
    RunnablePlayer* running_ = nullptr;
};

} // namespace kestrum
