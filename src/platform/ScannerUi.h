#pragma once
#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "platform/Scanner.h"

class QListWidget;

namespace velvo::platform {

// What the user sees around a scan: the device chooser and the progress of an acquisition.
// Production: ScannerChooser and a QProgressDialog; tests install ScriptedScannerUi.
class ScannerUi {
public:
    virtual ~ScannerUi() = default;
    // The name of the device chosen, nullopt when the user cancelled. `current` (a device
    // name, may be empty) is preselected when it is in the list.
    virtual std::optional<QString> chooseDevice(const QString& title,
                                                const QList<Scanner::Device>& devices,
                                                const QString& current) = 0;
    // Runs `work`, which reports through the progress it is given; the user may cancel
    // there, which the progress then answers with false.
    virtual void runWithProgress(const QString& label,
                                 const std::function<void(const Scanner::Progress&)>& work) = 0;

    static ScannerUi& instance();
    // Not owned; nullptr restores the production one.
    static void setInstance(ScannerUi* ui);
};

class QtScannerUi : public ScannerUi {
public:
    std::optional<QString> chooseDevice(const QString& title, const QList<Scanner::Device>& devices,
                                        const QString& current) override;
    void runWithProgress(const QString& label,
                         const std::function<void(const Scanner::Progress&)>& work) override;
};

// Answers the chooser from a queue of list indexes (nullopt or an empty queue: cancelled;
// an index outside the list: cancelled) and cancels a scan once it reaches `cancelAt`.
class ScriptedScannerUi : public ScannerUi {
public:
    std::optional<QString> chooseDevice(const QString& title, const QList<Scanner::Device>& devices,
                                        const QString& current) override;
    void runWithProgress(const QString& label,
                         const std::function<void(const Scanner::Progress&)>& work) override;

    QList<std::optional<int>> choices;
    double cancelAt = 2.0; // above 1: never
    // What was offered and reported.
    QList<QList<Scanner::Device>> offered;
    QList<QString> preselected;
    QList<QString> progressLabels;
    QList<double> fractions;
    bool cancelled = false;
};

// The device chooser: one line per device (its description and name), OK and Cancel.
class ScannerChooser : public QDialog {
    Q_OBJECT
public:
    ScannerChooser(const QString& title, const QList<Scanner::Device>& devices,
                   const QString& current, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }
    // The device of the selected line; empty when none.
    QString chosen() const;

private:
    QList<Scanner::Device> devices_;
    QListWidget* list_ = nullptr;
};

} // namespace velvo::platform
