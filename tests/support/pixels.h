#pragma once
// Reading what a window shows: pixels of a grab or of a screenshot.
#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdlib>

namespace testsupport {

// Pixels within rect of the image that are the colour, or close to it where the text's edges
// blend into the background (each channel within 60).
inline int CountPixelsNear(const QImage& image, const QRect& rect, const QColor& colour)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (!image.valid(x, y))
                continue;
            const QColor c(image.pixel(x, y));
            if (std::abs(c.red() - colour.red()) <= 60 && std::abs(c.green() - colour.green()) <= 60 &&
                std::abs(c.blue() - colour.blue()) <= 60)
                ++n;
        }
    return n;
}

}  // namespace testsupport
