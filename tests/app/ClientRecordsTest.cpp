// The client records through the main window and the records window: tries reopened exactly,
// consent, a write that fails, and the search.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QToolButton>
#include <functional>

#include "app/StudioFixture.h"
#include "app/TF_CLIENTES.h"
#include "clients/ClientStore.h"
#include "document/TResizeGrip.h"
#include "pixel/TPixelDisplay.h"
#include "print/TF_PREVIEW.h"
#include "print/TF_PREVIEW2.h"
#include "ui/TImageAspect.h"

namespace velvo::testing {
namespace {

using document::TF_FILHO;

// Each 50 x 50 cell its own colour, so a view offset or zoom shows in the window picture.
imaging::Raster cells(int width, int height) {
    imaging::Raster r = solid(width, height, {0, 0, 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.set(x, y, {uint8_t(x / 50 * 20), uint8_t(y / 50 * 25), uint8_t(90 + x % 7 * 20)});
    return r;
}

class ClientRecords : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        writeHair(0, 1, hairstyle(60, 70, {30, 60, 160}));
        writeHair(0, 2, hairstyle(50, 80, {20, 140, 40}));
        writeHair(0, 3, hairstyle(70, 60, {150, 40, 40}));
        photo = writePhoto("photo.bmp", cells(700, 600));
    }
    void activate(TF_FILHO* doc) { main->MdiArea->setActiveSubWindow(doc->SubWindow()); }
    clients::ClientStore& store() {
        clients::ClientStore* s = main->Clients();
        EXPECT_NE(s, nullptr);
        return *s;
    }
    clients::Client addClient(const QString& name, const QString& phone = {},
                              QDate consent = {}) {
        clients::Client c;
        c.name = name;
        c.phone = phone;
        c.consent = consent;
        store().SaveClient(c);
        return c;
    }
    // The same commands on two documents must leave the same window pictures.
    void expectSameUnderCommands(TF_FILHO* original, TF_FILHO* reopened, const char* name) {
        const std::function<void()> commands[] = {
            [&] { main->Marrom1Click(); },
            [&] { main->ActiveDocument()->FormKeyUp(Qt::Key_Right, {}); },
            [&] { main->Flip1Click(); },
        };
        for (const auto& command : commands) {
            for (TF_FILHO* doc : {original, reopened}) {
                activate(doc);
                command();
            }
            EXPECT_EQ(reopened->CompositeImage(), original->CompositeImage()) << name;
        }
    }

    QString photo;
};

// One document per way a try can differ from a freshly inserted hairstyle.
class ReopenedTry : public ClientRecords {
protected:
    TF_FILHO* make(const char* what) {
        TF_FILHO* doc = insert(photo, "1", 20, 30);
        const QString w = QString::fromLatin1(what);
        if (w == "flipped")
            main->Flip1Click();
        else if (w == "coloured")
            main->Vermelho1Click();
        else if (w == "resized") {
            main->BT_MOVE->click();
            doc->SH1->SetBounds(18, 28, 90 + 5, 40 + 5);
            main->BT_SCROLL->click();
        } else if (w == "framed and turned") {
            fit::Keypoints k;
            const double c = 0.96592582628, s = 0.2588190451; // 15 degrees
            auto at = [&](double dx, double dy) {
                return fit::Point{300 + dx * c - dy * s, 280 + dx * s + dy * c};
            };
            k = {at(-30, -25), at(30, -25), at(0, 0), at(0, 25), at(-80, 0), at(80, 0)};
            EXPECT_TRUE(main->FrameDocument(*doc, fit::faceFromKeypoints({220, 200, 160, 160}, k,
                                                                          0.9)));
        } else if (w == "zoomed and scrolled") {
            doc->Close();
            doc = insert(photo, "2", 5, 6, 200, 130, 170);
        } else if (w == "hair hidden")
            main->ApagarCabelo1Click();
        else if (w == "photo edited") {
            QImage edited = doc->Image1->Image().copy();
            edited.invertPixels();
            doc->Image1->SetImage(edited);
        } else if (w == "window enlarged")
            doc->SubWindow()->resize(doc->SubWindow()->size() + QSize(90, 40));
        flushDeletes();
        return doc;
    }
};

TEST_F(ReopenedTry, ShowsWhatWasSavedAndTakesEveryCommandAlike) {
    const char* cases[] = {"plain",         "flipped",         "coloured",
                           "resized",       "framed and turned", "zoomed and scrolled",
                           "hair hidden",   "photo edited",    "window enlarged",
                           "photo file gone"};
    for (const char* what : cases) {
        TF_FILHO* original = make(what);
        const trial::Trial kept = original->Describe();
        const bool gone = QString::fromLatin1(what) == "photo file gone";
        if (gone)
            ASSERT_TRUE(QFile::rename(photo, photo + ".away"));
        TF_FILHO* reopened = main->OpenTrial(kept);
        ASSERT_NE(reopened, nullptr) << what;
        EXPECT_EQ(reopened->CompositeImage(), kept.thumbnail) << what;
        EXPECT_TRUE(QFile::exists(reopened->lblFilename->text())) << what;

        const auto fields = [](const trial::Trial& t) {
            return std::tuple(t.photoBytes, t.photoEdited, t.hairNumber, t.category, t.left, t.top,
                              t.zoom, t.viewX, t.viewY, t.framed, t.hairTurn);
        };
        const trial::Trial again = reopened->Describe();
        EXPECT_EQ(fields(again), fields(kept)) << what;
        EXPECT_EQ(again.overlay, kept.overlay) << what;

        expectSameUnderCommands(original, reopened, what);
        if (gone)
            QFile::rename(photo + ".away", photo);
        main->FecharTudo1Click();
        flushDeletes();
    }
}

TEST_F(ReopenedTry, AWholeVisitComesBackFromTheRecordsAsItWasShown) {
    const clients::Client client = addClient("Ana", {}, QDate(2026, 1, 5));
    QList<TF_FILHO*> docs;
    QList<QImage> shown;
    for (const char* what : {"flipped", "framed and turned", "zoomed and scrolled", "photo edited"}) {
        docs.append(make(what));
        shown.append(docs.back()->CompositeImage());
    }
    ASSERT_TRUE(main->SaveTries(client.id, docs));
    for (TF_FILHO* doc : docs)
        EXPECT_EQ(doc->ClientName, "Ana");

    const std::vector<clients::Visit> visits = store().VisitsOf(client.id);
    ASSERT_EQ(visits.size(), 1u);
    const QList<TF_FILHO*> reopened = main->OpenTrials(store().LoadVisit(visits[0].id));
    ASSERT_EQ(reopened.size(), docs.size());
    for (int i = 0; i < reopened.size(); ++i) {
        EXPECT_EQ(reopened[i]->CompositeImage(), shown[i]) << i;
        EXPECT_EQ(reopened[i]->ClientName, "Ana");
    }
    expectSameUnderCommands(docs[1], reopened[1], "framed, from the records");
}

TEST_F(ClientRecords, TriesAreKeptOnlyWithTheClientsConsent) {
    struct Case {
        int answer;
        bool saved;
    };
    for (const Case c : {Case{platform::mbNo, false}, Case{platform::mbYes, true}}) {
        const clients::Client client = addClient(c.saved ? "Bia" : "Carla");
        TF_FILHO* first = insert(photo, "1", 10, 10);
        TF_FILHO* second = insert(photo, "2", 30, 10);
        const QImage before = second->CompositeImage();
        messages.shown.clear();
        messages.answers = {c.answer};

        main->GuardarProvas1Click();
        auto* window = main->findChild<app::TF_CLIENTES*>("F_CLIENTES");
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->TickedTries(), (QList<TF_FILHO*>{first, second}));
        window->edBusca->setText(client.name);
        ASSERT_EQ(window->lvClientes->count(), 1);
        window->lvClientes->setCurrentRow(0);
        window->BT_Guardar->click();

        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].text, "O cliente autorizou guardar as fotos?");
        const clients::Client stored = store().ClientById(client.id);
        EXPECT_EQ(stored.consent, c.saved ? QDate::currentDate() : QDate());
        const std::vector<clients::Visit> visits = store().VisitsOf(client.id);
        ASSERT_EQ(visits.size(), c.saved ? 1u : 0u);
        if (c.saved) {
            EXPECT_EQ(visits[0].tries.size(), 2u);
        }
        EXPECT_EQ(second->ClientName, c.saved ? client.name : QString());
        EXPECT_EQ(second->CompositeImage(), before);
        main->FecharTudo1Click();
        flushDeletes();
    }
}

