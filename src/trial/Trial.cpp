#include "trial/Trial.h"

#include <stdexcept>

namespace velvo::trial {

// Written by the client-records work: the JSON form of the description.
QJsonObject DescriptionOf(const Trial& trial) {
    (void)trial;
    throw std::logic_error("DescriptionOf: not written yet");
}

void ReadDescription(const QJsonObject& json, Trial& trial) {
    (void)json;
    (void)trial;
    throw std::logic_error("ReadDescription: not written yet");
}

} // namespace velvo::trial
