// Dialog units (DLU) to pixels, as dialog templates are laid out: a horizontal
// unit is a quarter of the dialog font's average character width, a vertical
// unit an eighth of its height, each product rounded to the nearest pixel.
#pragma once

#include <QFont>
#include <QRect>

namespace veltmoor {

struct DialogBaseUnits {
    int x = 0;  // average width of the letters A-Z and a-z, rounded
    int y = 0;  // line height of the font
};

// The font of the program's dialogs: the desktop's general font at 8 points.
QFont DialogFont();

DialogBaseUnits BaseUnitsOf(const QFont& font);

// x * numerator / denominator rounded half away from zero (the window system's MulDiv).
int MulDiv(int x, int numerator, int denominator);

QRect MapDialogRect(const DialogBaseUnits& units, const QRect& dialogUnits);
QSize MapDialogSize(const DialogBaseUnits& units, const QSize& dialogUnits);

}  // namespace veltmoor
