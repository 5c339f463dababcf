#pragma once
// The data module: the one shared connection con and the queries and data sources every window
// works with. Create one instance (it sets Datafrm), then call DataModuleCreate() with the
// database file; a failure there is thrown for the general error display, and the module stays
// usable with its file set (a later connect fails the same way).
#include "db/connection.h"
#include "db/datasource.h"
#include "db/query.h"

#include <QObject>
#include <QPointer>
#include <memory>

class TDatafrm : public QObject
{
    Q_OBJECT
public:
    explicit TDatafrm(QObject *parent = nullptr);
    ~TDatafrm() override;

    // Sets the file of con and opens and closes it once, which checks the file and the password.
    // Throws DbError with the engine's text.
    void DataModuleCreate(const QString &dataFile);

    // Closes the five queries and disconnects, so that the file can be handed over.
    void closeAll();

    // A window's query of its own on con: made (with that object name) when `query` is null or
    // belongs to an earlier data module, and owned by this one, so that it never outlives the
    // connection it runs on. True when it was made now (the window then attaches its views).
    bool ensureOwnQuery(QPointer<Query> &query, const QString &objectName);

    Connection *const con;
    Query *const LGqry1;
    DataSource *const LGds1;
    Query *const Qrymm1;
    DataSource *const DSmm1;
    Query *const Qryda1;
    DataSource *const DSda1;
    Query *const QryJL1;
    DataSource *const DSJL1;
    Query *const Qrybb1;
    DataSource *const DSbb1;

private:
    std::unique_ptr<Connection> m_con;
};

inline TDatafrm *Datafrm = nullptr;
