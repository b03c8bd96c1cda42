// The log window on the offscreen platform: painting checked on the grabbed client
// area, scrolling, the wheel, and mouse selection with its copy on release.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "log/TextMeasure.h"
#include "log/TextWnd.h"

namespace veltmoor::testing {
namespace {

using W = CTextWnd;
constexpr QRgb kBackground = qRgb(0, 0, 64), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
               kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255), kYellow = qRgb(255, 255, 0);

// n spaces in palette colour `background`: they draw nothing but their cells' background.
std::string Bg(int background, int n) {
    return "\x03" "01," + std::to_string(100 + background).substr(1) + std::string(static_cast<size_t>(n), ' ');
}

class TextWnd : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::styleHints()->setWheelScrollLines(3);  // 40 units of a 120-unit notch a row
        parent_->resize(440, 260);
        ASSERT_TRUE(wnd_->Create(parent_.get(), QRect(10, 10, 400, 200), 6435));
        parent_->show();
        QApplication::processEvents();
    }
    int LineHeight() const { return wnd_->LineHeight(); }
    int Bottom() const { return wnd_->CellHeight() - 1; }  // lowest pixel row of the first row's cells
    int V() const { return wnd_->verticalScrollBar()->value(); }
    int Page() const { return wnd_->viewport()->height() / LineHeight(); }
    int Room() const { return wnd_->viewport()->width() - CTextWnd::kEdge; }  // width text may take
    int Count() const { return static_cast<int>(wnd_->RowCount()); }
    void AddRows(int n, const std::string& text = "row") {
        for (int i = 0; i < n; ++i) wnd_->AddLine(text);
    }
    void SetClientSize(int w, int h) {  // while no scroll bar shows
        wnd_->resize(w + 2 * wnd_->frameWidth(), h + 2 * wnd_->frameWidth());
        QApplication::processEvents();
    }
    QImage Grab() { return wnd_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRgb Pixel(int x, int y) { return Grab().pixel(x, y); }
    static bool All(const QImage& img, QRect area, QRgb colour) {  // every pixel of area in colour
        QImage want = img.copy(area.intersected(img.rect()));
        want.fill(colour);
        return img.copy(area.intersected(img.rect())) == want;
    }
    // Width of text as the widget measures it: character advances added up, rounded once.
    int Extent(const QString& text) const {
        const QFontMetricsF fm(wnd_->LogFont());
        double sum = 0;
        for (QChar ch : text) sum += fm.horizontalAdvance(ch);
        return static_cast<int>(std::lround(sum));
    }
    int Spaces(int n) const { return Extent(QString(n, ' ')); }
    // dx pixels right of where prefix ends on row `row`, half-way down the row.
    QPoint At(const char* prefix, int row, int dx = 0) const {
        return QPoint(Extent(QString::fromUtf8(prefix)) + dx, row * LineHeight() + LineHeight() / 2);
    }

    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {},
               Qt::MouseButton button = Qt::LeftButton) {
        if (type == QEvent::MouseMove) button = Qt::NoButton;
        QMouseEvent event(type, QPointF(pos), QPointF(wnd_->viewport()->mapToGlobal(pos)), button, buttons, modifiers);
        QApplication::sendEvent(wnd_->viewport(), &event);
    }
    void Press(QPoint pos) { Mouse(QEvent::MouseButtonPress, pos, Qt::LeftButton); }
    void Move(QPoint pos, Qt::KeyboardModifiers mods = {}) { Mouse(QEvent::MouseMove, pos, Qt::LeftButton, mods); }
    void Release(QPoint pos) { Mouse(QEvent::MouseButtonRelease, pos, Qt::NoButton); }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        Press(from), Move((from + to) / 2, modifiers), Move(to, modifiers), Release(to);
    }
    static std::string Clipboard() { return QGuiApplication::clipboard()->text().toStdString(); }

    std::unique_ptr<QWidget> parent_ = std::make_unique<QWidget>();
    std::unique_ptr<CTextWnd> wnd_ = std::make_unique<CTextWnd>();  // goes before its parent
};

