// Control characters from the database in the log window: drawn as their pictures,
// never as nothing, and measured as drawn.
#include <gtest/gtest.h>

#include <QApplication>

#include "log/TextMeasure.h"
#include "log/TextWnd.h"

namespace veltmoor::testing {
namespace {

TEST(ControlPictures, AreDrawnAndMeasuredOneCharacterForOneByte) {
    EXPECT_EQ(TextMeasure::ToQString("a\x1b[2J\x07\x7f\xc2\x9b" "b"), QString::fromUtf16(u"a\u241b[2J\u2407\u2421\ufffdb"));
    QWidget parent;
    parent.resize(440, 100);
    CTextWnd wnd;
    ASSERT_TRUE(wnd.Create(&parent, QRect(0, 0, 400, 80), 6435));
    parent.show();
    wnd.AddLine("\x1b\x1b\x1b\x1b");
    QApplication::processEvents();
    const QImage image = wnd.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = image.pixel(image.width() - 1, 0);
    int inked = 0;
    for (int y = 0; y < wnd.LineHeight(); ++y)
        for (int x = 0; x < image.width(); ++x) inked += image.pixel(x, y) != background;
    EXPECT_GT(inked, 20) << "four ESC pictures";
    TextMeasure measure;
    measure.SetFont(wnd.LogFont());
    EXPECT_EQ(measure.Width("\x1b"), measure.Width("\xe2\x90\x9b"));  // U+241B as text
}

}  // namespace
}  // namespace veltmoor::testing
