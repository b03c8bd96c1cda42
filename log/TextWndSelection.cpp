// CTextWnd: the mouse selection, its highlight and its copy to the clipboard.
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <iterator>

#include "log/TextWnd.h"
#include "log/TextWndDetail.h"

namespace veltmoor {

using textwnd::RightEdge;
using textwnd::ToQColor;

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