TEST_F(TextWnd, UnderscoresAndDescendersAreInkedInsideTheirRow) {
    // Under a coloured second row, so that ink below the first row's rectangle is painted over.
    wnd_->AddLine("IX_FOLDERS_ACCOUNT gjpqy");
    wnd_->AddLine(Bg(4, 40));
    const QImage img = Grab();
    for (const auto& [before, glyph] : {std::pair{"IX", "_"}, {"IX_FOLDERS", "_"}, {"IX_FOLDERS_ACCOUNT ", "g"},
                                        {"IX_FOLDERS_ACCOUNT gjp", "q"}}) {
        int inked = 0;
        // The lowest third of the row's rectangle, where nothing but underscores and descenders draws.
        for (int y = LineHeight() * 2 / 3; y < LineHeight(); ++y)
            for (int x = Extent(before); x < Extent(QString(before) + glyph); ++x)
                inked += qRed(img.pixel(x, y)) >= 128;
        EXPECT_GT(inked, 0) << glyph << " after " << before;
    }
}

TEST_F(TextWnd, OnlyBackgroundWithoutTextToShow) {
    EXPECT_TRUE(All(Grab(), Grab().rect(), kBackground));
    wnd_->AddLine(Bg(8, 10));
    wnd_->Clear();
    EXPECT_TRUE(All(Grab(), Grab().rect(), kBackground));
    // A control character from the database is drawn as its picture (never as nothing,
    // which would hide it), one character for one byte.
    EXPECT_EQ(TextMeasure::ToQString("a\x1b[2J\x07\x7f\xc2\x9b" "b"), QString::fromUtf16(u"a\u241b[2J\u2407\u2421\ufffdb"));
    wnd_->AddLine("\x1b\x1b\x1b\x1b");
    QApplication::processEvents();
    EXPECT_FALSE(All(Grab(), QRect(0, 0, Room(), LineHeight()), kBackground)) << "four ESC pictures, not nothing";
    wnd_->Clear();
    SetClientSize(1, 100);  // narrower than the edge
    wnd_->AddLine(Bg(8, 10));
    EXPECT_TRUE(All(Grab(), Grab().rect(), kBackground));
}

TEST_F(TextWnd, RunsRowsAndLeadingSitWhereMeasured) {
    wnd_->AddLine(Bg(4, 6) + Bg(9, 6) + Bg(12, 6));
    wnd_->AddLine("\x03" "01,04" "ab" "\x03" "01,12" "cd");
    const QImage img = Grab();
    const int w = Spaces(6), y = Bottom(), y2 = LineHeight() + y;
    // x, y, colour; on row 2, below the glyphs of these letters, the run boundary is exactly at the measured width.
    const int ab = Extent("ab");
    for (const auto& [x, at, colour] : {std::tuple{0, 0, kRed}, {w / 2, y, kRed}, {w + w / 2, y, kGreen},
                                        {2 * w + w / 2, y, kBlue}, {ab - 1, y2, kRed}, {ab, y2, kBlue}})
        EXPECT_EQ(img.pixel(x, at), colour) << x << "," << at;
    EXPECT_TRUE(All(img, QRect(3 * w + 2, 0, img.width(), LineHeight()), kBackground));  // right of the text
    EXPECT_TRUE(All(img, QRect(0, y + 1, img.width(), LineHeight() - y - 1), kBackground));  // the leading
    EXPECT_TRUE(All(img, QRect(0, 2 * LineHeight(), img.width(), img.height()), kBackground));
    wnd_->Clear();
    // A closed code right after U+00E9 lands on its last byte: the whole character takes its colours.
    wnd_->AddLine("\x03" "01,04a\xC3\xA9\x03" "09\x03" "\xC3\xA9");
    EXPECT_EQ(Pixel(Extent("a") - 1, y), kRed);
    EXPECT_EQ(Pixel(Extent("a") + 1, y), kBackground);
    // A run wider than the window advances only by its visible part.
    wnd_->Clear();
    SetClientSize(100, 60);
    wnd_->AddLine(Bg(4, 80) + Bg(9, 3));
    int fit = 0;
    while (Spaces(fit + 1) <= Room()) ++fit;
    EXPECT_EQ(Pixel(Spaces(fit) - 1, Bottom()), kRed);
    EXPECT_EQ(Pixel(Spaces(fit) + 1, Bottom()), kGreen);
}

