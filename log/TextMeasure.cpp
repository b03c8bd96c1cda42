#include "log/TextMeasure.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "log/Utf8.h"

namespace veltmoor {

namespace {

void AppendCodePoint(QString& out, char32_t cp) {
    if (cp > 0xFFFF) {
        out.append(QChar(QChar::highSurrogate(cp)));
        out.append(QChar(QChar::lowSurrogate(cp)));
    } else {
        out.append(QChar(static_cast<char16_t>(cp)));
    }
}

// Printable ASCII only: drawn as it is.
bool IsPlainAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20u || static_cast<unsigned char>(c) >= 0x7Fu) return false;
    return true;
}

// What stands for a character on screen: a control character from the database
// is drawn as its picture (U+241B for ESC; U+FFFD for C1), never as nothing, one
// character for one, so that positions and widths still add up byte by byte.
char32_t Shown(char32_t cp) {
    if (cp < 0x20) return 0x2400 + cp;
    if (cp == 0x7F) return 0x2421;
    if (cp >= 0x80 && cp < 0xA0) return 0xFFFD;
    return cp;
}

std::int32_t Round(double v) { return static_cast<std::int32_t>(std::lround(v)); }

}  // namespace

TextMeasure::Cell TextMeasure::CellOf(const QFont& font) {
    const QFontMetrics fm(font);
    QString printable;
    for (char16_t c = 0x21; c < 0x7F; ++c) printable.append(QChar(c));
    // The ink relative to the baseline: top is negative, bottom is the last inked row.
    const QRect ink = fm.tightBoundingRect(printable);
    const int ascent = std::max(fm.ascent(), -ink.top());
    const int descent = std::max(fm.descent(), ink.bottom() + 1);
    return {ascent, ascent + descent};
}

void TextMeasure::SetFont(const QFont& font) {
    font_ = font;
    const QFontMetricsF fm(font_);
    // The log is mostly ASCII: a table keeps measuring a row to additions.
    for (unsigned c = 0; c < ascii_.size(); ++c) {
        QString shown;
        AppendCodePoint(shown, Shown(c));
        ascii_[c] = fm.horizontalAdvance(shown);
    }
    other_.clear();
}

double TextMeasure::Advance(char32_t cp) const {
    if (cp < ascii_.size()) return ascii_[cp];
    auto it = other_.find(cp);
    if (it != other_.end()) return it->second;
    QString s;
    AppendCodePoint(s, Shown(cp));
    const double w = QFontMetricsF(font_).horizontalAdvance(s);
    other_.emplace(cp, w);
    return w;
}

double TextMeasure::AdvanceAt(std::string_view text, std::int32_t pos, int* len) const {
    const auto b = static_cast<unsigned char>(text[static_cast<size_t>(pos)]);
    if (b < 0x80u) {
        *len = 1;
        return ascii_[b];
    }
    *len = utf8::CharLength(text, pos);
    return Advance(utf8::Decode(text, pos));
}

void TextMeasure::Extents(std::string_view text, std::vector<std::int32_t>& extents) const {
    extents.resize(text.size());
    const auto size = static_cast<std::int32_t>(text.size());
    double sum = 0;
    for (std::int32_t pos = 0; pos < size;) {
        int len = 1;
        sum += AdvanceAt(text, pos, &len);
        const std::int32_t extent = Round(sum);
        for (int i = 0; i < len; ++i) extents[static_cast<size_t>(pos + i)] = extent;
        pos += len;
    }
}

TextMeasure::Fit TextMeasure::FitIn(std::string_view text, std::int32_t maxExtent) const {
    Fit fit;
    if (maxExtent < 0) return fit;
    const auto size = static_cast<std::int32_t>(text.size());
    double sum = 0;
    for (std::int32_t pos = 0; pos < size;) {
        int len = 1;
        sum += AdvanceAt(text, pos, &len);
        const std::int32_t extent = Round(sum);
        if (extent > maxExtent) break;
        pos += len;
        fit.count = pos;
        fit.extent = extent;
    }
    return fit;
}

std::int32_t TextMeasure::Width(std::string_view text) const {
    const auto size = static_cast<std::int32_t>(text.size());
    double sum = 0;
    for (std::int32_t pos = 0; pos < size;) {
        int len = 1;
        sum += AdvanceAt(text, pos, &len);
        pos += len;
    }
    return Round(sum);
}

QString TextMeasure::ToQString(std::string_view text) {
    if (IsPlainAscii(text)) return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    const auto size = static_cast<std::int32_t>(text.size());
    for (std::int32_t pos = 0; pos < size; pos += utf8::CharLength(text, pos))
        AppendCodePoint(out, Shown(utf8::Decode(text, pos)));
    return out;
}

}  // namespace veltmoor
