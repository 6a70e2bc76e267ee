#pragma once

// The CAD colour index palette (ACI) as shown on a dark drawing background.

#include <QColor>

namespace tesk::app {

/// Screen colour of colour index `index` (1..255) on a dark background: 1 red, 2 yellow,
/// 3 green, 4 cyan, 5 blue, 6 magenta, 7 white, 8/9 greys, 10..249 fifteen-degree hue steps in
/// five shades each (even = full colour, odd = pastel), 250..255 a grey ramp. Indexes outside
/// 1..255 (by block, by layer) show as white: callers resolve them first.
QColor AciColor(int index);

} // namespace tesk::app
