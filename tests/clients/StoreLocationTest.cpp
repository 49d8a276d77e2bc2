#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "clients/ClientStore.h"
#include "clients/StoreConnection.h"

using namespace velvo::clients;

TEST(StoreLocation, TheStudioIniNamesTheServerOrTheFileIsUsed) {
    const struct {
        const char* ini;  // nullptr: no velvo.ini
        const char* want; // {studio}: the studio folder
    } cases[] = {
        {nullptr, "{studio}clientes.db"},
        {"[Opcoes]\nEnquadrarAoAbrir=0\n", "{studio}clientes.db"},
        {"[CLIENTES]\r\n servidor = postgresql://salao@db.local:5433/velvo \r\n",
         "postgresql://salao@db.local:5433/velvo"},
        {"[Clientes]\nServidor=\n", "{studio}clientes.db"},
    };
    for (const auto& c : cases) {
        QTemporaryDir studio;
        if (c.ini) {
            QFile ini(studio.filePath("velvo.ini"));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(c.ini);
        }
        QString want = QString::fromUtf8(c.want);
        want.replace(QStringLiteral("{studio}"), studio.path() + u'/');
        // The program folder ends in a separator; a folder given without one works alike.
        EXPECT_EQ(ClientStore::LocationFor(studio.path()).toStdString(), want.toStdString())
            << (c.ini ? c.ini : "no ini");
        EXPECT_EQ(ClientStore::LocationFor(studio.path() + u'/').toStdString(), want.toStdString());
    }
}

TEST(StoreLocation, ServerAddressesAndTheirFaults) {
    const std::pair<const char*, const char*> good[] = {
        {"postgresql://salao@db.local:5433/velvo", "salao db.local 5433 velvo"},
        {"postgresql://salao@/var/run/postgresql:5432/velvo",
         "salao /var/run/postgresql 5432 velvo"},
        {"postgresql://salao@%2Fvar%2Frun%2Fpostgresql/velvo",
         "salao /var/run/postgresql -1 velvo"},
        {"postgresql://salao@/velvo?host=/tmp/pg", "salao /tmp/pg -1 velvo"},
    };
    for (const auto& [address, want] : good) {
        const ServerAddress a = ServerAddress::Parse(QString::fromUtf8(address));
        EXPECT_EQ(
            QStringLiteral("%1 %2 %3 %4").arg(a.user, a.host, QString::number(a.port), a.database),
            QString::fromUtf8(want))
            << address;
    }
    for (const char* bad :
         {"postgresql://salao:segredo@db/velvo", "postgresql://db/velvo?password=x",
          "postgresql://db:porta/velvo", "postgresql://db.local", "postgresql://db.local/"}) {
        try {
            ServerAddress::Parse(QString::fromUtf8(bad));
            ADD_FAILURE() << bad << ": accepted";
        } catch (const StoreError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("postgresql://")))
                << e.what();
            EXPECT_EQ(std::string(e.what()).find("segredo"), std::string::npos) << e.what();
        }
    }
}
