#pragma once
// Dialog-unit to pixel conversion for the page layouts, done once as the dialog templates were
// laid out: "MS Shell Dlg" at 96 dpi has base units of 6 x 13 pixels.

#include <QRect>

inline constexpr int kDialogBaseUnitX = 6;
inline constexpr int kDialogBaseUnitY = 13;

// x and width scale by 6/4, y and height by 13/8, each rounded half away from zero.
QRect DialogUnitsToPixels(int x, int y, int width, int height);