TEST_F(ClientRecords, AFailedWriteIsToldAndChangesNothing) {
    const clients::Client client = addClient("Dora", {}, QDate(2026, 2, 1));
    TF_FILHO* doc = insert(photo, "1", 10, 10);
    main->Flip1Click();
    const trial::Trial before = doc->Describe();
    {
        // Another program holds the file: every insert is refused, as on a full disk.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "saboteur");
        db.setDatabaseName(folder + "clientes.db");
        ASSERT_TRUE(db.open());
        for (const char* table : {"clients", "visits", "tries", "photos"}) {
            QSqlQuery trigger(db);
            ASSERT_TRUE(trigger.exec(QString("CREATE TRIGGER refuse_%1 BEFORE INSERT ON \"%1\" "
                                             "BEGIN SELECT RAISE(ABORT, 'disco cheio'); END")
                                         .arg(QLatin1String(table))))
                << trigger.lastError().text().toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("saboteur");

    EXPECT_FALSE(main->SaveTries(client.id, {doc}));
    ASSERT_EQ(messages.shown.size(), 1);
    const QString told = messages.shown[0].text;
    EXPECT_TRUE(told.contains(store().Name()) && told.contains("disco cheio")) << told.toStdString();
    EXPECT_TRUE(store().VisitsOf(client.id).empty());
    EXPECT_TRUE(doc->ClientName.isEmpty());
    const trial::Trial after = doc->Describe();
    EXPECT_EQ(after.thumbnail, before.thumbnail);
    EXPECT_EQ(after.overlay, before.overlay);
    EXPECT_EQ(QPoint(after.left, after.top), QPoint(before.left, before.top));
}

TEST_F(ClientRecords, ADatabaseThatCannotOpenIsNamedAndTheStudioGoesOn) {
    // A folder where the database file should be: no driver can open it.
    ASSERT_TRUE(QDir(folder).mkpath("clientes.db/x"));
    insert(photo, "1", 10, 10);
    for (const char* command : {"Fichas1", "GuardarProvas1"}) {
        messages.shown.clear();
        main->Action(command)->trigger();
        ASSERT_EQ(messages.shown.size(), 1) << command;
        EXPECT_TRUE(messages.shown[0].text.contains(folder + "clientes.db"))
            << messages.shown[0].text.toStdString();
        EXPECT_EQ(main->findChild<app::TF_CLIENTES*>("F_CLIENTES"), nullptr) << command;
    }
    EXPECT_EQ(main->Clients(), nullptr);
    EXPECT_EQ(main->Documents().size(), 1);
}

// The sheet keeps a preview's pictures until the next one overwrites them; a visit's sheet
// must not carry another client's tries in the cells its own do not fill.
TEST_F(ClientRecords, AVisitsSheetHoldsItsTriesAlone) {
    print::TF_PREVIEW sheet;
    print::TF_PREVIEW2 preview(main.get());
    const clients::Client client = addClient("Edna", {}, QDate(2026, 3, 1));
    TF_FILHO* first = insert(photo, "1", 10, 10);
    TF_FILHO* second = insert(photo, "2", 40, 20);
    insert(photo, "3", 70, 30);
    main->PrintPreview1Click();
    ASSERT_FALSE(sheet.Cell(3)->Picture().isNull());
    ASSERT_TRUE(main->SaveTries(client.id, {first, second}));

    main->Fichas1Click();
    auto* window = main->findChild<app::TF_CLIENTES*>("F_CLIENTES");
    ASSERT_NE(window, nullptr);
    window->edBusca->setText("Edna");
    window->lvClientes->setCurrentRow(0);
    window->BT_ImprimirVisita->click();
    EXPECT_EQ(sheet.Cell(1)->Picture(), first->CompositeImage());
    EXPECT_EQ(sheet.Cell(2)->Picture(), second->CompositeImage());
    for (int n = 3; n <= 8; ++n) {
        EXPECT_TRUE(sheet.Cell(n)->Picture().isNull()) << n;
        EXPECT_EQ(preview.Cell(n)->Bitmap(), nullptr) << n;
    }
    EXPECT_NE(preview.Cell(2)->Bitmap(), nullptr);
}

TEST_F(ClientRecords, SearchFollowsEachKeystrokeIgnoringCaseAndAccents) {
    addClient("José da Silva", "(11) 98765-4321");
    addClient("Joseane Prado", "21 3333-0000");
    addClient("Maria Souza", "(11) 91234-0000");
    main->Fichas1Click();
    auto* window = main->findChild<app::TF_CLIENTES*>("F_CLIENTES");
    ASSERT_NE(window, nullptr);
    auto listed = [&] {
        QStringList names;
        for (int i = 0; i < window->lvClientes->count(); ++i)
            names << window->lvClientes->item(i)->text().section("   ", 0, 0);
        return names;
    };
    EXPECT_EQ(listed().size(), 3);
    struct Case {
        const char* typed;
        QStringList found;
    };
    const Case cases[] = {
        {"jose", {"José da Silva", "Joseane Prado"}},
        {"JOSÉ D", {"José da Silva"}},
        {"98765", {"José da Silva"}},
        {"souza", {"Maria Souza"}},
        {"xyz", {}},
    };
    for (const Case& c : cases) {
        window->edBusca->clear();
        QTest::keyClicks(window->edBusca, QString::fromUtf8(c.typed));
        EXPECT_EQ(listed(), c.found) << c.typed;
    }
}

} // namespace
} // namespace velvo::testing
