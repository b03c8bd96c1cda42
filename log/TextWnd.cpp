#include "log/TextWnd.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleHints>
#include <QWheelEvent>
#include <algorithm>
#include <iterator>

#include "log/Utf8.h"

namespace veltmoor {

namespace {

// Rectangle edges as exclusive coordinates (right = left + width).
int RightEdge(const QRect& r) { return r.x() + r.width(); }
int BottomEdge(const QRect& r) { return r.y() + r.height(); }

QColor ToQColor(ColourRef c) { return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)), static_cast<int>(BlueOf(c))); }

}  // namespace

CTextWnd::CTextWnd() : QAbstractScrollArea(nullptr) {
    // The client edge of the original window; the viewport is the client area.
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
    UpdateVScroll();
    UpdateHScroll();
    viewport()->update();
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
        // largest pixel size whose cell is not taller.
        int px = desc.height;
        font.setPixelSize(px);
        while (px > 1 && QFontMetrics(font).height() > desc.height) font.setPixelSize(--px);
    } else if (desc.height < 0) {
        font.setPixelSize(-desc.height);
    }
    font_ = font;
    measure_.SetFont(font_);

    const QFontMetrics fm(font_);
    cellHeight_ = fm.height();
    ascent_ = fm.ascent();
    lineHeight_ = std::max(1, cellHeight_ + std::max(0, fm.leading()));

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
// Scroll state

void CTextWnd::SetScrollInfo(Qt::Orientation bar, int max, int page) {
    QScrollBar* sb = bar == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    if (bar == Qt::Vertical) {
        vMax_ = max;
        vPage_ = page;
    } else {
        hMax_ = max;
        hPage_ = page;
    }
    // A range of 0..max with a page of P allows positions up to max - (P - 1);
    // the bar hides itself when that leaves nothing to scroll.
    const int top = std::max(0, max - std::max(page - 1, 0));
    const int before = sb->value();
    {
        // The scroll area answers every range change with a queued relayout; it
        // is only needed when the bar has to appear or disappear, and skipping
        // it keeps adding lines cheap.
        const bool sameVisibility = (sb->maximum() > sb->minimum()) == (top > 0);
        const QSignalBlocker quiet(sameVisibility ? sb : nullptr);
        sb->setSingleStep(1);
        sb->setPageStep(std::max(page, 0));
        sb->setRange(0, top);
    }
    // A position the new range limited moves every row (the signal may have been held back).
    if (sb->value() != before) viewport()->update();
}

void CTextWnd::UpdateVScroll() {
    QScrollBar* sb = verticalScrollBar();
    bool atEnd = false;
    if (rowCount_ != 0) {
        const auto page = static_cast<std::uint32_t>(vPage_);
        const auto pos = static_cast<std::uint32_t>(sb->value());
        atEnd = (page + pos) * 100u / rowCount_ >= 100u;
    }
    rowCount_ = static_cast<std::uint32_t>(model_.Count());
    const int page = clientRect_.height() / lineHeight_;
    SetScrollInfo(Qt::Vertical, static_cast<int>(rowCount_) - 1, page);
    // The view that showed the newest row keeps showing it; the bar limits the
    // position, so with fewer rows than a page it becomes 0.
    if (atEnd) sb->setValue(vMax_ - vPage_ + 1);
}

void CTextWnd::UpdateHScroll() { SetScrollInfo(Qt::Horizontal, widestLength_ - 1, widestFit_); }

void CTextWnd::RecordWidestLine(std::string_view text) {
    widestText_.assign(text);
    widestLength_ = static_cast<std::int32_t>(text.size());
    widestExtents_.clear();
    widestFit_ = 0;
    measure_.Extents(widestText_, widestExtents_);
    MeasureWidestFit();
}

void CTextWnd::MeasureWidestFit() {
    const int limit = RightEdge(clientRect_) - kEdge;
    // Bytes of one character share an extent, so the count ends on a boundary.
    widestFit_ = static_cast<std::int32_t>(std::upper_bound(widestExtents_.begin(), widestExtents_.end(), limit) -
                                           widestExtents_.begin());
}

