#include "platform/Convert.h"

#include "imaging/codecs/Error.h"

namespace velvo::platform {

int StrToInt(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw velvo::Error("", "'" + text.toStdString() + "' is not a valid integer value");
    return value;
}

} // namespace velvo::platform
