#pragma once

#include <QPixmap>

inline constexpr int LogoWidth = 216;
inline constexpr int LogoHeight = 113;

// The picture beside the grid: the product name over a small drawing of a bent tube, drawn at
// the screen's pixel ratio so it stays crisp.
QPixmap TubrixLogo(qreal devicePixelRatio);
