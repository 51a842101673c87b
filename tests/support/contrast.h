#pragma once

// Contrast of two colours as the accessibility guidelines reckon it: 1 (none) to 21 (black on
// white); text wants at least 4.5.

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cmath>

constexpr double kLegible = 4.5;

inline double Luminance(const QColor& colour)
{
    auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

inline double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The darkest and the lightest pixel of an area: its background and its text, whichever is which.
inline std::pair<QColor, QColor> Extremes(const QImage& image, const QRect& area)
{
    QColor darkest(Qt::white), lightest(Qt::black);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (Luminance(c) < Luminance(darkest))
                darkest = c;
            if (Luminance(c) > Luminance(lightest))
                lightest = c;
        }
    return {darkest, lightest};
}
