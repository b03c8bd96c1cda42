// CTextWnd, the log window: a growing list of colour-coded lines (LogModel) shown
// in a scrollable widget. AddLine is the one way to write into the log; the model
// works before the window is created (Create) and without it.
//
// Painting composes the whole viewport in an off-screen image and copies it in
// one go. Scroll bars count rows (vertical) and characters of the widest line
// ever added (horizontal). A left-button drag highlights a selection; releasing
// it copies the selection to the clipboard as plain text with CR LF between rows.
//
// On Qt: the viewport is the client area; scroll ranges are kept as maximum and
// page and handed to QScrollBar as its largest position (maximum - page + 1).
// Qt paints only inside paintEvent, so the selection highlight is state (the
// spans to draw over the image) that the release removes; a repaint during the
// drag keeps it. Accepting the press gives the mouse grab that lasts until the
// release. Text is UTF-8: measuring, scrolling and selecting snap to character
// boundaries; widths add up character by character (kerning and shaping off).
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

#include "base/CString.h"
#include "log/LogModel.h"
#include "log/TextMeasure.h"

class QPainter;

namespace veltmoor {

// The font request of the log, in the terms of a logical font description.
// height > 0 is the cell height in pixels (ascent + descent, widened to the
// glyphs' ink so that underscores and descenders stay inside the row), as the
// Windows font mapper reads it; faces are tried in order, then
// the closest sans-serif face.
struct LogFontDesc {
    int height = 12;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QStringList faces = {QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")};
};

class CTextWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Scroll requests, numbered as the scroll-bar notification codes they stand for.
    enum ScrollCode {
        SB_LINEUP = 0,
        SB_LINELEFT = 0,
        SB_LINEDOWN = 1,
        SB_LINERIGHT = 1,
        SB_PAGEUP = 2,
        SB_PAGELEFT = 2,
        SB_PAGEDOWN = 3,
        SB_PAGERIGHT = 3,
        SB_THUMBPOSITION = 4,
        SB_THUMBTRACK = 5,
        SB_TOP = 6,
        SB_BOTTOM = 7,
        SB_ENDSCROLL = 8,
    };

    // Edge width and height a Windows client edge subtracts from the usable width.
    static constexpr int kEdge = 2;
    static constexpr int kWheelDelta = 120;

    CTextWnd();
    ~CTextWnd() override;

    // Makes the window a visible child of parent over rect (parent coordinates),
    // with that control id; sets up the font, scroll bars and wheel step.
    // Returns false when the window already exists.
    bool Create(QWidget* parent, const QRect& rect, int id);
    bool IsCreated() const { return created_; }
    int GetDlgCtrlID() const { return id_; }

    // Appends one line (empty text: nothing at all). Outside a drag the scroll
    // ranges follow and the window repaints; during a drag only the store changes.
    void AddLine(CString text);
    // Removes every line; the horizontal range keeps the widest line ever added.
    void Clear();
    // The whole log as plain text, each line followed by "\r\n".
    CString GetText() const;

    const LogModel& Model() const { return model_; }

    // Replaces the log font and re-measures everything that depends on it.
    void SetLogFont(const LogFontDesc& desc);
    const QFont& LogFont() const { return font_; }

    // Scroll-bar requests (what the scroll bars and the wheel send).
    void OnVScroll(ScrollCode code, int trackPos = 0);
    void OnHScroll(ScrollCode code, int trackPos = 0);

    // State for inspection (tests, the dialog).
    int LineHeight() const { return lineHeight_; }
    int CellHeight() const { return cellHeight_; }  // rows are filled this high; the rest is leading
    std::uint32_t RowCount() const { return rowCount_; }
    int WheelStep() const { return wheelStep_; }
    int WheelRemainder() const { return wheelRemainder_; }
    std::int32_t WidestLength() const { return widestLength_; }
    std::int32_t WidestFit() const { return widestFit_; }
    int HorizontalOffset() const;  // pixels the rows are shifted left by
    bool IsDragging() const { return dragging_; }
    QPoint SelectionStart() const { return selStart_; }
    QPoint SelectionEnd() const { return selEnd_; }
    // The text a drag from start to the end point would copy (start is snapped
    // to a character boundary and stored back, as during a drag).
    CString GetSelectedText(QPoint& start, QPoint end) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // A run of one line that a selection covers, placed in client pixels. It
    // holds a copy of its characters: lines added during a drag may trim the store.
    struct Span {
        CString text;
        int x = 0;
        int y = 0;
    };

    void OnSize();
    void OnLButtonDown(QPoint point);
    void OnMouseMove(QPoint point);
    void OnLButtonUp();

    void UpdateVScroll();
    void UpdateHScroll();
    void RecordWidestLine(std::string_view text);
    void MeasureWidestFit();
    void SetScrollInfo(Qt::Orientation bar, int max, int page);

    void PaintLines(QPainter& target, const QRect& rect);
    void DrawRow(QPainter& painter, int x, int y, const LogLine& line, std::int32_t start, std::int32_t count) const;
    void DrawSelection(QPoint& start, QPoint end, bool highlight);
    void DrawHighlight(QPainter& painter) const;
    std::vector<Span> SelectionSpans(QPoint& start, QPoint end) const;
    int RowUnder(int y) const;

    LogModel model_;
    bool created_ = false;
    bool scrollStale_ = false;  // lines came while hidden: the scroll bars catch up when shown
    int id_ = 0;

    // Font and drawing.
    QFont font_;
    TextMeasure measure_;
    int lineHeight_ = 0;
    int cellHeight_ = 0;
    int ascent_ = 0;
    QRect clientRect_;
    QImage offscreen_;

    // Scroll state: the ranges as maximum and page (the scroll bars hold positions).
    std::uint32_t rowCount_ = 0;
    int vMax_ = -1;
    int vPage_ = 0;
    int hMax_ = -1;
    int hPage_ = 0;

    // The widest line ever added (by characters), with its cumulative extents.
    CString widestText_;
    std::int32_t widestLength_ = 0;
    std::vector<std::int32_t> widestExtents_;
    std::int32_t widestFit_ = 0;

    int wheelStep_ = 0;
    int wheelRemainder_ = 0;

    // Mouse selection. Qt paints only inside paintEvent, so the highlight is kept
    // as the spans to draw over the painted image until the button is released.
    bool dragging_ = false;
    QPoint selStart_;
    QPoint selEnd_;
    std::vector<Span> highlight_;
};

}  // namespace veltmoor