int CTextWnd::HorizontalOffset() const {
    const int h = horizontalScrollBar()->value();
    if (h <= 0 || widestLength_ == 0 || widestExtents_.empty()) return 0;
    return widestExtents_[static_cast<size_t>(std::min<int>(h, static_cast<int>(widestExtents_.size()) - 1))];
}

int CTextWnd::RowUnder(int y) const {
    const int row = y / lineHeight_ + verticalScrollBar()->value();
    return row < 0 ? 0 : row;
}

void CTextWnd::OnSize() {
    clientRect_ = viewport()->rect();
    if (widestLength_ > 0 && !widestExtents_.empty()) MeasureWidestFit();
    UpdateVScroll();
    UpdateHScroll();
}

void CTextWnd::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // Also called when the viewport changes size because a scroll bar came or went.
    if (created_) OnSize();
}

void CTextWnd::scrollContentsBy(int, int) {
    // Positions only change for real here; every row moves, so repaint it all.
    viewport()->update();
}

void CTextWnd::OnVScroll(ScrollCode code, int trackPos) {
    QScrollBar* sb = verticalScrollBar();
    const int pos = sb->value();
    int next = pos;
    switch (code) {
    case SB_LINEUP: next = pos - 1; break;
    case SB_LINEDOWN: next = pos + 1; break;
    case SB_PAGEUP: next = pos - vPage_; break;
    case SB_PAGEDOWN: next = pos + vPage_; break;
    case SB_THUMBTRACK: next = trackPos; break;
    case SB_TOP: next = 0; break;
    case SB_BOTTOM: next = vMax_; break;
    default: break;
    }
    sb->setValue(next);  // limited to the range; a real change repaints
}

void CTextWnd::OnHScroll(ScrollCode code, int trackPos) {
    QScrollBar* sb = horizontalScrollBar();
    const int pos = sb->value();
    int next = pos;
    switch (code) {
    case SB_LINELEFT: next = pos - 1; break;
    case SB_LINERIGHT: next = pos + 1; break;
    case SB_PAGELEFT: next = pos - hPage_; break;
    case SB_PAGERIGHT: next = pos + hPage_; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = trackPos; break;
    default: break;
    }
    sb->setValue(next);
}

