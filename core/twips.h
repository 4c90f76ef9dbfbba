#pragma once

// Window positions, sizes and column widths are given in twips (1/1440 inch): 15 twips a pixel at
// 96 dots per inch. Qt's device-independent pixels are 96-dpi pixels, so the division is exact
// on every screen.
constexpr int TwipsPerPixel = 15;
constexpr int Px(int twips) { return (twips + TwipsPerPixel / 2) / TwipsPerPixel; }
