// CTextWnd: creation, the lines, the font and painting.
#include "log/TextWnd.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <utility>

#include "log/TextWndDetail.h"

namespace veltmoor {

using textwnd::BottomEdge;
using textwnd::RightEdge;
using textwnd::ToQColor;

CTextWnd::CTextWnd() : QAbstractScrollArea(nullptr) {
    // A sunken client edge, as the Windows log window has; the viewport is the client area.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // Painting covers every pixel: nothing is erased first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    // A plain child window: no tab stop and no keyboard handling.
    setFocusPolicy(Qt::NoFocus);
    // Scroll bars appear only while a range is larger than its page.
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetScrollInfo(Qt::Vertical, -1, 0);
    SetScrollInfo(Qt::Horizontal, -1, 0);
    // Measuring needs a font even before the window exists (lines may arrive
    // first); Create sets it again as part of bringing the window up.
    SetLogFont(LogFontDesc{});
}

CTextWnd::~CTextWnd() = default;

bool CTextWnd::Create(QWidget* parent, const QRect& rect, int id) {
    if (created_) return false;
    id_ = id;
    setParent(parent);
    setGeometry(rect);
    SetLogFont(LogFontDesc{});
    const auto linesPerNotch = static_cast<unsigned>(QGuiApplication::styleHints()->wheelScrollLines());
    // Unsigned, so that a "page at a time" setting (any negative answer) gives 0 too.
    wheelStep_ = linesPerNotch == 0 ? 0 : static_cast<int>(static_cast<unsigned>(kWheelDelta) / linesPerNotch);
    wheelRemainder_ = 0;
    created_ = true;
    show();
    // The size may have been delivered by show() already; measuring again is harmless.
    OnSize();
    return true;
}

// ---------------------------------------------------------------------------
// Lines

void CTextWnd::AddLine(CString text) {
    const LogLine* line = model_.AddLine(text);
    if (line == nullptr) return;
    if (line->Length() > widestLength_) RecordWidestLine(line->Text());
    if (!created_ || dragging_) return;  // a drag's release catches up
    if (!isVisible()) {  // veltmoor-cli's never shown log: nobody sees its scroll bars
        scrollStale_ = true;
        return;
    }
    UpdateVScroll();
    UpdateHScroll();
    viewport()->update();
}

void CTextWnd::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (!std::exchange(scrollStale_, false)) return;
    UpdateVScroll();
    UpdateHScroll();
}

void CTextWnd::Clear() {
    model_.Clear();
    if (!created_) return;
    UpdateVScroll();
    // The widest-line record survives clearing, so the horizontal range does too.
    SetScrollInfo(Qt::Horizontal, widestLength_ - 1, widestFit_);
    viewport()->update();
}

CString CTextWnd::GetText() const { return model_.GetText(); }

// ---------------------------------------------------------------------------
// Font

void CTextWnd::SetLogFont(const LogFontDesc& desc) {
    QFont font;
    font.setFamilies(desc.faces);
    font.setStyleHint(QFont::SansSerif);
    font.setFixedPitch(false);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(desc.weight == 0 ? 400 : desc.weight, 1, 1000)));
    font.setItalic(desc.italic);
    font.setUnderline(desc.underline);
    font.setStrikeOut(desc.strikeOut);
    // Widths must add up character by character, as the measuring assumes.
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    if (desc.height > 0) {
        // A positive height is the cell height (ascent + descent): take the
        // largest pixel size whose cell, descenders and underscore included, is
        // not taller.
        int px = desc.height;
        font.setPixelSize(px);
        while (px > 1 && TextMeasure::CellOf(font).height > desc.height) font.setPixelSize(--px);
    } else if (desc.height < 0) {
        font.setPixelSize(-desc.height);
    }
    font_ = font;
    measure_.SetFont(font_);

    const TextMeasure::Cell cell = TextMeasure::CellOf(font_);
    cellHeight_ = cell.height;
    ascent_ = cell.ascent;
    lineHeight_ = std::max(1, cellHeight_ + std::max(0, QFontMetrics(font_).leading()));

    if (widestLength_ > 0) {
        measure_.Extents(widestText_, widestExtents_);
        MeasureWidestFit();
    }
    if (created_) {
        UpdateVScroll();
        UpdateHScroll();
        viewport()->update();
    }
}

// ---------------------------------------------------------------------------
// Painting

void CTextWnd::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    PaintLines(painter, viewport()->rect());
    DrawHighlight(painter);
}

void CTextWnd::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->repaint();
}

void CTextWnd::PaintLines(QPainter& target, const QRect& rect) {
    if (rect.isEmpty()) return;
    const qreal dpr = viewport()->devicePixelRatioF();
    const QSize pixels = rect.size() * dpr;
    if (offscreen_.size() != pixels) {
        offscreen_ = QImage(pixels, QImage::Format_RGB32);
        offscreen_.setDevicePixelRatio(dpr);
    }
    {
        QPainter mem(&offscreen_);
        mem.translate(-rect.topLeft());
        mem.fillRect(rect, ToQColor(kLogDefaultBackground));
        if (RightEdge(rect) != 0) {
            clientRect_ = rect;
            const int v = verticalScrollBar()->value();
            const int x = -HorizontalOffset();
            const int first = std::max(rect.top() / lineHeight_ + v, 0);
            const int last = std::min(BottomEdge(rect) / lineHeight_ + v, static_cast<int>(rowCount_) - 1);
            int row = 0;
            for (const LogLine& line : model_.Lines()) {
                if (row > last) break;
                if (row >= first) DrawRow(mem, x, lineHeight_ * (row - v), line, 0, line.Length());
                ++row;
            }
        }
    }
    target.drawImage(rect.topLeft(), offscreen_);
}

void CTextWnd::DrawRow(QPainter& painter, int x, int y, const LogLine& line, std::int32_t start,
                       std::int32_t count) const {
    const int limit = RightEdge(clientRect_) - kEdge;
    if (limit < 1) return;
    const bool visible = y < BottomEdge(clientRect_);
    painter.setFont(font_);
    const std::string_view text = line.Text();
    const std::vector<ColourSegment> segments = line.Segments(start, count);
    for (size_t i = 0; i < segments.size(); ++i) {
        const ColourSegment& seg = segments[i];
        const std::string_view part = text.substr(static_cast<size_t>(seg.start), static_cast<size_t>(seg.length));
        const std::int32_t width = measure_.Width(part);
        if (visible) {
            // Opaque text: each character cell takes the segment's background.
            painter.fillRect(QRect(x, y, width, cellHeight_), ToQColor(seg.colours.background));
            painter.setPen(ToQColor(seg.colours.text));
            painter.drawText(QPoint(x, y + ascent_), TextMeasure::ToQString(part));
        }
        if (i + 1 < segments.size()) {
            // A segment wider than the window advances only by the part that fits.
            x += width <= limit ? width : measure_.FitIn(part, limit).extent;
        }
    }
}

}  // namespace veltmoor
