#pragma once
// Fixed-point text of a float: the value rounded to `precision` significant digits, then to
// `digits` decimals (half away from zero on those digits), written with the settings' decimal
// separator and no thousands separators. Values of more than `precision` integer digits come out
// in scientific notation; NaN and infinities as "NAN", "INF" and "-INF".
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

AnsiString FloatToStrFixed(double value, int precision, int digits, const TFormatSettings& fs);