TEST_F(TextWnd, PartlyVisibleBottomRowIsClippedNotSkipped) {
    SetClientSize(300, 2 * LineHeight() + LineHeight() / 2);
    AddRows(3, Bg(8, 10));
    wnd_->OnVScroll(CTextWnd::SB_TOP);
    ASSERT_EQ(Grab().height(), 2 * LineHeight() + LineHeight() / 2);
    EXPECT_EQ(Pixel(2, 2 * LineHeight()), kYellow);
    EXPECT_EQ(Pixel(2, Grab().height() - 1), kYellow);
    // Lines added before creation are shown too.
    CTextWnd early;
    early.AddLine(Bg(8, 10));
    ASSERT_TRUE(early.Create(parent_.get(), QRect(0, 0, 200, 100), 7));
    EXPECT_FALSE(early.Create(parent_.get(), QRect(0, 0, 10, 10), 1));  // only once
    EXPECT_EQ(early.viewport()->grab().toImage().pixel(2, Bottom()), kYellow);
}

TEST_F(TextWnd, FollowsTheNewestRowUntilScrolledUp) {
    const int page = Page();
    AddRows(page - 1);
    QApplication::processEvents();  // scroll bars come and go through queued signals
    EXPECT_FALSE(wnd_->verticalScrollBar()->isVisible());
    AddRows(2 * page + 1);
    QApplication::processEvents();
    EXPECT_TRUE(wnd_->verticalScrollBar()->isVisible());
    EXPECT_EQ(V(), 2 * page);
    wnd_->OnVScroll(CTextWnd::SB_LINEUP);
    AddRows(5);
    EXPECT_EQ(V(), 2 * page - 1);
    wnd_->OnVScroll(CTextWnd::SB_BOTTOM);  // back at the bottom: following again
    AddRows(2002 - Count());               // and through the trimming to 1002 rows
    EXPECT_EQ(Count(), 1002);
    EXPECT_EQ(V(), 1002 - page);
    parent_->hide();  // rows added while hidden: shown again, it follows them
    AddRows(7);
    parent_->show();
    QApplication::processEvents();
    EXPECT_EQ(V(), 1009 - page);
}

TEST_F(TextWnd, VerticalRequestsMoveAsTheirCodesSay) {
    const int page = Page();
    for (int i = 0; i < 5 * page; ++i) wnd_->AddLine(i == 1 ? Bg(4, 6) : "plain");
    // code, its argument, the position expected after it: pages * page + rows
    for (const auto& [code, arg, pages, rows] :
         {std::tuple{W::SB_TOP, 0, 0, 0}, {W::SB_LINEUP, 0, 0, 0}, {W::SB_PAGEDOWN, 0, 1, 0}, {W::SB_LINEDOWN, 0, 1, 1},
          {W::SB_PAGEUP, 0, 0, 1}, {W::SB_THUMBTRACK, 7, 0, 7}, {W::SB_THUMBPOSITION, 2, 0, 7}, {W::SB_BOTTOM, 0, 4, 0},
          {W::SB_THUMBTRACK, 5000, 4, 0}, {W::SB_THUMBTRACK, 1, 0, 1}}) {
        wnd_->OnVScroll(code, arg);
        EXPECT_EQ(V(), pages * page + rows) << "code " << code << " " << arg;
    }
    EXPECT_EQ(Pixel(2, Bottom()), kRed);  // row 1 is the top row now
}

