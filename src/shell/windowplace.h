#pragma once
// Where a window restored from its settings goes: where it was, unless that is off every screen
// (a settings file from another monitor layout, or values out of range), in which case it comes
// back onto the first screen, no larger than that screen.
#include <QList>
#include <QRect>

namespace windowplace {

// frame: the window's outer rectangle as saved; screens: the available areas of the screens.
inline QRect keptOnScreen(const QRect &frame, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return frame;
    for (const QRect &s : screens) {
        // Enough of the title bar on a screen to take hold of it.
        const QRect grip(frame.left(), frame.top(), frame.width(), 30);
        const QRect seen = grip.intersected(s);
        if (seen.width() >= 100 && seen.height() >= 10)
            return frame;
    }
    const QRect home = screens.first();
    const int width = qMin(qMax(frame.width(), 1), home.width());
    const int height = qMin(qMax(frame.height(), 1), home.height());
    return QRect(home.left() + qMax(0, (home.width() - width) / 2),
                 home.top() + qMax(0, (home.height() - height) / 2), width, height);
}

} // namespace windowplace
