// Scroll ranges, the follow-the-end rule, the horizontal unit, the wheel.
#include <QWheelEvent>

#include "tests/log/TextWndFixture.h"

namespace veltmoor::testing {
namespace {

class TextWndScroll : public TextWndTest {
protected:
    void Wheel(int delta) {
        const QPoint pos(20, 20);
        QWheelEvent event(QPointF(pos), QPointF(wnd_->viewport()->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd_->viewport(), &event);
    }
    int Count() const { return static_cast<int>(wnd_->RowCount()); }
    QScrollBar* VBar() { return wnd_->verticalScrollBar(); }
    // A line much wider than the window: two red spaces, then green spaces.
    void AddWideLine() { wnd_->AddLine(Bg(4, 2) + Bg(9, 300)); }
};

TEST_F(TextWndScroll, FollowsTheNewestRowUntilScrolledUp) {
    const int page = Page();
    ASSERT_GT(page, 3);
    AddRows(page - 1);
    QApplication::processEvents();  // scroll bars come and go through queued signals
    EXPECT_FALSE(VBar()->isVisible());
    EXPECT_EQ(V(), 0);
    AddRows(2 * page + 1);
    QApplication::processEvents();
    EXPECT_TRUE(VBar()->isVisible());
    EXPECT_EQ(V(), 2 * page);
    wnd_->OnVScroll(CTextWnd::SB_LINEUP);
    AddRows(5);
    EXPECT_EQ(V(), 2 * page - 1);
    wnd_->OnVScroll(CTextWnd::SB_BOTTOM);  // back at the bottom: following again
    AddRows(1);
    EXPECT_EQ(V(), Count() - page);
    AddRows(2002 - Count());  // trimmed to 1002 rows
    EXPECT_EQ(Count(), 1002);
    EXPECT_EQ(V(), 1002 - page);
}

TEST_F(TextWndScroll, VerticalRequestsMoveAsTheirCodesSay) {
    const int page = Page();
    for (int i = 0; i < 5 * page; ++i) wnd_->AddLine(i == 1 ? Bg(4, 6) : "plain");
    const struct {
        CTextWnd::ScrollCode code;
        int arg, pages, rows;  // the position expected after it: pages * page + rows
    } steps[] = {{CTextWnd::SB_TOP, 0, 0, 0},         {CTextWnd::SB_LINEUP, 0, 0, 0},
                 {CTextWnd::SB_PAGEDOWN, 0, 1, 0},    {CTextWnd::SB_LINEDOWN, 0, 1, 1},
                 {CTextWnd::SB_PAGEUP, 0, 0, 1},      {CTextWnd::SB_THUMBTRACK, 7, 0, 7},
                 {CTextWnd::SB_THUMBPOSITION, 2, 0, 7}, {CTextWnd::SB_BOTTOM, 0, 4, 0},
                 {CTextWnd::SB_THUMBTRACK, 5000, 4, 0}, {CTextWnd::SB_THUMBTRACK, 1, 0, 1}};
    for (const auto& s : steps) {
        wnd_->OnVScroll(s.code, s.arg);
        EXPECT_EQ(V(), s.pages * page + s.rows) << "code " << s.code << " " << s.arg;
    }
    EXPECT_EQ(Grab().pixel(2, CellHeight() - 1), kRed);  // row 1 is the top row now
}

TEST_F(TextWndScroll, HorizontalUnitIsACharacterOfTheWidestLineEver) {
    AddWideLine();
    QApplication::processEvents();
    QScrollBar* bar = wnd_->horizontalScrollBar();
    const int fit = wnd_->WidestFit();
    EXPECT_LE(Extent(QString(fit, ' ')), Room());
    EXPECT_GT(Extent(QString(fit + 1, ' ')), Room());
    EXPECT_EQ(bar->pageStep(), fit);
    EXPECT_EQ(bar->maximum(), 302 - fit);
    EXPECT_EQ(Grab().pixel(0, CellHeight() - 1), kRed);
    wnd_->OnHScroll(CTextWnd::SB_LINERIGHT);  // shifted by the first two characters
    EXPECT_EQ(wnd_->HorizontalOffset(), Extent("  "));
    EXPECT_EQ(Grab().pixel(0, CellHeight() - 1), kGreen);
    const struct {
        CTextWnd::ScrollCode code;
        int arg, value;  // value -1: the fit
    } steps[] = {{CTextWnd::SB_LINELEFT, 0, 0},       {CTextWnd::SB_PAGERIGHT, 0, -1}, {CTextWnd::SB_THUMBPOSITION, 3, 3},
                 {CTextWnd::SB_THUMBTRACK, 5, 5},     {CTextWnd::SB_TOP, 0, 5},        {CTextWnd::SB_PAGELEFT, 0, 0}};
    for (const auto& s : steps) {
        wnd_->OnHScroll(s.code, s.arg);
        EXPECT_EQ(bar->value(), s.value < 0 ? fit : s.value) << "code " << s.code;
    }
    wnd_->Clear();
    wnd_->AddLine("short");
    QApplication::processEvents();
    EXPECT_EQ(bar->maximum(), 302 - fit);
    EXPECT_TRUE(bar->isVisible());
    // Resizing recomputes page and fit; the view stays at the end.
    AddRows(100);
    SetClientSize(200, 5 * LineHeight());
    EXPECT_LT(wnd_->WidestFit(), fit);
    EXPECT_EQ(VBar()->pageStep(), Page());
    EXPECT_EQ(V(), Count() - Page());
}

TEST_F(TextWndScroll, MultiByteWidestLineScrollsByWholeCharacters) {
    std::string line;
    for (int i = 0; i < 200; ++i) line += "\xC3\xA9";  // U+00E9, two bytes each
    wnd_->AddLine(line);
    wnd_->OnHScroll(CTextWnd::SB_THUMBTRACK, 2);
    EXPECT_EQ(wnd_->HorizontalOffset(), Extent(QString::fromUtf8("\xC3\xA9\xC3\xA9")));
    EXPECT_EQ(wnd_->WidestFit() % 2, 0);  // the fit never ends inside a character
}

TEST_F(TextWndScroll, WheelScrollsThreeRowsANotchAndKeepsTheRest) {
    EXPECT_EQ(wnd_->WheelStep(), 40);
    AddRows(4 * Page());
    const int end = V();
    const struct {
        int delta, rows, remainder;  // rows up from the end afterwards
    } turns[] = {{120, 3, 0}, {-120, 0, 0}, {60, 1, 20}, {20, 2, 0}, {-100, 0, -20}};
    for (const auto& t : turns) {
        Wheel(t.delta);
        EXPECT_EQ(V(), end - t.rows) << t.delta;
        EXPECT_EQ(wnd_->WheelRemainder(), t.remainder) << t.delta;
    }
    // Seven lines a notch (a setting of 0 reads as the platform's default in Qt).
    QGuiApplication::styleHints()->setWheelScrollLines(7);
    CTextWnd seven;
    seven.Create(parent_.get(), QRect(0, 0, 100, 100), 2);
    EXPECT_EQ(seven.WheelStep(), 17);
}

}  // namespace
}  // namespace veltmoor::testing
