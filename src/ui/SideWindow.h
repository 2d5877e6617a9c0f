#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace kestrum {

// What the player's side windows share: they stay on top, are hidden rather than destroyed when
// closed, open first where the player puts them (unless the init file says otherwise), and keep
// their place and size between runs.
class SideWindow : public QWidget {
    Q_OBJECT

  public:
    SideWindow(QWidget* owner, const QString& caption, QSize startSize, QSize minimumSize, int fontPixels);

    // Places the window from stored values, brought within the screens (placementOnScreens): the
    // size always, the left and top only when they lie within the screen less a margin of 50 pixels.
    void restorePlacement(int height, int left, int top, int width);
    // Puts the window beside the player window (placementBeside, in its slot) unless it was placed
    // already; without the player window, centred on the screen.
    void placeBeside(const QWidget* player);
    bool placed() const { return placed_; }
    // Which of the side windows this is, for placementBeside: those that open together differ.
    void setBesideSlot(int slot) { besideSlot_ = slot; }

    // Shows the window (beside the player window unless it was placed already), hides it when visible.
    void toggle(const QWidget* player);

  private:
    bool placed_ = false;
    int besideSlot_ = 0;
};

// Moves a window to a stored left and top, each only when it lies within the screen less a margin
// of 50 pixels (an init file from a larger screen would put the window out of reach), then within
// the screens (placementOnScreens).
void moveWithinScreen(QWidget& window, int left, int top);

// The text area of a side window: no wrap, both scroll bars, with its hint and accessible name.
QPlainTextEdit* makeSideMemo(QWidget* parent, const char* name, bool readOnly, const char* hint,
                             const char* accessibleName);
// A button of a side window with its caption, accessible name and hint.
QPushButton* makeSideButton(QWidget* parent, const char* name, const char* caption,
                            const char* accessibleName, const char* hint);

// The total playing time, "Total %2d:%2.2f": whole minutes, then the rest in seconds with two decimals.
QString totalTimeText(double seconds);

// Stored comment text (Windows-1252) as the windows show it: line breaks as line breaks, a NUL
// byte shown as a visible mark rather than ending the text.
QString commentTextForDisplay(const std::string& stored);
// A window's text as typed comment text: UTF-8, lines separated by CR LF. A save stores it as
// Windows-1252 (or refuses it).
std::string commentTextFromWindow(const QString& text);
// A stored keyword-list line as the keyword window shows it.
QString keywordLineForDisplay(const std::string& stored);

} // namespace kestrum
