#include "db/datafrm.h"
#include "db/compact.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/schema.h"
#include "db/texts.h"
#include <sqlite3.h>

namespace {
Query *makeQuery(Connection *con, QObject *parent, const char *name, const char *sql)
{
    auto *q = new Query(con, parent);
    q->setObjectName(QString::fromLatin1(name));
    q->setSQL(QString::fromUtf8(sql));
    return q;
}
} // namespace

TDatafrm::TDatafrm(QObject *parent)
    : QObject(parent)
    , con(new Connection)
    , LGqry1(makeQuery(con, this, "LGqry1", "select * from users;"))
    , LGds1(new DataSource(LGqry1, this))
    , Qrymm1(makeQuery(con, this, "Qrymm1", "select * from usersmm;"))
    , DSmm1(new DataSource(Qrymm1, this))
    , Qryda1(makeQuery(con, this, "Qryda1", "select * from CZdata;"))
    , DSda1(new DataSource(Qryda1, this))
    , QryJL1(makeQuery(con, this, "QryJL1", "select * from CRJL;"))
    , DSJL1(new DataSource(QryJL1, this))
    , Qrybb1(makeQuery(con, this, "Qrybb1", "select * from CZdata"))
    , DSbb1(new DataSource(Qrybb1, this))
    , m_con(con)
{
    setObjectName(QStringLiteral("Datafrm"));
    // The password shows as "******" wherever it is displayed, also when empty; comparisons
    // read the stored value.
    LGqry1->setFieldDefs({{QStringLiteral("id"), 0, true, {}},
                          {QStringLiteral("user_name"), 20, false, {}},
                          {QStringLiteral("user_pass"), 128, false, QStringLiteral("******")},
                          {QStringLiteral("user_type"), 50, false, {}}});
    Qrymm1->setFieldDefs({{QStringLiteral("id"), 0, true, {}},
                          {QStringLiteral("old_word"), 6, false, {}},
                          {QStringLiteral("new_word"), 6, false, {}},
                          {QStringLiteral("pass_word"), 6, false, {}}});
    Datafrm = this;
}

TDatafrm::~TDatafrm()
{
    for (Query *q : {LGqry1, Qrymm1, Qryda1, QryJL1, Qrybb1})
        q->close();
    if (Datafrm == this)
        Datafrm = nullptr;
}

void TDatafrm::DataModuleCreate(const QString &dataFile)
{
    removeRestoreLeftovers(dataFile);
    con->disconnect();
    con->setDatabase(dataFile);
    con->connect();
    con->disconnect();
    db::Handle db = db::openDatabase(dataFile, QString::fromLatin1(db::DatabasePassword));
    // An empty file, or one keyed with our password but without the tables, is no database of
    // ours: nothing is written into it.
    if (!schema::hasAllTables(db.get()))
        throw DbError(texts::db::NotOurDatabase.arg(dataFile));
    // A file from an older version of the program is brought up to date before anyone uses it.
    sqlite3_busy_timeout(db.get(), 2000);
    schema::migrate(db.get());
}

bool TDatafrm::ensureOwnQuery(QPointer<Query> &query, const QString &objectName)
{
    if (query && query->connection() == con)
        return false;
    query = new Query(con, this);
    query->setObjectName(objectName);
    return true;
}

void TDatafrm::closeAll()
{
    for (Query *q : {LGqry1, Qrymm1, Qryda1, QryJL1, Qrybb1})
        q->close();
    con->disconnect();
}
