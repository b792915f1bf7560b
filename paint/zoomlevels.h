#pragma once

// The ten zoom factors a view offers, index 0 first; the view's zoom box
// and the paint widget's zoom menu list them in this order.
inline constexpr int ZoomLevels = 10;
inline constexpr int ZoomLevelFactors[ZoomLevels] = {1, 2, 3, 4, 5, 6, 8, 10, 12, 16};
