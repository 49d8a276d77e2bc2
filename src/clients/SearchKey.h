#pragma once
// The forms of a client's name and phone the search compares, kept in the clients table so
// that both databases search them with a plain LIKE, whatever their own collations do with
// accents and letter case.
#include <QString>

namespace velvo::clients {

// Without accents, in one letter case, blanks run together: "  José  DA Conceição" ->
// "jose da conceicao".
QString NameKey(const QString& text);
// Only the digits: "(11) 9 8765-4321" -> "11987654321".
QString PhoneKey(const QString& text);
// Whether a search text is a phone number being typed (digits and punctuation, no letters).
bool LooksLikePhone(const QString& text);
// `text` for the inside of a LIKE pattern whose escape character is '!'.
QString EscapeLike(const QString& text);

} // namespace velvo::clients
