// Small drawing helpers shared by the parts of CTextWnd (content and painting,
// scrolling, selection).
#pragma once

#include <QColor>
#include <QRect>

#include "log/LogColours.h"

namespace veltmoor::textwnd {

// Rectangle edges as exclusive coordinates (right = left + width).
inline int RightEdge(const QRect& r) { return r.x() + r.width(); }
inline int BottomEdge(const QRect& r) { return r.y() + r.height(); }

inline QColor ToQColor(ColourRef c) {
    return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)), static_cast<int>(BlueOf(c)));
}

}  // namespace veltmoor::textwnd
