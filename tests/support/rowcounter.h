#pragma once
// Counts the rows the engine hands over on a connection while the counter lives (a trace on its
// handle), to show how much of a result a query really read. With holdOpen the connection is
// kept open by a query of the counter's own, so that the traced handle stays the one in use.
#include "db/connection.h"
#include "db/query.h"

#include <memory>
#include <sqlite3.h>
#include <utility>

class RowCounter
{
public:
    explicit RowCounter(Connection &con, bool holdOpen = false)
    {
        if (holdOpen) {
            m_keep = std::make_unique<Query>(&con);
            m_keep->setSQL(QStringLiteral("select 1"));
            m_keep->open();
        }
        m_db = con.handle();
        sqlite3_trace_v2(m_db, SQLITE_TRACE_ROW, &RowCounter::onRow, this);
    }
    ~RowCounter() { sqlite3_trace_v2(m_db, 0, nullptr, nullptr); }
    RowCounter(const RowCounter &) = delete;
    RowCounter &operator=(const RowCounter &) = delete;
    // The rows counted since the last call.
    int take() { return std::exchange(m_rows, 0); }

private:
    static int onRow(unsigned, void *self, void *, void *)
    {
        ++static_cast<RowCounter *>(self)->m_rows;
        return 0;
    }
    std::unique_ptr<Query> m_keep;
    sqlite3 *m_db = nullptr;
    int m_rows = 0;
};
