// Window layouts are written in dialog units taken from the window's font, so a
// window grows with its font instead of being fixed in pixels. A horizontal unit
// is a quarter of the average character width, a vertical unit an eighth of the
// line height.
#pragma once

#include <QSize>

class QFont;
class QFontMetrics;

// number * numerator / denominator, computed in 64 bits and rounded to the
// nearest integer with halves rounded away from zero. Returns -1 when the
// denominator is 0 or the result does not fit in an int.
int MulDiv(int number, int numerator, int denominator);

// The average character cell of a font. The 52 letters "A".."Z" "a".."z" are
// measured as one line with QFontMetrics::boundingRect(QRect(),
// Qt::TextSingleLine, ...): width() is that line's width / 52 (integer
// division), height() is that same line's height. Captions are measured with
// the same call, so all sizes of a dialog come from one kind of measurement.
QSize AverageCharSize(const QFontMetrics& metrics);
QSize AverageCharSize(const QFont& font);

// n horizontal or vertical dialog units in pixels for the cell `average`.
inline int HorzUnits(int n, QSize average) { return MulDiv(n, average.width(), 4); }
inline int VertUnits(int n, QSize average) { return MulDiv(n, average.height(), 8); }
