#include "ui/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdint>

namespace kestrum {

namespace {

// Pixels of a window that stay on a screen, as the rule for a stored left and top has always left.
constexpr int kMargin = 50;
// What a screen is taken to be when Qt has none.
const QRect kNoScreen(0, 0, 1024, 768);

QList<QRect> availableAreas() {
    QList<QRect> areas;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas.append(screen->availableGeometry());
    areas.removeIf([](const QRect& area) { return area.isEmpty(); });
    if (areas.isEmpty())
        areas.append(kNoScreen);
    return areas;
}

// How far `point` lies outside `area`, in 64 bits: a stored place may be anywhere an int reaches.
std::int64_t distanceOutside(const QRect& area, QPoint point) {
    const std::int64_t x = point.x(), y = point.y();
    const std::int64_t across = std::max({std::int64_t{area.left()} - x, std::int64_t{0}, x - area.right()});
    const std::int64_t down = std::max({std::int64_t{area.top()} - y, std::int64_t{0}, y - area.bottom()});
    return across + down;
}

// The area holding `point`, or the nearest one (the primary's when two are as near).
QRect nearestArea(const QList<QRect>& areas, QPoint point) {
    return *std::min_element(areas.begin(), areas.end(), [&](const QRect& a, const QRect& b) {
        return distanceOutside(a, point) < distanceOutside(b, point);
    });
}

// A side's length between the window's minimum and the screen's (the minimum wins on a tiny screen).
int fittedLength(int stored, int minimum, int available) {
    return std::clamp(stored, minimum, std::max(minimum, available));
}

// A start (left or top) within the area from `areaStart`, leaving the margin (or the whole window,
// when it is smaller) on the area.
int fittedStart(int stored, int length, int areaStart, int areaLength) {
    const int latest = areaStart + std::max(0, areaLength - std::min(length, kMargin));
    return std::clamp(stored, areaStart, latest);
}

} // namespace

QRect placementOnScreens(const QWidget& window, int left, int top, std::optional<QSize> storedSize) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect full = primary != nullptr ? primary->geometry() : kNoScreen;
    QPoint at = window.pos();
    if (left < full.width() - kMargin)
        at.setX(left);
    if (top < full.height() - kMargin)
        at.setY(top);

    const QRect area = nearestArea(availableAreas(), at);
    const QSize minimum = window.minimumSize().expandedTo(QSize(kMargin, kMargin));
    const QSize size = storedSize ? QSize(fittedLength(storedSize->width(), minimum.width(), area.width()),
                                          fittedLength(storedSize->height(), minimum.height(), area.height()))
                                  : window.size();
    const QPoint place(fittedStart(at.x(), size.width(), area.left(), area.width()),
                       fittedStart(at.y(), size.height(), area.top(), area.height()));
    return QRect(place, size);
}

QPoint placementBeside(const QWidget& window, const QWidget& beside, int slot) {
    constexpr int kGap = 8;
    constexpr int kSlotStep = 40;
    const QRect player = beside.frameGeometry();
    const QRect area = nearestArea(availableAreas(), player.center());
    // A window not yet shown has no frame yet: leave room for a window manager's title and border.
    const QSize size =
        window.isVisible() ? window.frameGeometry().size() : window.size() + QSize(2 * kGap, 4 * kGap);
    const int step = slot * kSlotStep;
    const QPoint candidates[] = {
        {player.right() + 1 + kGap, player.top() + step},
        {player.left() - kGap - size.width(), player.top() + step},
        {player.left() + step, player.bottom() + 1 + kGap},
        {player.left() + step, player.top() - kGap - size.height()},
    };
    for (const QPoint& place : candidates)
        if (area.contains(QRect(place, size)))
            return place;
    // No room beside it: as far to the right as the whole window stays on the screen.
    return {
        std::clamp(candidates[0].x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())),
        std::clamp(candidates[0].y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()))};
}

} // namespace kestrum
