#include "app/TF_DIAGNOSTICO.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/TF_DIAGNOSTICO_Translations.h"
#include "app/TF_HAIR.h"
#include "platform/Cursors.h"
#include "translation/TLanguage.h"

namespace velvo::app {

TF_DIAGNOSTICO::TF_DIAGNOSTICO(TF_HAIR* main, DiagnosticSources sources)
    : QDialog(main), main_(main), sources_(std::move(sources)) {
    setObjectName(QStringLiteral("F_DIAGNOSTICO"));
    setWindowTitle(QStringLiteral("Diagnóstico"));
    resize(760, 380);

    Label1 = new QLabel(
        QStringLiteral("Se algo não funcionar, copie este texto e envie-o ao suporte."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    Grade1 = new QTableWidget(0, 4, this);
    Grade1->setObjectName(QStringLiteral("Grade1"));
    Grade1->setHorizontalHeaderLabels({QStringLiteral("Recurso"), QStringLiteral("Estado"),
                                       QStringLiteral("Motivo"), QStringLiteral("Detalhes")});
    Grade1->verticalHeader()->hide();
    Grade1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grade1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grade1->setWordWrap(true);
    Grade1->horizontalHeader()->setStretchLastSection(true);

    BT_Copiar = new QPushButton(QStringLiteral("&Copiar"), this);
    BT_Copiar->setObjectName(QStringLiteral("BT_Copiar"));
    connect(BT_Copiar, &QPushButton::clicked, this, &TF_DIAGNOSTICO::BT_CopiarClick);
    BT_Fechar = new QPushButton(QStringLiteral("&Fechar"), this);
    BT_Fechar->setObjectName(QStringLiteral("BT_Fechar"));
    connect(BT_Fechar, &QPushButton::clicked, this, &QDialog::hide);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BT_Copiar);
    buttons->addWidget(BT_Fechar);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Grade1, 1);
    layout->addLayout(buttons);

    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(diagnosticsTranslationList());
    platform::runGuarded([this] { FormCreate(); });
}

void TF_DIAGNOSTICO::FormCreate() {
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
}

void TF_DIAGNOSTICO::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::runGuarded([this] { FormShow(); });
}

void TF_DIAGNOSTICO::FormShow() {
    platform::BusyCursor busy;
    rows_ = Diagnostics(main_->ProgramFolder, sources_).capabilities();
    Grade1->setRowCount(int(rows_.size()));
    for (int row = 0; row < rows_.size(); ++row) {
        const Capability& c = rows_[row];
        const QStringList cells = {c.name,
                                   c.on ? QStringLiteral("ligado") : QStringLiteral("desligado"),
                                   c.reason, c.details};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            // A promise the install does not keep is what support must see first.
            if (!c.on && c.promised)
                item->setForeground(Qt::red);
            Grade1->setItem(row, column, item);
        }
    }
    Grade1->resizeColumnsToContents();
    // A long reason wraps rather than pushing the details out of sight.
    Grade1->setColumnWidth(2, std::min(Grade1->columnWidth(2), 300));
    Grade1->resizeRowsToContents();
}

void TF_DIAGNOSTICO::BT_CopiarClick() {
    QApplication::clipboard()->setText(Diagnostics::report(rows_));
}

void TF_HAIR::Diagnostico1Click() {
    auto* window =
        findChild<TF_DIAGNOSTICO*>(QStringLiteral("F_DIAGNOSTICO"), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new TF_DIAGNOSTICO(this, DiagnosticSources::machine());
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace velvo::app
