#pragma once
// The statements of the program are written in the Access (Jet) dialect; SQLite runs them after
// this translation:
//   "text" literals            -> 'text' (Jet has no double-quoted identifiers)
//   delete * from T            -> delete from T
//   A [as a] right join B [as b] on ... -> B [as b] left join A [as a] on ... (SQLite before 3.39
//                                 has no right join; swapping the sides gives the same rows)
//   bare startrq / endrq       -> :startrq / :endrq (Jet takes unknown names as parameters)
//   trailing ';' and blanks    -> removed
// Square-bracket identifiers, :name and ? parameters pass unchanged (SQLite knows them).
#include <QString>

namespace sqltext {

QString toSqlite(const QString &statement);

// Parameter names that Jet statements use without a colon.
bool isBareParameterName(const QString &word);

} // namespace sqltext
