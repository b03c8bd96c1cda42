#include "app/DialogUnits.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

namespace veltmoor {

QFont DialogFont() {
    // Dialog templates are drawn up for an 8-point sans-serif; the desktop's own
    // family keeps the look native while the sizes stay as designed.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(8);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The width of 52 letters over 26, halved with rounding: the average rounded.
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int MulDiv(int x, int numerator, int denominator) {
    const long long product = static_cast<long long>(x) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QRect MapDialogRect(const DialogBaseUnits& units, const QRect& dialogUnits) {
    // Both corners are mapped, so that adjacent controls stay adjacent.
    const int left = MulDiv(dialogUnits.left(), units.x, 4);
    const int top = MulDiv(dialogUnits.top(), units.y, 8);
    const int right = MulDiv(dialogUnits.left() + dialogUnits.width(), units.x, 4);
    const int bottom = MulDiv(dialogUnits.top() + dialogUnits.height(), units.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

QSize MapDialogSize(const DialogBaseUnits& units, const QSize& dialogUnits) {
    return {MulDiv(dialogUnits.width(), units.x, 4), MulDiv(dialogUnits.height(), units.y, 8)};
}

}  // namespace veltmoor
