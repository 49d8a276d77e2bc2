#pragma once
#include <QString>

class QObject;

namespace velvo::translation {

// The component named name (ASCII letter case ignored) among those owned by owner; owner null
// means the application, whose components are its windows. A window owns every object below
// it in the Qt parent tree, whatever panel or tool bar holds it, so the search runs depth
// first, parents before their children, in creation order; the first match wins. A child
// window that has a translator of its own is another form and is not searched.
QObject* findOwnedComponent(QObject* owner, const QString& name);

} // namespace velvo::translation
