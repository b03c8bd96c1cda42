#include "log/TextWnd.h"

#include <QPaintEvent>
#include <QPainter>

namespace veltmoor {

CTextWnd::CTextWnd() : QAbstractScrollArea(nullptr) {}

CTextWnd::~CTextWnd() = default;

bool CTextWnd::Create(QWidget* parent, const QRect& rect, int id) {
    setParent(parent);
    setObjectName(QString::number(id));
    setGeometry(rect);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    created_ = true;
    show();
    return true;
}

void CTextWnd::AddLine(CString text) {
    if (!model_.AddLine(text)) return;
    if (created_) viewport()->update();
}

void CTextWnd::Clear() {
    model_.Clear();
    if (created_) viewport()->update();
}

CString CTextWnd::GetText() const { return model_.GetText(); }

void CTextWnd::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), QColor(0, 0, 64));
    const QFontMetrics fm(font());
    const int lineHeight = fm.height() + fm.leading();
    int y = 0;
    for (const LogLine& line : model_.Lines()) {
        painter.setPen(Qt::white);
        painter.drawText(0, y + fm.ascent(), QString::fromUtf8(line.Text().data(), line.Length()));
        y += lineHeight;
    }
}

}  // namespace veltmoor