void CTextWnd::wheelEvent(QWheelEvent* event) {
    if (wheelStep_ == 0) {
        event->ignore();
        return;
    }
    wheelRemainder_ += event->angleDelta().y();
    while (wheelRemainder_ >= wheelStep_) {
        OnVScroll(SB_LINEUP);
        wheelRemainder_ -= wheelStep_;
    }
    while (wheelRemainder_ <= -wheelStep_) {
        OnVScroll(SB_LINEDOWN);
        wheelRemainder_ += wheelStep_;
    }
    event->accept();
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

// ---------------------------------------------------------------------------
// Selection

std::vector<CTextWnd::Span> CTextWnd::SelectionSpans(QPoint& s, QPoint e) const {
    std::vector<Span> spans;
    const int limit = RightEdge(clientRect_) - kEdge;
    if (limit < 1) return spans;
    const int r1 = RowUnder(s.y());
    const int r2 = RowUnder(e.y());
    if (s.y() >= e.y() && s.x() >= e.x()) return spans;
    const int v = verticalScrollBar()->value();
    const int o = HorizontalOffset();
    int row = 0;
    for (const LogLine& line : model_.Lines()) {
        if (row > r2) break;
        if (row >= r1) {
            if (s.x() < 0) s.setX(0);
            const std::string_view text = line.Text();
            // Snap the start to the character boundary at or left of it in the scrolled view.
            const TextMeasure::Fit head = measure_.FitIn(text, s.x() + o);
            if (row == r1) s.setX(head.count > 0 ? head.extent - o : 0);
            const std::string_view rest = text.substr(static_cast<size_t>(head.count));
            Span span;
            std::int32_t count = 0;
            if (row == r1 && r1 == r2 && e.x() > s.x()) {
                count = measure_.FitIn(rest, e.x() - s.x()).count;
                span.text.assign(rest.substr(0, static_cast<size_t>(count)));
                span.x = head.extent - o;
            } else if (row == r1 && r1 < r2) {
                count = measure_.FitIn(rest, limit - s.x()).count;
                span.text.assign(rest.substr(0, static_cast<size_t>(count)));
                span.x = head.extent - o;
            } else if (row > r1 && row < r2) {
                count = line.Length();
                span.text.assign(text);
                span.x = -o;
            } else if (row == r2 && r2 > r1) {
                count = measure_.FitIn(text, e.x() + o).count;
                span.text.assign(text.substr(0, static_cast<size_t>(count)));
                span.x = -o;
            }
            span.y = (row - v) * lineHeight_;
            if (count > 0) spans.push_back(std::move(span));
        }
        ++row;
    }
    return spans;
}

CString CTextWnd::GetSelectedText(QPoint& start, QPoint end) const {
    CString out;
    for (const Span& span : SelectionSpans(start, end)) {
        if (!out.empty()) out.append("\r\n");
        out.append(span.text);
    }
    return out;
}

void CTextWnd::DrawSelection(QPoint& start, QPoint end, bool highlight) {
    // Qt paints only inside paintEvent: the highlight is kept as spans drawn over
    // the painted image until it is switched off; switching it off lets the next
    // paint show those rows in their own colours again.
    std::vector<Span> spans = SelectionSpans(start, end);
    if (highlight) {
        highlight_ = std::move(spans);
    } else {
        highlight_.clear();
    }
    viewport()->update();
}

void CTextWnd::DrawHighlight(QPainter& painter) const {
    if (highlight_.empty()) return;
    painter.setFont(font_);
    for (const Span& span : highlight_) {
        const int width = measure_.Width(span.text);
        painter.fillRect(QRect(span.x, span.y, width, cellHeight_), ToQColor(kLogSelectionBackground));
        painter.setPen(ToQColor(kLogSelectionText));
        painter.drawText(QPoint(span.x, span.y + ascent_), TextMeasure::ToQString(span.text));
    }
}

void CTextWnd::OnLButtonDown(QPoint point) {
    if (dragging_) {
        if (selStart_.x() < selEnd_.x() && selStart_.y() <= selEnd_.y()) DrawSelection(selStart_, selEnd_, false);
        selEnd_ = QPoint(0, 0);
        dragging_ = false;
    }
    const int row = RowUnder(point.y());
    if (static_cast<size_t>(row) < model_.Count()) {
        const LogLine& line = *std::next(model_.Lines().begin(), row);
        // Measured from the line's first character, without the horizontal offset.
        const TextMeasure::Fit fit = measure_.FitIn(line.Text(), point.x());
        selStart_ = QPoint(fit.count > 0 ? fit.extent : 0, (row - verticalScrollBar()->value()) * lineHeight_);
    }
}

void CTextWnd::OnMouseMove(QPoint point) {
    dragging_ = true;
    const QPoint end(point.x(), (RowUnder(point.y()) - verticalScrollBar()->value()) * lineHeight_);
    if ((selEnd_.x() > end.x() && selEnd_.y() == end.y()) || selEnd_.y() >= end.y() + lineHeight_) {
        QPoint from = end;
        DrawSelection(from, selEnd_, false);
    }
    DrawSelection(selStart_, end, true);
    selEnd_ = end;
}

void CTextWnd::OnLButtonUp() {
    if (dragging_) {
        CString text;
        const bool forward = (selStart_.x() < selEnd_.x() && selStart_.y() == selEnd_.y()) || selStart_.y() < selEnd_.y();
        if (forward) text = GetSelectedText(selStart_, selEnd_);
        DrawSelection(selStart_, selEnd_, false);
        // Lines added during the drag touched neither the ranges nor the display.
        UpdateVScroll();
        UpdateHScroll();
        viewport()->repaint();
        if (!text.empty()) QGuiApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        selEnd_ = QPoint(0, 0);
    }
    dragging_ = false;
}

void CTextWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    OnLButtonDown(event->position().toPoint());
    // Accepting the press makes Qt grab the mouse for this window until release,
    // so moves outside the client area keep arriving.
    event->accept();
}

void CTextWnd::mouseMoveEvent(QMouseEvent* event) {
    // The left button alone: no other button, no Shift or Ctrl.
    const bool leftAlone = event->buttons() == Qt::LeftButton &&
                           (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) == 0;
    if (leftAlone) {
        OnMouseMove(event->position().toPoint());
        event->accept();
        return;
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CTextWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    OnLButtonUp();
    event->accept();
}

}  // namespace veltmoor
