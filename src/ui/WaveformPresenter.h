#pragma once

#include "audio/PlaybackSession.h"
#include "ui/CallSources.h"

#include <QObject>

#include <cstdint>
#include <optional>

namespace kestrum {

class PlayerActions;
class WaveformWindow;

// Between the waveform window and the playback: the window is handed the call's trace, its
// silences, its analysis and whether a keyword may be added, and kept centred on the play
// position; what the user does with its view (Zoom, Scroll, Run, the knob, a click to annotate)
// acts on the session.
class WaveformPresenter : public QObject {
    Q_OBJECT

  public:
    WaveformPresenter(WaveformWindow& window, PlayerActions& player);

    // The display tick: the snapshot's silences shading (with Skip silence) and the view following
    // the play position wherever it moves, showing the end when play ends.
    void show(const PlaybackSnapshot& shown);
    // Start-up: the view at the start of the call.
    void showPlayPosition();
    // The call's analysis came in: the key presses marked and the spectrogram summary drawn.
    void showCallAnalysis();

  private:
    void connectWindow();
    // The frame at a time of the view, within the recording.
    std::uint64_t frameAt(double seconds) const;

    WaveformWindow& window_;
    PlayerActions& player_;
    PlaybackSession& session_;
    SampleStoreSeries series_;
    FrequencySummarySource spectrogram_;
    std::optional<std::uint64_t> followedPosition_; // where the view was last centred
};

} // namespace kestrum
