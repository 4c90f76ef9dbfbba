#pragma once

// Window positions, sizes and column widths are given in twips (1/1440 inch): 15 twips a pixel
// for the small font the layouts were drawn for. Where the desktop's font is larger, the whole
// layout grows with it, as Windows did with its large fonts: fewer twips a pixel, the same
// proportions, and every caption still fits at the desktop's font.

class QFont;

// How much larger than the layouts' font the given font is (at least 1).
double TwipsScaleFor(const QFont& font);
// The scale for the application's font; it follows QApplication::setFont.
double TwipsScale();

// Pixels (Qt's device-independent ones) for a length in twips, at the application's font.
int Px(int twips);
