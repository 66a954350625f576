#pragma once
// Number text by a format string as the platform writes it: up to three sections separated by
// ";" (positive, negative, zero); "0" a digit always shown, "#" a digit shown when significant,
// "." the decimal separator, "," thousand separators in the integer part, "E+", "E-", "e+", "e-"
// scientific notation with the zeros after them as the exponent's least digits; text in quotes
// and every other character are copied (those before the first digit place in front of the
// number, the rest after it). An empty format gives the general form (FloatToStr).
#include "platform/core/FormatSettings.h"
#include "platform/core/Strings.h"

AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& fs);
AnsiString FormatFloat(std::string_view format, double value);
