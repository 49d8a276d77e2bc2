// The records window: its layout, the search and the client's details.
#include "app/TF_CLIENTES.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/TF_CLIENTES_Translations.h"
#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "platform/Messages.h"
#include "translation/TLanguage.h"

namespace velvo::app {
namespace {

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* caption(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = named(new QLabel(text, parent), name);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TF_CLIENTES::TF_CLIENTES(TF_HAIR* main) : QWidget(main, Qt::Window), main_(main) {
    setObjectName(QStringLiteral("F_CLIENTES"));
    setWindowTitle(QStringLiteral("Fichas dos Clientes"));
    resize(900, 560);
    build();
    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(clientsTranslationList());
    platform::runGuarded([this] { FormCreate(); });
}

TF_CLIENTES::~TF_CLIENTES() = default;

void TF_CLIENTES::build() {
    edBusca = named(new QLineEdit(this), "edBusca");
    edBusca->setClearButtonEnabled(true);
    lvClientes = named(new QListWidget(this), "lvClientes");
    lblMais = named(new QLabel(QStringLiteral("Há mais clientes: continue digitando para "
                                              "estreitar a busca."),
                               this),
                    "lblMais");
    lblMais->setWordWrap(true);
    lblMais->hide();
    BT_Novo = named(new QPushButton(QStringLiteral("&Novo Cliente"), this), "BT_Novo");
    auto* left = new QVBoxLayout;
    left->addWidget(caption(this, "lblBusca", QStringLiteral("&Buscar (nome ou telefone):"),
                            edBusca));
    left->addWidget(edBusca);
    left->addWidget(lvClientes, 1);
    left->addWidget(lblMais);
    left->addWidget(BT_Novo);

    edNome = named(new QLineEdit(this), "edNome");
    edTelefone = named(new QLineEdit(this), "edTelefone");
    edEmail = named(new QLineEdit(this), "edEmail");
    edNotas = named(new QPlainTextEdit(this), "edNotas");
    lblAutorizacao = named(new QLabel(this), "lblAutorizacao");
    lblAutorizacao->setWordWrap(true);
    BT_Gravar = named(new QPushButton(QStringLiteral("G&ravar Cliente"), this), "BT_Gravar");
    BT_Excluir = named(new QPushButton(QStringLiteral("E&xcluir Cliente"), this), "BT_Excluir");
    BT_Exportar = named(new QPushButton(QStringLiteral("Exportar &Dados do Cliente"), this),
                        "BT_Exportar");
    auto* form = new QFormLayout;
    form->addRow(caption(this, "lblNome", QStringLiteral("No&me:"), edNome), edNome);
    form->addRow(caption(this, "lblTelefone", QStringLiteral("&Telefone:"), edTelefone),
                 edTelefone);
    form->addRow(caption(this, "lblEmail", QStringLiteral("&E-mail:"), edEmail), edEmail);
    form->addRow(caption(this, "lblNotas", QStringLiteral("&Observações:"), edNotas), edNotas);
    auto* middle = new QVBoxLayout;
    middle->addLayout(form, 1);
    middle->addWidget(lblAutorizacao);
    middle->addWidget(BT_Gravar);
    middle->addWidget(BT_Excluir);
    middle->addWidget(BT_Exportar);

    lvVisitas = named(new QListWidget(this), "lvVisitas");
    lvProvas = named(new QListWidget(this), "lvProvas");
    lvProvas->setViewMode(QListView::IconMode);
    lvProvas->setIconSize(QSize(96, 125));
    lvProvas->setResizeMode(QListView::Adjust);
    lvProvas->setMovement(QListView::Static);
    lvProvas->setSelectionMode(QAbstractItemView::SingleSelection);
    BT_AbrirProva = named(new QPushButton(QStringLiteral("&Abrir Prova"), this), "BT_AbrirProva");
    BT_AbrirVisita =
        named(new QPushButton(QStringLiteral("Abrir &Visita"), this), "BT_AbrirVisita");
    BT_ImprimirVisita =
        named(new QPushButton(QStringLiteral("&Imprimir Visita"), this), "BT_ImprimirVisita");
    auto* visitButtons = new QHBoxLayout;
    visitButtons->addWidget(BT_AbrirProva);
    visitButtons->addWidget(BT_AbrirVisita);
    visitButtons->addWidget(BT_ImprimirVisita);
    auto* right = new QVBoxLayout;
    right->addWidget(caption(this, "lblVisitas", QStringLiteral("Vi&sitas:"), lvVisitas));
    right->addWidget(lvVisitas, 1);
    right->addWidget(caption(this, "lblProvas", QStringLiteral("&Provas da visita:"), lvProvas));
    right->addWidget(lvProvas, 2);
    right->addLayout(visitButtons);

    gbGuardar = named(new QGroupBox(QStringLiteral("Provas a guardar na ficha do cliente"), this),
                      "gbGuardar");
    lvGuardar = named(new QListWidget(gbGuardar), "lvGuardar");
    lvGuardar->setViewMode(QListView::IconMode);
    lvGuardar->setIconSize(QSize(72, 94));
    lvGuardar->setMovement(QListView::Static);
    lvGuardar->setFixedHeight(150);
    edNotasVisita = named(new QLineEdit(gbGuardar), "edNotasVisita");
    BT_Guardar = named(new QPushButton(QStringLiteral("&Guardar Provas"), gbGuardar), "BT_Guardar");
    auto* saveRow = new QHBoxLayout;
    saveRow->addWidget(caption(gbGuardar, "lblNotasVisita", QStringLiteral("Observações da visita:"),
                               edNotasVisita));
    saveRow->addWidget(edNotasVisita, 1);
    saveRow->addWidget(BT_Guardar);
    auto* saveBox = new QVBoxLayout(gbGuardar);
    saveBox->addWidget(lvGuardar);
    saveBox->addLayout(saveRow);
    gbGuardar->hide();

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(middle, 3);
    columns->addLayout(right, 4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(gbGuardar);

    // Every handler ends in the standard error box rather than in the event loop.
    auto wire = [this](QPushButton* button, void (TF_CLIENTES::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { platform::runGuarded([this, handler] { (this->*handler)(); }); });
    };
    wire(BT_Novo, &TF_CLIENTES::BT_NovoClick);
    wire(BT_Gravar, &TF_CLIENTES::BT_GravarClick);
    wire(BT_Excluir, &TF_CLIENTES::BT_ExcluirClick);
    wire(BT_Exportar, &TF_CLIENTES::BT_ExportarClick);
    wire(BT_AbrirProva, &TF_CLIENTES::BT_AbrirProvaClick);
    wire(BT_AbrirVisita, &TF_CLIENTES::BT_AbrirVisitaClick);
    wire(BT_ImprimirVisita, &TF_CLIENTES::BT_ImprimirVisitaClick);
    wire(BT_Guardar, &TF_CLIENTES::BT_GuardarClick);
    connect(edBusca, &QLineEdit::textChanged, this,
            [this] { platform::runGuarded([this] { edBuscaChange(); }); });
    connect(lvClientes, &QListWidget::currentRowChanged, this,
            [this] { platform::runGuarded([this] { lvClientesClick(); }); });
    connect(lvVisitas, &QListWidget::currentRowChanged, this,
            [this] { platform::runGuarded([this] { lvVisitasClick(); }); });
    connect(lvProvas, &QListWidget::itemDoubleClicked, this,
            [this] { platform::runGuarded([this] { BT_AbrirProvaClick(); }); });
}

void TF_CLIENTES::FormCreate() {
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
    showClient({});
}

QString TF_CLIENTES::text(const QString& key, const QString& arg) const {
    const QString shown = main_->L1 ? main_->L1->TranslateMsg(key) : key;
    return arg.isNull() ? shown : shown.arg(arg);
}

int TF_CLIENTES::say(const QString& key, const QString& arg, int buttons) {
    const bool question = buttons != platform::mbOk;
    return main_->ShowMessage(QStringLiteral("VELVO"), text(key, arg),
                              question ? platform::MessageIcon::Question
                                       : platform::MessageIcon::Information,
                              buttons);
}

void TF_CLIENTES::ShowRecords() {
    offered_.clear();
    lvGuardar->clear();
    gbGuardar->hide();
    edBuscaChange();
    showOverMain();
}

void TF_CLIENTES::showOverMain() {
    if (!placed_) {
        // Centred over the studio the first time; where the stylist puts it afterwards.
        placed_ = true;
        move(main_->geometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void TF_CLIENTES::edBuscaChange() {
    clients::ClientStore* store = main_->Clients();
    if (!store)
        return;
    // One more than is listed tells whether the search should be narrowed.
    std::vector<clients::Client> found;
    try {
        found = store->FindClients(edBusca->text().trimmed(), kListed + 1);
    } catch (const clients::StoreError& error) {
        main_->ReportStoreError(error);
        return;
    }
    lblMais->setVisible(int(found.size()) > kListed);
    if (int(found.size()) > kListed)
        found.resize(kListed);
    const QSignalBlocker quiet(lvClientes);
    lvClientes->clear();
    for (const clients::Client& c : found) {
        auto* item = new QListWidgetItem(
            c.phone.isEmpty() ? c.name : QStringLiteral("%1   %2").arg(c.name, c.phone), lvClientes);
        item->setData(Qt::UserRole, c.id);
        if (c.id == client_.id)
            lvClientes->setCurrentItem(item);
    }
}

void TF_CLIENTES::lvClientesClick() {
    const QListWidgetItem* item = lvClientes->currentItem();
    if (!item)
        return;
    clients::ClientStore* store = main_->Clients();
    if (!store)
        return;
    try {
        showClient(store->ClientById(item->data(Qt::UserRole).toLongLong()));
    } catch (const clients::StoreError& error) {
        main_->ReportStoreError(error);
    }
}

void TF_CLIENTES::showClient(const clients::Client& client) {
    client_ = client;
    edNome->setText(client.name);
    edTelefone->setText(client.phone);
    edEmail->setText(client.email);
    edNotas->setPlainText(client.notes);
    lblAutorizacao->setText(
        client.consent.isNull()
            ? text(QStringLiteral("Sem autorização para guardar fotos."))
            : text(QStringLiteral("Autorizou guardar fotos em %1."),
                   QLocale(QLocale::Portuguese, QLocale::Brazil)
                       .toString(client.consent, QLocale::ShortFormat)));
    lblAutorizacao->setVisible(client.id != 0);
    for (QPushButton* b : {BT_Excluir, BT_Exportar})
        b->setEnabled(client.id != 0);
    showVisits();
}

void TF_CLIENTES::BT_NovoClick() {
    const QSignalBlocker quiet(lvClientes);
    lvClientes->setCurrentItem(nullptr);
    showClient({});
    edNome->setFocus();
}

void TF_CLIENTES::BT_GravarClick() {
    if (edNome->text().trimmed().isEmpty()) {
        say(QStringLiteral("Informe o nome do cliente."));
        edNome->setFocus();
        return;
    }
    clients::ClientStore* store = main_->Clients();
    if (!store)
        return;
    clients::Client changed = client_;
    changed.name = edNome->text().trimmed();
    changed.phone = edTelefone->text().trimmed();
    changed.email = edEmail->text().trimmed();
    changed.notes = edNotas->toPlainText();
    try {
        store->SaveClient(changed);
    } catch (const clients::StoreError& error) {
        main_->ReportStoreError(error);
        return;
    }
    client_ = changed;
    edBuscaChange();
    showClient(changed);
}

void TF_CLIENTES::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        hide();
    else
        QWidget::keyPressEvent(event);
}

} // namespace velvo::app
