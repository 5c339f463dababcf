#include "db/starter.h"

#include "common/filewrite.h"
#include "common/passwordhash.h"

#include "common/gbk.h"
#include "common/programdir.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTextStream>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

void insertRow(sqlite3 *db, const QString &sql, const QStringList &values)
{
    db::Statement st(db, sql);
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray v = values.at(i).toUtf8();
        sqlite3_bind_text(st.get(), i + 1, v.constData(), v.size(), SQLITE_TRANSIENT);
    }
    st.step();
}

} // namespace

QString accountNameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("the account name is empty");
    if (gbk::byteLength(name) > 20)
        return QStringLiteral(
            "the account name is longer than 20 bytes (a Chinese character counts two)");
    if (gbk::decode(gbk::encode(name)) != name)
        return QStringLiteral(
            "the account name has characters that cannot be typed in the login window");
    return {};
}

QString accountPasswordProblem(const QString &password)
{
    if (password.isEmpty())
        return QStringLiteral("the password is empty");
    if (password.size() > 20)
        return QStringLiteral("the password is longer than 20 characters");
    for (const QChar c : password) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')))
            return QStringLiteral("the password may hold only letters and digits");
    }
    return {};
}

QString createStarterDatabase(const QString &dir, const QString &adminName,
                              const QString &adminPassword, const QString &issuerPassword)
{
    if (const QString p = accountNameProblem(adminName); !p.isEmpty())
        throw DbError(p);
    if (const QString p = accountPasswordProblem(adminPassword); !p.isEmpty())
        throw DbError(p);
    const QString dataDir = QDir(dir).filePath(QStringLiteral("Data"));
    const QString path = QDir(dataDir).filePath(QStringLiteral("Data.mdb"));
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("%1 already exists; it is left as it is").arg(path));
    if (!QDir().mkpath(dataDir))
        throw DbError(QStringLiteral("cannot create the folder %1").arg(dataDir));

    // Built under a temporary name and moved into place at the end, so that a failure leaves no
    // half-made database behind.
    QTemporaryFile reserved(dataDir + QStringLiteral("/Data-XXXXXX.new"));
    if (!reserved.open())
        throw DbError(QStringLiteral("cannot write in %1").arg(dataDir));
    const QString temp = reserved.fileName();
    reserved.close();
    reserved.remove();
    try {
        db::Handle db = db::createDatabase(temp, QString::fromLatin1(db::DatabasePassword));
        schema::create(db.get());
        insertRow(db.get(),
                  QStringLiteral("INSERT INTO users(user_name,user_pass,user_type) VALUES(?,?,?)"),
                  {adminName, passwordhash::hash(adminPassword), QStringLiteral("管理员")});
        insertRow(db.get(),
                  QStringLiteral("INSERT INTO usersmm(old_word,new_word,pass_word) VALUES(?,?,?)"),
                  {issuerPassword, issuerPassword, issuerPassword});
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
    // The engine makes its files rw-r--r-- before the process's mask; a new database gets what
    // any new file of the program gets (read and write for whom the mask allows: the user, or
    // the group in a directory a group shares).
    ::chmod(QFile::encodeName(temp).constData(), filewrite::newFileMode());
    // QFile::rename does not replace an existing file, so a file that appeared meanwhile wins.
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        throw DbError(QStringLiteral("cannot create %1").arg(path));
    }
    return path;
}

bool isCreateDatabaseCommand(const QStringList &args)
{
    return args.contains(QStringLiteral("--create-database"));
}

int runCreateDatabaseCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString dir, name, password;
    bool haveName = false, havePassword = false;
    int i = 0;
    if (!args.isEmpty() && !args.first().startsWith(QLatin1Char('-')))
        i = 1; // the program name
    for (; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](QString &target) {
            if (i + 1 >= args.size()) {
                err << a << " needs a value\n";
                return false;
            }
            target = args.at(++i);
            return true;
        };
        if (a == QLatin1String("--create-database")) {
            continue;
        } else if (a == QLatin1String("--dir")) {
            if (!value(dir))
                return 2;
        } else if (a == QLatin1String("--admin-name")) {
            if (!value(name))
                return 2;
            haveName = true;
        } else if (a == QLatin1String("--admin-password")) {
            if (!value(password))
                return 2;
            havePassword = true;
        } else {
            err << "unknown argument: " << a << "\n";
            return 2;
        }
    }
    if (!haveName || !havePassword) {
        err << "usage: velmora --dir DIR --create-database --admin-name NAME --admin-password "
               "PASSWORD\n";
        return 2;
    }
    if (dir.isEmpty())
        dir = programdir::root();
    try {
        const QString path = createStarterDatabase(dir, name, password);
        out << "created " << QDir::toNativeSeparators(path) << "\n"
            << "  login account: " << name << " (管理员), password " << password << "\n"
            << "  issuer password: " << DefaultIssuerPassword << "\n";
        out.flush();
        return 0;
    } catch (const DbError &e) {
        err << "cannot create the database: " << e.text() << "\n";
        err.flush();
        return 1;
    }
}
