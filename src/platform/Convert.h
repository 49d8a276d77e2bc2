#pragma once
#include <QString>

namespace velvo::platform {

// The run-time's text-to-integer conversion: optional sign and decimal digits, surrounding
// blanks allowed, 32-bit range. Anything else throws velvo::Error
// "'text' is not a valid integer value".
int StrToInt(const QString& text);

} // namespace velvo::platform
