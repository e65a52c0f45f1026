#pragma once

#include <QRect>

namespace lexiquill::widgets {

// Window positions and sizes are designed in twips: 15 twips make one pixel at 96 dpi.
constexpr int pixelsFromTwips(int twips) { return (twips * 2 + 15) / 30; }

constexpr QRect rectFromTwips(int left, int top, int width, int height)
{
    return {pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
            pixelsFromTwips(height)};
}

}  // namespace lexiquill::widgets
