#pragma once
// Layout measures are kept in twips, as the window was drawn; Qt works in
// device-independent pixels (15 twips each at 100 % scale, Qt's high-DPI
// scaling does the rest).

#include <QRect>
#include <QSize>

namespace korim::platform {

constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

constexpr QSize twipsSize(int width, int height)
{
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

} // namespace korim::platform
