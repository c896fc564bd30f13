#pragma once
#include <QPalette>

// The window follows the palette Qt gives it (the desktop's, or the style's). A potter who
// wants a dark window on a desktop that does not hand one over starts the program with
// FORNAXEL_PALETTE=dark (best with -style Fusion); "light" asks for the style's own palette.
class ColourScheme {
public:
    // A typical dark palette: dark grey window, white text.
    static QPalette dark();
    // Applies the palette FORNAXEL_PALETTE names; any other value, or none, changes nothing.
    // True when a palette was applied.
    static bool followEnvironment();
};
