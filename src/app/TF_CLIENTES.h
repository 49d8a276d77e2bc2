#pragma once
#include <QList>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "clients/ClientStore.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TLanguage;

namespace velvo::document {
class TF_FILHO;
}

namespace velvo::app {

class TF_HAIR;

// "&Fichas...": the clients found by the search box, the chosen client's details and visits,
// and the chosen visit's tries as thumbnails, to reopen, print, delete or export. Opened by
// "&Guardar Provas..." it also lists the open tries to save, ticked, for the client chosen.
// It reads and writes through the main window's store; it keeps no records of its own beyond
// what it shows.
class TF_CLIENTES : public QWidget {
    Q_OBJECT
public:
    // At most this many clients are listed: a search narrows a salon's thousands to a few.
    static constexpr int kListed = 200;

    // `main` must outlive the window and have its store open.
    explicit TF_CLIENTES(TF_HAIR* main);
    ~TF_CLIENTES() override;

    // Shows the window for the records alone.
    void ShowRecords();
    // Shows it with `tries` offered for saving: those showing a hairstyle ticked, or all when
    // none does.
    void ShowForSaving(const QList<document::TF_FILHO*>& tries);

    QLineEdit* edBusca = nullptr;
    QListWidget* lvClientes = nullptr;
    QLabel* lblMais = nullptr;
    QPushButton* BT_Novo = nullptr;
    QLineEdit* edNome = nullptr;
    QLineEdit* edTelefone = nullptr;
    QLineEdit* edEmail = nullptr;
    QPlainTextEdit* edNotas = nullptr;
    QLabel* lblAutorizacao = nullptr;
    QPushButton* BT_Gravar = nullptr;
    QPushButton* BT_Excluir = nullptr;
    QPushButton* BT_Exportar = nullptr;
    QListWidget* lvVisitas = nullptr;
    QListWidget* lvProvas = nullptr;
    QPushButton* BT_AbrirProva = nullptr;
    QPushButton* BT_AbrirVisita = nullptr;
    QPushButton* BT_ImprimirVisita = nullptr;
    QGroupBox* gbGuardar = nullptr;
    QListWidget* lvGuardar = nullptr;
    QLineEdit* edNotasVisita = nullptr;
    QPushButton* BT_Guardar = nullptr;
    TLanguage* L1 = nullptr;

    // The client in the details (id 0: a new one not stored yet), its visits as listed.
    const clients::Client& Current() const { return client_; }
    const std::vector<clients::Visit>& Visits() const { return visits_; }
    // The offered documents still open and ticked, in the list's order.
    QList<document::TF_FILHO*> TickedTries() const;

public slots:
    void FormCreate();
    // The list follows the search box at each keystroke.
    void edBuscaChange();
    void lvClientesClick();
    void lvVisitasClick();
    void BT_NovoClick();
    void BT_GravarClick();
    void BT_ExcluirClick();
    void BT_ExportarClick();
    void BT_AbrirProvaClick();
    void BT_AbrirVisitaClick();
    void BT_ImprimirVisitaClick();
    void BT_GuardarClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void showOverMain();
    void showClient(const clients::Client& client);
    void showVisits(qint64 selectVisit = 0);
    // The visit and try chosen in the lists; null / 0 when none.
    const clients::Visit* chosenVisit() const;
    qint64 chosenTry() const;
    // Translated, then `arg` put in for %1.
    QString text(const QString& key, const QString& arg = {}) const;
    int say(const QString& key, const QString& arg = {}, int buttons = 1);

    TF_HAIR* main_;
    clients::Client client_;
    std::vector<clients::Visit> visits_;
    QList<QPointer<document::TF_FILHO>> offered_;
    bool placed_ = false;
};

} // namespace velvo::app
