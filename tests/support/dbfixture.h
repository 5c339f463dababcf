#pragma once
// A program directory with a starter database and a connection to it; helpers that read and write
// the file on a handle of their own, past the layer under test.
#include "coresupport.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/query.h"
#include "db/starter.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

class DbTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        file = createStarterDatabase(dir.root(), QStringLiteral("admin"), QStringLiteral("admin1"));
        con.setDatabase(file);
    }

    void exec(const QString &sql) const
    {
        db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
        db::exec(h.get(), sql);
    }

    // The first column of every row, as text ("<null>" for NULL).
    QStringList column(const QString &sql) const
    {
        db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
        db::Statement st(h.get(), sql);
        QStringList out;
        while (st.step()) {
            const auto *t = sqlite3_column_text(st.get(), 0);
            out << (t ? QString::fromUtf8(reinterpret_cast<const char *>(t))
                      : QStringLiteral("<null>"));
        }
        return out;
    }

    QByteArray fileBytes() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    testsupport::TempProgramDir dir;
    QString file;
    Connection con;
};
