#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace Contrast {

namespace {

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// `ink` moved the fraction `t` of the way to `target`, channel by channel.
QColor mixed(const QColor& ink, const QColor& target, double t)
{
    const auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(mix(ink.red(), target.red()), mix(ink.green(), target.green()), mix(ink.blue(), target.blue()));
}

}  // namespace

double luminance(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

double ratio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor textOn(const QColor& background)
{
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    return ratio(black, background) >= ratio(white, background) ? black : white;
}

QColor readableOn(const QColor& ink, const QColor& background)
{
    const QColor rgb = ink.toRgb();
    if (ratio(rgb, background) >= kReadable)
        return rgb;
    // Towards black on a light background, towards white on a dark one; the end of the way
    // (black or white) is always readable, so the smallest step that is wins.
    const QColor target = textOn(background);
    for (int step = 1; step < 100; ++step) {
        const QColor c = mixed(rgb, target, step / 100.0);
        if (ratio(c, background) >= kReadable)
            return c;
    }
    return target;
}

}  // namespace Contrast