TEST_F(TextWnd, HorizontalUnitIsACharacterOfTheWidestLineEver) {
    wnd_->AddLine(Bg(4, 2) + Bg(9, 300));
    QScrollBar* bar = wnd_->horizontalScrollBar();
    const int fit = wnd_->WidestFit();
    EXPECT_LE(Spaces(fit), Room());
    EXPECT_GT(Spaces(fit + 1), Room());
    EXPECT_EQ(bar->pageStep(), fit);
    EXPECT_EQ(bar->maximum(), 302 - fit);
    wnd_->OnHScroll(CTextWnd::SB_LINERIGHT);  // shifted by the first two characters
    EXPECT_EQ(wnd_->HorizontalOffset(), Spaces(2));
    EXPECT_EQ(Pixel(0, Bottom()), kGreen);
    for (const auto& [code, arg, value] : {std::tuple{W::SB_PAGERIGHT, 0, 1 + fit}, {W::SB_THUMBTRACK, 5, 5},
                                           {W::SB_TOP, 0, 5}, {W::SB_PAGELEFT, 0, 0}}) {
        wnd_->OnHScroll(code, arg);
        EXPECT_EQ(bar->value(), value) << "code " << code;
    }
    wnd_->Clear();
    wnd_->AddLine("short");
    AddRows(100);
    SetClientSize(200, 5 * LineHeight());  // page and fit follow the size; the range stays the widest line's
    EXPECT_LT(wnd_->WidestFit(), fit);
    EXPECT_EQ(bar->maximum(), 302 - wnd_->WidestFit());
    EXPECT_EQ(V(), Count() - Page());
    wnd_->AddLine(QString(200, QChar(0xE9)).toStdString());  // U+00E9, two bytes each: whole characters only
    wnd_->OnHScroll(CTextWnd::SB_THUMBTRACK, 2);
    EXPECT_EQ(wnd_->HorizontalOffset(), Extent(QString::fromUtf8("\xC3\xA9\xC3\xA9")));
    EXPECT_EQ(wnd_->WidestFit() % 2, 0);
}

TEST_F(TextWnd, WheelScrollsThreeRowsANotchAndKeepsTheRest) {
    AddRows(4 * Page());
    const int end = V();
    // delta, rows up from the end afterwards, remainder kept
    for (const auto& [delta, rows, rest] :
         {std::tuple{120, 3, 0}, {-120, 0, 0}, {60, 1, 20}, {20, 2, 0}, {-100, 0, -20}}) {
        const QPoint at(20, 20);
        QWheelEvent event(at, wnd_->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd_->viewport(), &event);
        EXPECT_EQ(V(), end - rows) << delta;
        EXPECT_EQ(wnd_->WheelRemainder(), rest) << delta;
    }
}

TEST_F(TextWnd, DragsCopyFromTheStartRowToTheEndRow) {
    const std::string e4 = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";  // U+00E9 four times
    size_t n = 0;  // the x that fit right of "The " within the client width less the edge
    while (Extent(QString(static_cast<int>(n) + 1, 'x')) <= Room() - Extent("The ")) ++n;
    // The lines, the drag, its modifiers and the clipboard afterwards (it held "sentinel" before).
    const std::tuple<std::vector<std::string>, QPoint, QPoint, Qt::KeyboardModifiers, std::string> cases[] = {
        {{"The first line of the log", "\x03" "04Second" "\x03" " line", "Third line here"}, At("The ", 0, 1),
         At("Third", 2, 1), {}, "first line of the log\r\nSecond line\r\nThird"},
        {{"abcdefghij"}, At("ab", 0, 1), At("abcdef", 0, 1), {}, "cdef"},
        {{"The " + std::string(300, 'x'), "next"}, At("The ", 0, 1), At("ne", 1, 1), {},
         std::string(n, 'x') + "\r\nne"},
        {{"one", "  ", "three"}, At("", 0), At("th", 2, 1), {}, "one\r\n  \r\nth"},
        // Inside the second character to inside the sixth: whole characters only.
        {{e4 + e4, "x"}, At("\xC3\xA9\xC3\xA9", 0, -2), At((e4 + "\xC3\xA9\xC3\xA9").c_str(), 0, -2), {}, e4},
        // Right to left, upwards, with Shift or Ctrl, a click: nothing.
        {{"abcdefghij"}, At("abcdef", 0, 1), At("ab", 0), {}, "sentinel"},
        {{"first", "second", "third"}, At("", 2, 2), At("", 0, 30), {}, "sentinel"},
        {{"abcdefghij", "klmnopqrst"}, At("", 0, 2), At("", 1, 40), Qt::ShiftModifier, "sentinel"},
        {{"abcdefghij"}, At("", 0, 2), At("", 0, 60), Qt::ControlModifier, "sentinel"},
        {{"abcdefghij"}, At("", 0, 20), At("", 0, 20), {}, "sentinel"},
    };
    for (const auto& [lines, from, to, modifiers, copied] : cases) {
        SCOPED_TRACE(lines.front());
        wnd_->Clear();
        QGuiApplication::clipboard()->setText("sentinel");
        for (const std::string& line : lines) wnd_->AddLine(line);
        Drag(from, to, modifiers);
        EXPECT_EQ(Clipboard(), copied);
        EXPECT_FALSE(wnd_->IsDragging());
    }
}

