#include "translation/PublishedProperty.h"

#include "platform/DialogComponents.h"
#include "translation/ProfileText.h"

#include <QComboBox>
#include <QListWidget>
#include <QMetaProperty>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

namespace velvo::translation {

namespace {

PropertyKind kindOfType(int typeId) {
    switch (typeId) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QChar:
        return PropertyKind::Text;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return PropertyKind::Integer;
    case QMetaType::QStringList:
        return PropertyKind::List;
    default:
        return PropertyKind::Other;
    }
}

bool hasWritableProperty(const QObject* object, const char* name) {
    const int index = object->metaObject()->indexOfProperty(name);
    return index >= 0 && object->metaObject()->property(index).isWritable();
}

// The tab widget and index when widget is one of its pages (page -> stack -> tab widget).
std::pair<QTabWidget*, int> tabOfPage(QObject* object) {
    auto* page = qobject_cast<QWidget*>(object);
    if (!page)
        return {nullptr, -1};
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    if (!tabs)
        return {nullptr, -1};
    const int index = tabs->indexOf(page);
    return {index >= 0 ? tabs : nullptr, index};
}

QString joinHint(const QString& tip, const QString& statusTip) {
    return statusTip == tip ? tip : tip + u'|' + statusTip;
}

} // namespace

std::optional<PublishedProperty> PublishedProperty::find(QObject* object, const QString& name) {
    if (!object)
        return std::nullopt;
    if (auto alias = fromAlias(object, name))
        return alias;
    return fromQtProperty(object, name);
}

std::optional<PublishedProperty> PublishedProperty::fromAlias(QObject* object,
                                                              const QString& name) {
    auto is = [&](const char* published) {
        return equalsIgnoringAsciiCase(name, QString::fromLatin1(published));
    };
    auto firstOf =
        [&](std::initializer_list<const char*> qtNames) -> std::optional<PublishedProperty> {
        for (const char* qtName : qtNames) {
            if (hasWritableProperty(object, qtName))
                return PublishedProperty(object, Access::QtProperty, PropertyKind::Text, qtName);
        }
        return std::nullopt;
    };
    const bool isWidget = object->isWidgetType();
    if (is("Caption")) {
        if (tabOfPage(object).first)
            return PublishedProperty(object, Access::TabText, PropertyKind::Text);
        return firstOf({"text", "title", "windowTitle"});
    }
    if (is("Hint")) {
        if (hasWritableProperty(object, "toolTip") && hasWritableProperty(object, "statusTip"))
            return PublishedProperty(object, Access::Hint, PropertyKind::Text);
        return firstOf({"toolTip"});
    }
    if (is("Title")) {
        if (qobject_cast<platform::TFileDialog*>(object))
            return PublishedProperty(object, Access::DialogTitle, PropertyKind::Text);
        return firstOf({"title", "windowTitle"});
    }
    if (is("Items")) {
        if (qobject_cast<QComboBox*>(object))
            return PublishedProperty(object, Access::ComboItems, PropertyKind::List);
        if (qobject_cast<QListWidget*>(object))
            return PublishedProperty(object, Access::ListWidgetItems, PropertyKind::List);
        return std::nullopt;
    }
    if (isWidget && is("Left"))
        return PublishedProperty(object, Access::Left, PropertyKind::Integer);
    if (isWidget && is("Top"))
        return PublishedProperty(object, Access::Top, PropertyKind::Integer);
    if (isWidget && is("Width"))
        return PublishedProperty(object, Access::Width, PropertyKind::Integer);
    if (isWidget && is("Height"))
        return PublishedProperty(object, Access::Height, PropertyKind::Integer);
    if (is("Tag"))
        return PublishedProperty(object, Access::QtProperty, PropertyKind::Integer, "tag");
    return std::nullopt;
}

std::optional<PublishedProperty> PublishedProperty::fromQtProperty(QObject* object,
                                                                   const QString& name) {
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (p.isWritable() && equalsIgnoringAsciiCase(QString::fromLatin1(p.name()), name))
            return PublishedProperty(object, Access::QtProperty, kindOfType(p.metaType().id()),
                                     p.name());
    }
    for (const QByteArray& dynamicName : object->dynamicPropertyNames()) {
        if (equalsIgnoringAsciiCase(QString::fromLatin1(dynamicName), name))
            return PublishedProperty(object, Access::QtProperty,
                                     kindOfType(object->property(dynamicName).metaType().id()),
                                     dynamicName);
    }
    return std::nullopt;
}

QString PublishedProperty::text() const {
    if (!object_ || kind_ != PropertyKind::Text)
        return {};
    switch (access_) {
    case Access::Hint:
        return joinHint(object_->property("toolTip").toString(),
                        object_->property("statusTip").toString());
    case Access::TabText: {
        auto [tabs, index] = tabOfPage(object_);
        return tabs ? tabs->tabText(index) : QString();
    }
    case Access::DialogTitle:
        return static_cast<platform::TFileDialog*>(object_.data())->Title;
    default:
        return object_->property(qtName_.constData()).toString();
    }
}

void PublishedProperty::setText(const QString& value) const {
    if (!object_)
        return;
    switch (access_) {
    case Access::Hint: {
        const qsizetype bar = value.indexOf(u'|');
        object_->setProperty("toolTip", bar < 0 ? value : value.left(bar));
        object_->setProperty("statusTip", bar < 0 ? value : value.mid(bar + 1));
        break;
    }
    case Access::TabText: {
        auto [tabs, index] = tabOfPage(object_);
        if (tabs)
            tabs->setTabText(index, value);
        break;
    }
    case Access::DialogTitle:
        static_cast<platform::TFileDialog*>(object_.data())->Title = value;
        break;
    default:
        object_->setProperty(qtName_.constData(), value);
    }
}

void PublishedProperty::setInteger(int value) const {
    if (!object_)
        return;
    auto* widget = qobject_cast<QWidget*>(object_.data());
    switch (access_) {
    case Access::Left:
        widget->move(value, widget->y());
        break;
    case Access::Top:
        widget->move(widget->x(), value);
        break;
    case Access::Width:
        widget->resize(value, widget->height());
        break;
    case Access::Height:
        widget->resize(widget->width(), value);
        break;
    default:
        object_->setProperty(qtName_.constData(), value);
    }
}

void PublishedProperty::setItems(const QStringList& items) const {
    if (!object_)
        return;
    switch (access_) {
    case Access::ComboItems: {
        auto* combo = static_cast<QComboBox*>(object_.data());
        combo->clear();
        combo->addItems(items);
        break;
    }
    case Access::ListWidgetItems: {
        auto* list = static_cast<QListWidget*>(object_.data());
        list->clear();
        list->addItems(items);
        break;
    }
    default:
        if (kind_ == PropertyKind::List)
            object_->setProperty(qtName_.constData(), items);
    }
}

bool setPublishedText(QObject* object, const QString& name, const QString& value) {
    const auto property = PublishedProperty::find(object, name);
    if (!property || property->kind() != PropertyKind::Text)
        return false;
    property->setText(value);
    return true;
}

} // namespace velvo::translation
