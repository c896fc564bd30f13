#pragma once
#include <QColor>

// Readable text: the contrast of two colours as the web accessibility guidelines measure it,
// and the text colours that reach it on any background, light or dark palette alike.
namespace Contrast {

// What every text of the window reaches against its background.
inline constexpr double kReadable = 4.5;

// Relative luminance, 0 (black) to 1 (white).
double luminance(const QColor& c);
// From 1 (same luminance) to 21 (black on white).
double ratio(const QColor& a, const QColor& b);
// Black or white, whichever stands out more on `background`: always 4.58:1 or better.
QColor textOn(const QColor& background);
// `ink` itself when it is readable on `background`; otherwise the same hue, darkened on a
// light background or lightened on a dark one, just enough to be readable.
QColor readableOn(const QColor& ink, const QColor& background);

}  // namespace Contrast
