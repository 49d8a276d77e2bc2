#include "translation/ComponentPath.h"

#include "translation/ProfileText.h"
#include "translation/TLanguage.h"

#include <QApplication>
#include <QWidget>

namespace velvo::translation {

namespace {

// A window parented to another for stacking, with a translator of its own, is a form of its
// own: its components are not the parent's.
bool isOtherForm(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (!widget || !widget->isWindow())
        return false;
    for (const QObject* child : widget->children()) {
        if (qobject_cast<const TLanguage*>(child))
            return true;
    }
    return false;
}

QObject* findBelow(const QObject* owner, const QString& name) {
    for (QObject* child : owner->children()) {
        if (equalsIgnoringAsciiCase(child->objectName(), name))
            return child;
        if (isOtherForm(child))
            continue;
        if (QObject* found = findBelow(child, name))
            return found;
    }
    return nullptr;
}

// Windows without a parent come first: a parented window (a dialog, a pop-up menu) is usually
// some other window's component and is found through that window.
QObject* findWindow(const QString& name) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (bool parented : {false, true}) {
        for (QWidget* window : windows) {
            if ((window->parent() != nullptr) == parented &&
                equalsIgnoringAsciiCase(window->objectName(), name))
                return window;
        }
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        for (QObject* child : app->children()) {
            if (equalsIgnoringAsciiCase(child->objectName(), name))
                return child;
        }
    }
    return nullptr;
}

} // namespace

QObject* findOwnedComponent(QObject* owner, const QString& name) {
    if (name.isEmpty())
        return nullptr;
    return owner ? findBelow(owner, name) : findWindow(name);
}

} // namespace velvo::translation
