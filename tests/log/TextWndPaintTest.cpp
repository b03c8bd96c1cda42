// Creation and painting of the log window, checked on the grabbed client area.
#include "tests/log/TextWndFixture.h"

namespace veltmoor::testing {
namespace {

using TextWndPaint = TextWndTest;

TEST_F(TextWndPaint, UnderscoresAndDescendersAreInkedInsideTheirRow) {
    // Under a coloured second row, so that ink below the first row's rectangle is painted over.
    wnd_->AddLine("IX_FOLDERS_ACCOUNT gjpqy");
    wnd_->AddLine(Bg(4, 40));
    const QImage img = Grab();
    const struct {
        const char* before;
        const char* glyph;
    } kGlyphs[] = {{"IX", "_"}, {"IX_FOLDERS", "_"}, {"IX_FOLDERS_ACCOUNT ", "g"}, {"IX_FOLDERS_ACCOUNT gjp", "q"}};
    for (const auto& g : kGlyphs) {
        const int from = Extent(g.before), to = Extent(QString(g.before) + g.glyph);
        int inked = 0;
        // The lowest third of the row's rectangle, where nothing but underscores and descenders draws.
        for (int y = LineHeight() * 2 / 3; y < LineHeight(); ++y)
            for (int x = from; x < to; ++x) inked += qRed(img.pixel(x, y)) >= 128 ? 1 : 0;
        EXPECT_GT(inked, 0) << g.glyph << " after " << g.before;
    }
}

TEST_F(TextWndPaint, OnlyBackgroundWithoutTextToShow) {
    EXPECT_TRUE(All(Grab(), Grab().rect(), kBackground));
    wnd_->AddLine(Bg(8, 10));
    wnd_->Clear();
    EXPECT_TRUE(All(Grab(), Grab().rect(), kBackground));
    SetClientSize(1, 100);  // narrower than the edge
    wnd_->AddLine(Bg(8, 10));
    EXPECT_TRUE(All(Grab(), Grab().rect(), kBackground));
}

TEST_F(TextWndPaint, RunsRowsAndLeadingSitWhereMeasured) {
    wnd_->AddLine(Bg(4, 6) + Bg(9, 6) + Bg(12, 6));
    wnd_->AddLine("\x03" "01,04" "ab" "\x03" "01,12" "cd");
    const QImage img = Grab();
    const int w = Extent(QString(6, ' ')), y = CellHeight() - 1, y2 = LineHeight() + y;
    EXPECT_EQ(img.pixel(0, 0), kRed);
    EXPECT_EQ(img.pixel(w / 2, y), kRed);
    EXPECT_EQ(img.pixel(w + w / 2, y), kGreen);
    EXPECT_EQ(img.pixel(2 * w + w / 2, y), kBlue);
    EXPECT_TRUE(All(img, QRect(3 * w + 2, 0, img.width(), LineHeight()), kBackground));  // right of the text
    EXPECT_TRUE(All(img, QRect(0, CellHeight(), img.width(), LineHeight() - CellHeight()), kBackground));  // leading
    // Below the glyphs of these letters the run boundary is exactly at the measured width.
    EXPECT_EQ(img.pixel(Extent("ab") - 1, y2), kRed);
    EXPECT_EQ(img.pixel(Extent("ab"), y2), kBlue);
    EXPECT_TRUE(All(img, QRect(0, 2 * LineHeight(), img.width(), img.height()), kBackground));
    // U+00E9 in colour 4 on colour 8 after a plain 'a'.
    wnd_->Clear();
    wnd_->AddLine("a\x03" "04,08\xC3\xA9\xC3\xA9");
    EXPECT_EQ(Grab().pixel(Extent(QString::fromUtf8("a\xC3\xA9")), y), kYellow);
    EXPECT_EQ(Grab().pixel(Extent(QString::fromUtf8("a\xC3\xA9\xC3\xA9")) + 1, y), kBackground);
}

TEST_F(TextWndPaint, RunWiderThanTheWindowAdvancesOnlyByItsVisiblePart) {
    SetClientSize(100, 60);
    wnd_->AddLine(Bg(4, 80) + Bg(9, 3));
    int fit = 0;
    while (Extent(QString(fit + 1, ' ')) <= Room()) ++fit;
    const int x = Extent(QString(fit, ' '));
    const QImage img = Grab();
    ASSERT_LT(x + 1, img.width());
    EXPECT_EQ(img.pixel(x - 1, CellHeight() - 1), kRed);
    EXPECT_EQ(img.pixel(x + 1, CellHeight() - 1), kGreen);
}

TEST_F(TextWndPaint, PartlyVisibleBottomRowIsClippedNotSkipped) {
    SetClientSize(300, 2 * LineHeight() + LineHeight() / 2);
    AddRows(3, Bg(8, 10));
    wnd_->OnVScroll(CTextWnd::SB_TOP);
    const QImage img = Grab();
    ASSERT_EQ(img.height(), 2 * LineHeight() + LineHeight() / 2);
    EXPECT_EQ(img.pixel(2, 2 * LineHeight()), kYellow);
    EXPECT_EQ(img.pixel(2, img.height() - 1), kYellow);
}

TEST_F(TextWndPaint, LinesAddedBeforeCreationAreShown) {
    CTextWnd early;
    early.AddLine(Bg(8, 10));
    ASSERT_TRUE(early.Create(parent_.get(), QRect(0, 0, 200, 100), 7));
    EXPECT_FALSE(early.Create(parent_.get(), QRect(0, 0, 10, 10), 1));  // only once
    const QImage img = early.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(2, CellHeight() - 1), kYellow);
}

}  // namespace
}  // namespace veltmoor::testing
