// Window layouts are written in dialog units taken from the window's font, so a
// window grows with its font instead of being fixed in pixels. A horizontal unit
// is a quarter of the average character width, a vertical unit an eighth of the
// line height. The faces measure; everything computed from the measurements
// lives here, free of any toolkit.
#pragma once

namespace dialog_units {
// number * numerator / denominator, computed in 64 bits and rounded to the
// nearest integer with halves rounded away from zero. Returns -1 when the
// denominator is 0 or the result does not fit in an int. The contract of the
// Windows function of that name, which lives in the global namespace there.
int MulDiv(int number, int numerator, int denominator);
}  // namespace dialog_units

// The average character cell of a font.
struct CharCell {
    int width = 0;
    int height = 0;
    friend bool operator==(const CharCell&, const CharCell&) = default;
};

// What a face measures as one line in the font to find its average cell.
inline constexpr char kAverageCharSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr int kAverageCharSampleLength = 52;

// The cell from the measured extent of kAverageCharSample: the width divided
// by 52 (integer division), the height as measured.
CharCell AverageCharSize(int sampleWidth, int sampleHeight);

// n horizontal or vertical dialog units in pixels for the cell `average`.
inline int HorzUnits(int n, CharCell average) { return dialog_units::MulDiv(n, average.width, 4); }
inline int VertUnits(int n, CharCell average) { return dialog_units::MulDiv(n, average.height, 8); }
