// A created CTextWnd inside a shown parent on the offscreen platform, with
// helpers to grab its client area, measure like the widget and send mouse input.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <cmath>
#include <memory>
#include <string>

#include "log/TextWnd.h"

namespace veltmoor::testing {

inline constexpr QRgb kBackground = qRgb(0, 0, 64), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
                      kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255), kYellow = qRgb(255, 255, 0);

// n spaces in palette colour `background`: they draw nothing but their cells' background.
inline std::string Bg(int background, int n) {
    return "\x03" "01," + std::to_string(100 + background).substr(1) + std::string(static_cast<size_t>(n), ' ');
}

class TextWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::styleHints()->setWheelScrollLines(3);
        parent_->resize(440, 260);
        ASSERT_TRUE(wnd_->Create(parent_.get(), QRect(10, 10, 400, 200), 6435));
        parent_->show();
        QApplication::processEvents();
    }

    int LineHeight() const { return wnd_->LineHeight(); }
    int CellHeight() const { return wnd_->CellHeight(); }
    int V() const { return wnd_->verticalScrollBar()->value(); }
    int Page() const { return wnd_->viewport()->height() / LineHeight(); }
    int Room() const { return wnd_->viewport()->width() - CTextWnd::kEdge; }  // width text may take
    void AddRows(int n, const std::string& text = "row") {
        for (int i = 0; i < n; ++i) wnd_->AddLine(text);
    }
    // Makes the client area w by h pixels while no scroll bar shows.
    void SetClientSize(int w, int h) {
        wnd_->resize(w + 2 * wnd_->frameWidth(), h + 2 * wnd_->frameWidth());
        QApplication::processEvents();
    }
    QImage Grab() { return wnd_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    static bool All(const QImage& img, QRect area, QRgb colour) {
        area = area.intersected(img.rect());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (img.pixel(x, y) != colour) return false;
        return true;
    }
    // Width of text as the widget measures it: character advances added up, rounded once.
    int Extent(const QString& text) const {
        const QFontMetricsF fm(wnd_->LogFont());
        double sum = 0;
        for (QChar ch : text) sum += fm.horizontalAdvance(ch);
        return static_cast<int>(std::lround(sum));
    }

    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(pos), QPointF(wnd_->viewport()->mapToGlobal(pos)), button, buttons, modifiers);
        QApplication::sendEvent(wnd_->viewport(), &event);
    }
    void Press(QPoint pos) { Mouse(QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton); }
    void Move(QPoint pos) { Mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
    void Release(QPoint pos) { Mouse(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Press(from);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, modifiers);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
        Release(to);
    }
    static std::string Clipboard() { return QGuiApplication::clipboard()->text().toStdString(); }

    std::unique_ptr<QWidget> parent_ = std::make_unique<QWidget>();
    std::unique_ptr<CTextWnd> wnd_ = std::make_unique<CTextWnd>();  // goes before its parent
};

}  // namespace veltmoor::testing
