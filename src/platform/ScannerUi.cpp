#include "platform/ScannerUi.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace velvo::platform {
namespace {
ScannerUi* installed = nullptr;
constexpr int kSteps = 1000;
} // namespace

ScannerUi& ScannerUi::instance() {
    static QtScannerUi production;
    return installed ? *installed : production;
}

void ScannerUi::setInstance(ScannerUi* ui) {
    installed = ui;
}

ScannerChooser::ScannerChooser(const QString& title, const QList<Scanner::Device>& devices,
                               const QString& current, QWidget* parent)
    : QDialog(parent), devices_(devices) {
    setObjectName(QStringLiteral("ScannerChooser"));
    setWindowTitle(title);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("Devices"));
    for (const Scanner::Device& d : devices_)
        list_->addItem(d.description.isEmpty()
                           ? d.name
                           : QStringLiteral("%1  [%2]").arg(d.description, d.name));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(list_, &QListWidget::currentRowChanged, this,
            [ok](int row) { ok->setEnabled(row >= 0); });
    int row = devices_.isEmpty() ? -1 : 0;
    for (qsizetype i = 0; i < devices_.size(); ++i)
        if (devices_[i].name == current)
            row = int(i);
    list_->setCurrentRow(row);
    ok->setEnabled(row >= 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

QString ScannerChooser::chosen() const {
    const int row = list_->currentRow();
    return row >= 0 && row < devices_.size() ? devices_[row].name : QString();
}

std::optional<QString> QtScannerUi::chooseDevice(const QString& title,
                                                 const QList<Scanner::Device>& devices,
                                                 const QString& current) {
    ScannerChooser chooser(title, devices, current, QApplication::activeWindow());
    if (chooser.exec() != QDialog::Accepted || chooser.chosen().isEmpty())
        return std::nullopt;
    return chooser.chosen();
}

void QtScannerUi::runWithProgress(const QString& label,
                                  const std::function<void(const Scanner::Progress&)>& work) {
    QProgressDialog dialog(label, QProgressDialog::tr("Cancel"), 0, kSteps,
                           QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("ScanProgress"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);
    // The scan runs on this thread; handling events between reads keeps the Cancel button alive.
    work([&dialog](double fraction) {
        if (dialog.wasCanceled())
            return false;
        dialog.setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * kSteps)));
        QCoreApplication::processEvents();
        return !dialog.wasCanceled();
    });
}

std::optional<QString> ScriptedScannerUi::chooseDevice(const QString&,
                                                       const QList<Scanner::Device>& devices,
                                                       const QString& current) {
    offered.append(devices);
    preselected.append(current);
    const std::optional<int> choice = choices.isEmpty() ? std::nullopt : choices.takeFirst();
    if (!choice || *choice < 0 || *choice >= devices.size())
        return std::nullopt;
    return devices[*choice].name;
}

void ScriptedScannerUi::runWithProgress(const QString& label,
                                        const std::function<void(const Scanner::Progress&)>& work) {
    progressLabels.append(label);
    cancelled = false;
    work([this](double fraction) {
        fractions.append(fraction);
        if (fraction >= cancelAt)
            cancelled = true;
        return !cancelled;
    });
}

} // namespace velvo::platform
