#pragma once

#include <QIcon>

// The glyphs of the viewer's navigation pad (MovPal), in the order of its buttons.
enum class PadGlyph {
    TurnLeftC,
    TurnUp,
    TurnRightC,
    TurnLeft,
    Rest,
    TurnRight,
    ZoomOut,
    TurnDown,
    ZoomIn,
    PanRight,
    PanUp,
    PanLeft,
    PanDown,
    Zoo,
    None
};

// The glyph of a pad button as an icon whose engine paints the vector drawing at whatever size and
// device pixel ratio is asked, with a greyed look for QIcon::Disabled. PadGlyph::None gives a null
// QIcon.
QIcon PadGlyphIcon(PadGlyph glyph);

inline constexpr int PadGlyphSize = 16; // logical size of every glyph
