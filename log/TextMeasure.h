// Text measurement for the log widget with one font: cumulative extents per
// byte of UTF-8 display text and "how much fits" queries, always cut at
// character boundaries. The same decoding feeds drawing (ToQString).
#pragma once

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veltmoor {

class TextMeasure {
public:
    // The character cell of a font: ascent and descent widened to the ink of the
    // printable ASCII glyphs, as a Windows font's cell covers every glyph
    // (Qt's descent leaves the underscore below it in some faces).
    struct Cell {
        int ascent = 0;  // baseline offset from the top of the cell
        int height = 0;  // ascent + descent
    };
    static Cell CellOf(const QFont& font);

    struct Fit {
        std::int32_t count = 0;   // bytes that fit, ending on a character boundary
        std::int32_t extent = 0;  // their width in pixels (0 when none fits)
    };

    // Takes the font whose advances are measured (kerning and shaping off, so
    // that widths add up character by character as the text is drawn).
    void SetFont(const QFont& font);

    // extents[i] = width of every character that starts at or before byte i:
    // the bytes of one multi-byte character share its end extent.
    void Extents(std::string_view text, std::vector<std::int32_t>& extents) const;

    // The longest prefix whose width is not above maxExtent.
    Fit FitIn(std::string_view text, std::int32_t maxExtent) const;

    std::int32_t Width(std::string_view text) const;

    // The characters as drawn: malformed bytes become U+FFFD, one per byte; control
    // characters their pictures (U+241B for ESC, U+2421 for DEL; C1 U+FFFD).
    static QString ToQString(std::string_view text);

private:
    double Advance(char32_t cp) const;
    // Advance of the character at text[pos]; its length in bytes goes to *len.
    double AdvanceAt(std::string_view text, std::int32_t pos, int* len) const;

    QFont font_;
    std::array<double, 128> ascii_{};
    mutable std::unordered_map<char32_t, double> other_;
};

}  // namespace veltmoor
