#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace velvo::platform {

// A picture source: a scanner or camera. The production one is SANE, loaded at run time; a
// missing SANE simply has no devices.
class Scanner {
public:
    struct Device {
        QString name;        // what acquire() takes, e.g. "test:0"
        QString description; // vendor, model and type, for the chooser
    };
    // Called as the picture arrives with the fraction done (0..1); returning false cancels.
    using Progress = std::function<bool(double)>;

    virtual ~Scanner() = default;
    virtual QList<Device> devices() = 0;
    // One colour picture from `device` at 150 dpi over the whole area. nullopt when nothing
    // arrived (no such device, a failure, or a cancel); lastError() then says why.
    virtual std::optional<QImage> acquire(const QString& device, const Progress& progress) = 0;
    virtual QString lastError() const = 0;

    // The scanner the program uses; tests put a double in its place.
    static Scanner& instance();
    static void setInstance(Scanner* scanner);
};

// SANE through libsane.so.1, opened with dlopen on first use.
class SaneScanner : public Scanner {
public:
    SaneScanner();
    ~SaneScanner() override;
    QList<Device> devices() override;
    std::optional<QImage> acquire(const QString& device, const Progress& progress) override;
    QString lastError() const override { return error_; }
    bool available();

    struct Api; // the library's entry points, opaque outside the implementation

private:
    Api* api_ = nullptr;
    bool loadTried_ = false;
    QString error_;
};

} // namespace velvo::platform
