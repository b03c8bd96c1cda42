// CTextWnd: the scroll ranges, the widest-line record, the scroll requests and the wheel.
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>

#include "log/TextWnd.h"
#include "log/TextWndDetail.h"

namespace veltmoor {

using textwnd::RightEdge;

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

}  // namespace veltmoor
