#pragma once
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>

class QObject;

namespace velvo::translation {

enum class PropertyKind { Text, Integer, List, Other };

// One published property of a Qt object, found under the name the translation file uses.
// The alias table maps the published names onto Qt:
//   Caption -> the page's tab text for a tab page, else the first writable of text, title,
//              windowTitle;
//   Hint    -> toolTip (the part before a '|') and statusTip (the part after it, or the whole
//              hint when it has none), the short and long hint of the original toolkit;
//   Title   -> a platform file dialog's Title, else title, else windowTitle;
//   Items   -> the entries of a QComboBox or QListWidget;
//   Left, Top, Width, Height -> the widget's geometry; Tag -> the integer dynamic property "tag".
// Any other name, or an alias the object does not carry, is looked up among the object's Qt
// properties (declared and dynamic) ignoring ASCII letter case; its kind follows its type.
class PublishedProperty {
public:
    static std::optional<PublishedProperty> find(QObject* object, const QString& name);

    PropertyKind kind() const { return kind_; }
    // The current value of a text property; empty for the other kinds, as for a missing one.
    QString text() const;
    void setText(const QString& value) const;
    void setInteger(int value) const;
    // Replaces the items of a list property with a copy of items; no effect on Other.
    void setItems(const QStringList& items) const;

private:
    enum class Access {
        QtProperty,
        Hint,
        TabText,
        DialogTitle,
        ComboItems,
        ListWidgetItems,
        Left,
        Top,
        Width,
        Height
    };
    PublishedProperty(QObject* object, Access access, PropertyKind kind, QByteArray qtName = {})
        : object_(object), access_(access), kind_(kind), qtName_(std::move(qtName)) {}
    static std::optional<PublishedProperty> fromAlias(QObject* object, const QString& name);
    static std::optional<PublishedProperty> fromQtProperty(QObject* object, const QString& name);

    QPointer<QObject> object_;
    Access access_;
    PropertyKind kind_;
    QByteArray qtName_;
};

// Sets a published text property as a translation would (for built-in texts that must read
// back exactly, such as a hint with a '|'). Returns false when the object has no such property.
bool setPublishedText(QObject* object, const QString& name, const QString& value);

} // namespace velvo::translation
