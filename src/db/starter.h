#pragma once
// A starter database: the schema, one administrator account and the issuer password record.
// The issuer password record holds DefaultIssuerPassword in old_word, new_word and pass_word;
// it is the factory password of a new issuer (the issuer simulator uses it too).
#include <QString>
#include <QStringList>

class QTextStream;

inline constexpr char DefaultIssuerPassword[] = "123456";

// Empty when valid, else why not: a name is 1 to 20 bytes of GBK text and not blank.
QString accountNameProblem(const QString &name);
// Empty when valid, else why not: a password is 1 to 20 letters (A-Z, a-z) and digits.
QString accountPasswordProblem(const QString &password);

// Creates DIR/Data/Data.mdb; returns its path. Refuses an existing file and invalid account
// data; throws DbError. The file appears complete or not at all.
QString
createStarterDatabase(const QString &dir, const QString &adminName, const QString &adminPassword,
                      const QString &issuerPassword = QString::fromLatin1(DefaultIssuerPassword));

// True when the arguments ask for the command below.
bool isCreateDatabaseCommand(const QStringList &args);
// velmora [--dir DIR] --create-database --admin-name NAME --admin-password PASSWORD
// args may start with the program name. Without --dir the program directory is used. Prints
// what it made to out, problems to err; returns the exit code (0 on success).
int runCreateDatabaseCommand(const QStringList &args, QTextStream &out, QTextStream &err);
