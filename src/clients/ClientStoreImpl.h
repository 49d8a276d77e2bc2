#pragma once
// What the ClientStore's files share: the connection and the conversions between the records'
// columns and their values.
#include <QDate>
#include <QDateTime>

#include "clients/ClientStore.h"
#include "clients/StoreConnection.h"

namespace velvo::clients {

struct ClientStore::Impl {
    explicit Impl(const QString& location) : c(location) {}
    StoreConnection c;
};

// Dates travel as ISO text, which both databases keep and order alike; instants in UTC, so
// the stations of one salon agree whatever their own time zone.
inline QVariant DateText(const QDate& date) {
    return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : NullText();
}
inline QDate DateFromText(const QVariant& v) {
    return v.isNull() ? QDate() : QDate::fromString(v.toString(), Qt::ISODate);
}
inline QString InstantText(const QDateTime& when) {
    return when.toUTC().toString(Qt::ISODateWithMs);
}
inline QDateTime InstantFromText(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs).toLocalTime();
}

} // namespace velvo::clients
