#include "db/sqltext.h"

#include <QList>

namespace sqltext {

namespace {

enum class Kind { Space, Word, String, Bracket, Param, Other };

struct Token
{
    Kind kind;
    QString text;
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.unicode() > 0x7f;
}

QList<Token> tokenize(const QString &s)
{
    QList<Token> out;
    const int n = s.size();
    int i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            int j = i;
            while (j < n && s.at(j).isSpace())
                ++j;
            out.append({Kind::Space, s.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A literal; the quote doubled inside stands for itself. Both forms become a
            // single-quoted SQLite literal.
            QString value;
            int j = i + 1;
            bool closed = false;
            while (j < n) {
                if (s.at(j) == c) {
                    if (j + 1 < n && s.at(j + 1) == c) {
                        value += c;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                value += s.at(j++);
            }
            if (!closed) {
                // Leave an unterminated literal as it was; the engine reports it.
                out.append({Kind::Other, s.mid(i)});
                i = n;
                continue;
            }
            value.replace(QLatin1String("'"), QLatin1String("''"));
            out.append({Kind::String, QLatin1Char('\'') + value + QLatin1Char('\'')});
            i = j;
        } else if (c == QLatin1Char('[')) {
            int j = s.indexOf(QLatin1Char(']'), i + 1);
            j = j < 0 ? n : j + 1;
            out.append({Kind::Bracket, s.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char(':') && i + 1 < n && isWordChar(s.at(i + 1))) {
            int j = i + 1;
            while (j < n && isWordChar(s.at(j)))
                ++j;
            out.append({Kind::Param, s.mid(i, j - i)});
            i = j;
        } else if (isWordChar(c)) {
            int j = i;
            while (j < n && isWordChar(s.at(j)))
                ++j;
            out.append({Kind::Word, s.mid(i, j - i)});
            i = j;
        } else {
            out.append({Kind::Other, QString(c)});
            ++i;
        }
    }
    return out;
}

bool isWord(const Token &t, const char *word)
{
    return t.kind == Kind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Index of the next token at or after i that is not blank, or -1.
int nextSolid(const QList<Token> &t, int i)
{
    while (i < t.size() && t.at(i).kind == Kind::Space)
        ++i;
    return i < t.size() ? i : -1;
}

QString joined(const QList<Token> &t, int from, int to)
{
    QString out;
    for (int i = from; i < to; ++i)
        out += t.at(i).text;
    return out;
}

void dropDeleteStar(QList<Token> &t)
{
    const int del = nextSolid(t, 0);
    if (del < 0 || !isWord(t.at(del), "delete"))
        return;
    const int star = nextSolid(t, del + 1);
    if (star < 0 || t.at(star).text != QLatin1String("*"))
        return;
    const int from = nextSolid(t, star + 1);
    if (from < 0 || !isWord(t.at(from), "from"))
        return;
    t.erase(t.begin() + star, t.begin() + from); // "delete " + "from"
}

void trimEnd(QList<Token> &t)
{
    while (!t.isEmpty() && (t.last().kind == Kind::Space ||
                            (t.last().kind == Kind::Other && t.last().text == QLatin1String(";"))))
        t.removeLast();
}

// "from A right [outer] join B on" with A and B single tables (with or without alias) becomes
// "from B left join A on"; anything more involved is left for the engine to refuse.
void rewriteRightJoin(QList<Token> &t)
{
    for (int r = 0; r < t.size(); ++r) {
        if (!isWord(t.at(r), "right"))
            continue;
        int join = nextSolid(t, r + 1);
        if (join >= 0 && isWord(t.at(join), "outer"))
            join = nextSolid(t, join + 1);
        if (join < 0 || !isWord(t.at(join), "join"))
            continue;
        int from = -1;
        for (int k = r - 1; k >= 0; --k) {
            if (isWord(t.at(k), "from")) {
                from = k;
                break;
            }
        }
        int on = -1;
        for (int k = join + 1; k < t.size(); ++k) {
            if (isWord(t.at(k), "on")) {
                on = k;
                break;
            }
        }
        if (from < 0 || on < 0)
            return;
        auto simpleRef = [&](int a, int b) {
            for (int k = a; k < b; ++k) {
                const Token &x = t.at(k);
                if (x.kind == Kind::Other || isWord(x, "join") || isWord(x, "select"))
                    return false;
            }
            return true;
        };
        if (!simpleRef(from + 1, r) || !simpleRef(join + 1, on))
            return;
        const QString left = joined(t, from + 1, r).trimmed();
        const QString right = joined(t, join + 1, on).trimmed();
        QList<Token> out = t.mid(0, from + 1);
        out.append({Kind::Space, QStringLiteral(" ")});
        out.append({Kind::Other, right});
        out.append({Kind::Space, QStringLiteral(" ")});
        out.append({Kind::Word, QStringLiteral("left")});
        out.append({Kind::Space, QStringLiteral(" ")});
        out.append({Kind::Word, QStringLiteral("join")});
        out.append({Kind::Space, QStringLiteral(" ")});
        out.append({Kind::Other, left});
        out.append({Kind::Space, QStringLiteral(" ")});
        out.append(t.mid(on));
        t = out;
        return;
    }
}

void markBareParameters(QList<Token> &t)
{
    for (int i = 0; i < t.size(); ++i) {
        Token &x = t[i];
        if (x.kind != Kind::Word || !isBareParameterName(x.text))
            continue;
        // A qualified column (cj.startrq) is not a parameter.
        if (i > 0 && t.at(i - 1).text == QLatin1String("."))
            continue;
        x.kind = Kind::Param;
        x.text.prepend(QLatin1Char(':'));
    }
}

} // namespace

bool isBareParameterName(const QString &word)
{
    return word.compare(QLatin1String("startrq"), Qt::CaseInsensitive) == 0 ||
           word.compare(QLatin1String("endrq"), Qt::CaseInsensitive) == 0;
}

QString toSqlite(const QString &statement)
{
    QList<Token> t = tokenize(statement);
    trimEnd(t);
    while (!t.isEmpty() && t.first().kind == Kind::Space)
        t.removeFirst();
    dropDeleteStar(t);
    rewriteRightJoin(t);
    markBareParameters(t);
    return joined(t, 0, t.size());
}

} // namespace sqltext
