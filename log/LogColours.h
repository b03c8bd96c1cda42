// The log's colours: the sixteen-entry palette that colour codes index, and the
// fixed default and selection colours. Values are colour references 0x00BBGGRR
// (red in the low byte); RedOf/GreenOf/BlueOf take them apart for drawing or ANSI output.
#pragma once

#include <array>
#include <cstdint>

namespace veltmoor {

using ColourRef = std::uint32_t;

constexpr ColourRef Rgb(unsigned r, unsigned g, unsigned b) {
    return static_cast<ColourRef>((r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16));
}
constexpr unsigned RedOf(ColourRef c) { return c & 0xFFu; }
constexpr unsigned GreenOf(ColourRef c) { return (c >> 8) & 0xFFu; }
constexpr unsigned BlueOf(ColourRef c) { return (c >> 16) & 0xFFu; }

// Palette entries by colour number 0..15 (4 red warnings, 3 green success, 8 yellow error blocks).
inline constexpr std::array<ColourRef, 16> kLogPalette = {
    Rgb(255, 255, 255), Rgb(0, 0, 0),       Rgb(0, 0, 123),     Rgb(0, 146, 0),
    Rgb(255, 0, 0),     Rgb(128, 0, 0),     Rgb(128, 0, 128),   Rgb(128, 128, 0),
    Rgb(255, 255, 0),   Rgb(0, 255, 0),     Rgb(0, 146, 148),   Rgb(0, 255, 255),
    Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(123, 125, 123), Rgb(214, 211, 214),
};

inline constexpr ColourRef kLogDefaultText = Rgb(255, 255, 255);
inline constexpr ColourRef kLogDefaultBackground = Rgb(0, 0, 64);  // also the fill of the whole window
inline constexpr ColourRef kLogSelectionText = Rgb(0, 0, 0);
inline constexpr ColourRef kLogSelectionBackground = Rgb(255, 255, 255);

// True for the colour numbers a code may select: -1 (the default) and 0..15.
constexpr bool IsValidColourNumber(int number) { return number >= -1 && number <= 15; }

// The palette entry for a colour number; -1 (or any invalid number) gives fallback.
constexpr ColourRef PaletteColour(int number, ColourRef fallback) {
    return number >= 0 && number <= 15 ? kLogPalette[static_cast<unsigned>(number)] : fallback;
}

}  // namespace veltmoor