TEST_F(TextWnd, HighlightFollowsTheDragAndGoesOnRelease) {
    wnd_->AddLine(Bg(4, 40));
    const int y = At("", 0).y();
    Press(QPoint(0, y));
    Move(QPoint(Spaces(30), y));
    EXPECT_EQ(Pixel(Spaces(20), Bottom()), kWhite);
    Move(QPoint(Spaces(1), y));  // moving the end back shrinks it, to a single character
    EXPECT_EQ(Pixel(Spaces(1) / 2, Bottom()), kWhite);
    EXPECT_EQ(Pixel(Spaces(20), Bottom()), kRed);
    Release(QPoint(Spaces(1), y));
    EXPECT_EQ(Pixel(Spaces(1) / 2, Bottom()), kRed);
    EXPECT_EQ(Clipboard(), " ");
    // A second press while dragging (its release lost elsewhere) drops the highlight and copies nothing.
    Press(QPoint(0, y));
    Move(QPoint(Spaces(30), y));
    Press(QPoint(Spaces(5) + 1, y));
    EXPECT_FALSE(wnd_->IsDragging());
    EXPECT_EQ(wnd_->SelectionStart(), QPoint(Spaces(5), 0));
    EXPECT_EQ(Pixel(Spaces(20), Bottom()), kRed);
    QGuiApplication::clipboard()->setText("sentinel");
    Release(QPoint(Spaces(5) + 1, y));
    // Nor does a drag with the right button.
    Mouse(QEvent::MouseButtonPress, QPoint(2, y), Qt::RightButton, {}, Qt::RightButton);
    Mouse(QEvent::MouseMove, QPoint(60, y), Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(60, y), Qt::NoButton, {}, Qt::RightButton);
    EXPECT_EQ(Clipboard(), "sentinel");
}

TEST_F(TextWnd, PressBelowTheLastLineKeepsThePreviousStartAndRowsWaitForTheRelease) {
    for (const char* line : {"abcdefghij", "klmnopqrst"}) wnd_->AddLine(line);
    Press(At("abc", 0, 1));
    Release(At("abc", 0, 1));
    Press(At("", 6, 5));
    EXPECT_EQ(wnd_->SelectionStart(), QPoint(Extent("abc"), 0));
    Move(At("klm", 1, 1));
    AddRows(50);  // rows added during a drag wait for the release
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(V(), 0);
    Release(At("klm", 1, 1));
    EXPECT_EQ(Clipboard(), "defghij\r\nklm");
    EXPECT_EQ(Count(), 52);
    EXPECT_EQ(V(), 52 - Page());
}

TEST_F(TextWnd, SelectionFollowsTheHorizontalScroll) {
    wnd_->AddLine("ab" + std::string(300, 'c'));
    wnd_->AddLine("defghijklm");
    wnd_->OnHScroll(CTextWnd::SB_THUMBTRACK, 1);  // rows shifted left by "ab"
    // The start snaps unshifted at "ab", then in the scrolled view: the copy begins
    // at the first visible 'c'; the end counts from the shifted line start.
    Drag(At("ab", 0, 1), At("defg", 1, 1 - Extent("ab")));
    const std::string copied = Clipboard();
    EXPECT_EQ(copied.find_first_not_of('c'), copied.size() - 6);
    EXPECT_TRUE(copied.ends_with("\r\ndefg")) << copied;
}

}  // namespace
}  // namespace veltmoor::testing
