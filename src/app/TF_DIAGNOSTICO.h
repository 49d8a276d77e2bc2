#pragma once
#include <QDialog>

#include "app/Diagnostics.h"

class QLabel;
class QPushButton;
class QTableWidget;
class TLanguage;

namespace velvo::app {

class TF_HAIR;

// "Dia&gnóstico": one row per capability with its state, why it is off, and what was found
// where. The same text as `velvo --diagnostico` goes to the clipboard for support.
class TF_DIAGNOSTICO : public QDialog {
    Q_OBJECT
public:
    // `main` must outlive the window; it supplies the program folder.
    TF_DIAGNOSTICO(TF_HAIR* main, DiagnosticSources sources);

    QLabel* Label1 = nullptr;
    QTableWidget* Grade1 = nullptr;
    QPushButton* BT_Copiar = nullptr;
    QPushButton* BT_Fechar = nullptr;
    TLanguage* L1 = nullptr;

    // The rows last shown.
    const QList<Capability>& Rows() const { return rows_; }

public slots:
    void FormCreate();
    // Gathers the facts anew (a scanner may have been plugged in) and fills the grid.
    void FormShow();
    void BT_CopiarClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TF_HAIR* main_;
    DiagnosticSources sources_;
    QList<Capability> rows_;
};

} // namespace velvo::app
