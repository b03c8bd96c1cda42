// Scroll ranges, the follow-the-end rule, the horizontal unit, the wheel.
#include <QWheelEvent>

#include "base/CString.h"
#include "tests/log/TextWndFixture.h"

namespace veltmoor::testing {
namespace {

class TextWndScroll : public TextWndTest {
protected:
    void AddLines(int n) {
        for (int i = 0; i < n; ++i) Wnd().AddLine(Format("row %d", added_++));
    }
    void Wheel(int delta) {
        const QPoint pos(20, 20);
        QWheelEvent event(QPointF(pos), QPointF(Viewport()->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Viewport(), &event);
    }
    // A line much wider than the window: two red spaces, then green spaces.
    void AddWideLine() { Wnd().AddLine("\x03" "01,04  " "\x03" "01,09" + std::string(300, ' ')); }
    int added_ = 0;
};

TEST_F(TextWndScroll, EmptyLogHasNoVerticalBar) {
    Settle();
    EXPECT_EQ(Wnd().RowCount(), 0u);
    EXPECT_EQ(Wnd().verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(Wnd().verticalScrollBar()->isVisible());
}

TEST_F(TextWndScroll, FewerRowsThanAPageStayAtTheTopWithoutBar) {
    AddLines(Page() - 1);
    Settle();
    EXPECT_EQ(V(), 0);
    EXPECT_FALSE(Wnd().verticalScrollBar()->isVisible());
    EXPECT_EQ(Wnd().verticalScrollBar()->pageStep(), Page());
}

TEST_F(TextWndScroll, FollowsTheEndWhileTheNewestRowIsShown) {
    const int page = Page();
    ASSERT_GT(page, 3);
    AddLines(3 * page);
    Settle();
    EXPECT_TRUE(Wnd().verticalScrollBar()->isVisible());
    EXPECT_EQ(V(), 3 * page - page);
    AddLines(1);
    EXPECT_EQ(V(), 3 * page + 1 - page);
    EXPECT_EQ(Wnd().RowCount(), static_cast<std::uint32_t>(3 * page + 1));
}

TEST_F(TextWndScroll, StaysPutAfterTheOperatorScrolledUp) {
    AddLines(3 * Page());
    Wnd().OnVScroll(CTextWnd::SB_LINEUP);
    const int v = V();
    AddLines(5);
    EXPECT_EQ(V(), v);
    // Scrolling back to the bottom resumes following.
    Wnd().OnVScroll(CTextWnd::SB_BOTTOM);
    const int bottom = V();
    EXPECT_EQ(bottom, static_cast<int>(Wnd().RowCount()) - Page());
    AddLines(1);
    EXPECT_EQ(V(), bottom + 1);
}

TEST_F(TextWndScroll, TrimmingKeepsFollowingTheEnd) {
    AddLines(2001);
    AddLines(1);
    EXPECT_EQ(Wnd().Model().Count(), 1002u);
    EXPECT_EQ(V(), 1002 - Page());
}

TEST_F(TextWndScroll, VerticalRequestsMoveAsTheirCodesSay) {
    AddLines(5 * Page());
    const int page = Page();
    const int max = 5 * page - page;
    Wnd().OnVScroll(CTextWnd::SB_TOP);
    EXPECT_EQ(V(), 0);
    Wnd().OnVScroll(CTextWnd::SB_LINEUP);
    EXPECT_EQ(V(), 0);
    Wnd().OnVScroll(CTextWnd::SB_PAGEDOWN);
    EXPECT_EQ(V(), page);
    Wnd().OnVScroll(CTextWnd::SB_LINEDOWN);
    EXPECT_EQ(V(), page + 1);
    Wnd().OnVScroll(CTextWnd::SB_PAGEUP);
    EXPECT_EQ(V(), 1);
    Wnd().OnVScroll(CTextWnd::SB_THUMBTRACK, 7);
    EXPECT_EQ(V(), 7);
    Wnd().OnVScroll(CTextWnd::SB_THUMBPOSITION, 2);
    EXPECT_EQ(V(), 7);
    Wnd().OnVScroll(CTextWnd::SB_BOTTOM);
    EXPECT_EQ(V(), max);
    Wnd().OnVScroll(CTextWnd::SB_THUMBTRACK, max + 50);
    EXPECT_EQ(V(), max);
}

TEST_F(TextWndScroll, ScrolledRowsArePainted) {
    for (int i = 0; i < 3 * Page(); ++i) Wnd().AddLine(i == 1 ? "\x03" "01,04      " : "plain");
    Wnd().OnVScroll(CTextWnd::SB_TOP);
    Wnd().OnVScroll(CTextWnd::SB_LINEDOWN);
    // Row 1 is now the top row.
    EXPECT_EQ(Grab().pixel(2, CellHeight() - 1), qRgb(255, 0, 0));
}

TEST_F(TextWndScroll, HorizontalPositionOneShiftsByTheFirstTwoCharacters) {
    AddWideLine();
    Settle();
    QScrollBar* bar = Wnd().horizontalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(Wnd().WidestLength(), 302);
    EXPECT_EQ(Wnd().HorizontalOffset(), 0);
    const int y = CellHeight() - 1;
    EXPECT_EQ(Grab().pixel(0, y), qRgb(255, 0, 0));

    Wnd().OnHScroll(CTextWnd::SB_LINERIGHT);
    ASSERT_EQ(bar->value(), 1);
    EXPECT_EQ(Wnd().HorizontalOffset(), Extent("  "));
    const QImage img = Grab();
    EXPECT_EQ(img.pixel(0, y), qRgb(0, 255, 0));

    Wnd().OnHScroll(CTextWnd::SB_LINELEFT);
    EXPECT_EQ(Wnd().HorizontalOffset(), 0);
}

TEST_F(TextWndScroll, HorizontalRangeCountsCharactersOfTheWidestLine) {
    AddWideLine();
    QScrollBar* bar = Wnd().horizontalScrollBar();
    const int fit = Wnd().WidestFit();
    // The fit is measured against the client width less the edge.
    EXPECT_LE(Extent(QString(fit, ' ')), Viewport()->width() - CTextWnd::kEdge);
    EXPECT_GT(Extent(QString(fit + 1, ' ')), Viewport()->width() - CTextWnd::kEdge);
    EXPECT_EQ(bar->pageStep(), fit);
    EXPECT_EQ(bar->maximum(), 302 - fit);
    Wnd().OnHScroll(CTextWnd::SB_PAGERIGHT);
    EXPECT_EQ(bar->value(), fit);
    Wnd().OnHScroll(CTextWnd::SB_THUMBPOSITION, 3);
    EXPECT_EQ(bar->value(), 3);
    Wnd().OnHScroll(CTextWnd::SB_THUMBTRACK, 5);
    EXPECT_EQ(bar->value(), 5);
    Wnd().OnHScroll(CTextWnd::SB_TOP);  // not a horizontal request
    EXPECT_EQ(bar->value(), 5);
    Wnd().OnHScroll(CTextWnd::SB_PAGELEFT);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(TextWndScroll, ClearKeepsTheHorizontalRangeOfTheWidestLineEver) {
    AddWideLine();
    const int max = Wnd().horizontalScrollBar()->maximum();
    ASSERT_GT(max, 0);
    Wnd().Clear();
    Settle();
    EXPECT_EQ(Wnd().horizontalScrollBar()->maximum(), max);
    EXPECT_TRUE(Wnd().horizontalScrollBar()->isVisible());
    EXPECT_EQ(Wnd().RowCount(), 0u);
    EXPECT_FALSE(Wnd().verticalScrollBar()->isVisible());
    Wnd().AddLine("short");
    EXPECT_EQ(Wnd().horizontalScrollBar()->maximum(), max);
    EXPECT_EQ(Wnd().WidestLength(), 302);
}

TEST_F(TextWndScroll, MultiByteWidestLineScrollsByWholeCharacters) {
    std::string line;
    for (int i = 0; i < 200; ++i) line += "\xC3\xA9";  // U+00E9, two bytes each
    Wnd().AddLine(line);
    const int one = Extent(QString::fromUtf8("\xC3\xA9"));
    Wnd().OnHScroll(CTextWnd::SB_THUMBTRACK, 1);
    EXPECT_EQ(Wnd().HorizontalOffset(), one);
    Wnd().OnHScroll(CTextWnd::SB_THUMBTRACK, 2);
    EXPECT_EQ(Wnd().HorizontalOffset(), Extent(QString::fromUtf8("\xC3\xA9\xC3\xA9")));
    // The fit never ends inside a character.
    EXPECT_EQ(Wnd().WidestFit() % 2, 0);
}

TEST_F(TextWndScroll, WheelNotchScrollsThreeRows) {
    EXPECT_EQ(Wnd().WheelStep(), 40);
    AddLines(4 * Page());
    const int end = V();
    Wheel(120);
    EXPECT_EQ(V(), end - 3);
    EXPECT_EQ(Wnd().WheelRemainder(), 0);
    Wheel(-120);
    EXPECT_EQ(V(), end);
}

TEST_F(TextWndScroll, HalfNotchScrollsOneRowAndKeepsTheRest) {
    AddLines(4 * Page());
    const int end = V();
    Wheel(60);
    EXPECT_EQ(V(), end - 1);
    EXPECT_EQ(Wnd().WheelRemainder(), 20);
    Wheel(20);
    EXPECT_EQ(V(), end - 2);
    EXPECT_EQ(Wnd().WheelRemainder(), 0);
    Wheel(-100);
    EXPECT_EQ(V(), end);
    EXPECT_EQ(Wnd().WheelRemainder(), -20);
}

TEST_F(TextWndScroll, WheelStepFollowsTheSystemSetting) {
    // (Qt reads a setting of 0 as "use the platform's default", so a step of 0
    // cannot be produced from here.)
    QGuiApplication::styleHints()->setWheelScrollLines(7);
    CTextWnd seven;
    seven.Create(parent_.get(), QRect(0, 0, 100, 100), 2);
    EXPECT_EQ(seven.WheelStep(), 17);
    QGuiApplication::styleHints()->setWheelScrollLines(3);
}

TEST_F(TextWndScroll, ResizingRecomputesPageAndFit) {
    AddWideLine();
    AddLines(100);
    const int fit = Wnd().WidestFit();
    SetClientSize(200, 5 * LineHeight());
    EXPECT_LT(Wnd().WidestFit(), fit);
    EXPECT_EQ(Wnd().verticalScrollBar()->pageStep(), Viewport()->height() / LineHeight());
    EXPECT_EQ(V(), static_cast<int>(Wnd().RowCount()) - Viewport()->height() / LineHeight());
}

}  // namespace
}  // namespace veltmoor::testing
