// A created CTextWnd inside a shown parent on the offscreen platform, with
// helpers to grab its client area, measure like the widget and send mouse input.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QWidget>
#include <cmath>
#include <memory>
#include <string>

#include "log/TextWnd.h"

namespace veltmoor::testing {

inline constexpr QRgb kBackground = qRgb(0, 0, 64);

class TextWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::styleHints()->setWheelScrollLines(3);
        parent_ = std::make_unique<QWidget>();
        parent_->resize(440, 260);
        wnd_ = std::make_unique<CTextWnd>();
        ASSERT_TRUE(wnd_->Create(parent_.get(), QRect(10, 10, 400, 200), 6435));
        parent_->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        wnd_.reset();
        parent_.reset();
    }

    CTextWnd& Wnd() { return *wnd_; }
    QWidget* Viewport() { return wnd_->viewport(); }
    int LineHeight() const { return wnd_->LineHeight(); }
    int CellHeight() const { return wnd_->CellHeight(); }
    int V() const { return wnd_->verticalScrollBar()->value(); }
    int Page() const { return wnd_->viewport()->height() / wnd_->LineHeight(); }

    // Makes the client area (viewport) w by h pixels while no scroll bar shows.
    void SetClientSize(int w, int h) {
        const int frame = wnd_->frameWidth();
        wnd_->resize(w + 2 * frame, h + 2 * frame);
        QApplication::processEvents();
    }

    // Scroll bars come and go through queued signals: let them settle.
    static void Settle() { QApplication::processEvents(); }

    QImage Grab() { return wnd_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Cumulative width of text as the widget measures it: character advances
    // added up, rounded once.
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
    void Move(QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, modifiers);
    }
    void Release(QPoint pos) { Mouse(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Press(from);
        Move((from + to) / 2, modifiers);
        Move(to, modifiers);
        Release(to);
    }

    static std::string Clipboard() { return QGuiApplication::clipboard()->text().toStdString(); }
    static void SetClipboard(const char* text) { QGuiApplication::clipboard()->setText(QString::fromUtf8(text)); }

    std::unique_ptr<QWidget> parent_;
    std::unique_ptr<CTextWnd> wnd_;
};

}  // namespace veltmoor::testing
