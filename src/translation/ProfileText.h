#pragma once
#include <QByteArray>
#include <QString>

namespace velvo::translation {

// Blanks and control characters (code points up to U+0020) removed at both ends; other
// white space (no-break space, ideographic space) is text and stays.
QString trimControls(const QString& text);

// Equality that folds only the letters A-Z and a-z, as component and property names compare.
bool equalsIgnoringAsciiCase(const QString& a, const QString& b);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence.
bool isValidUtf8(const QByteArray& bytes);

// Windows-1252. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the C1 control of the same number, as Windows' own conversion does, so no byte is lost.
QString decodeWindows1252(const QByteArray& bytes);

// The text of a translation file: UTF-8 (a leading byte-order mark dropped) when the bytes are
// valid UTF-8, otherwise Windows-1252, the single-byte code page of the built-in texts.
QString decodeProfileBytes(const QByteArray& bytes);

} // namespace velvo::translation
