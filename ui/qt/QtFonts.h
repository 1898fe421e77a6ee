// The fonts of the windows in Qt: "宋体", or the best installed CJK face standing
// in for it where it is missing.
#pragma once

#include "ui/FormLayout.h"

#include <QColor>
#include <QFont>

QFont QtFontOf(const FormFont& font);
// The font's own colour; invalid for the window-text colour.
QColor QtColourOf(const FormFont& font);
