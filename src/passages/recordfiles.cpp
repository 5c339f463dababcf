#include "passages/recordfiles.h"

#include "common/errors.h"
#include "common/filewrite.h"
#include "common/gbk.h"
#include "passages/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cerrno>

namespace records {

namespace {

bool isTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

// Bytes from..from+length-1 (1-based); what lies beyond the end is left out.
QByteArray piece(const QByteArray &part, int from, int length)
{
    if (from > part.size())
        return {};
    return part.mid(from - 1, length);
}

// Most pieces are ASCII, which reads the same in every code page; only the rest needs the
// converter.
QString text(const QByteArray &bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return gbk::decode(bytes);
    return QString::fromLatin1(bytes);
}

// Name order that does not depend on the file system or the locale.
void sortByName(QFileInfoList &entries)
{
    std::sort(entries.begin(), entries.end(), [](const QFileInfo &a, const QFileInfo &b) {
        const int folded = a.fileName().compare(b.fileName(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.fileName() < b.fileName();
    });
}

QFileInfoList sortedEntries(const QString &folder)
{
    QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    sortByName(entries);
    return entries;
}

void collect(const QString &folder, QSet<QString> &seen, QStringList &files)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || seen.contains(canonical))
        return;
    seen.insert(canonical);
    QFileInfoList folders;
    for (const QFileInfo &entry : sortedEntries(folder)) {
        if (!matchesRecordPattern(entry.fileName()))
            continue;
        if (entry.isDir())
            folders << entry;
        else if (entry.isFile())
            files << entry.filePath();
    }
    for (const QFileInfo &sub : std::as_const(folders))
        collect(sub.filePath(), seen, files);
}

} // namespace

QByteArray trimmed(const QByteArray &bytes)
{
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to && isTrimmed(bytes.at(from)))
        ++from;
    while (to > from && isTrimmed(bytes.at(to - 1)))
        --to;
    return bytes.mid(from, to - from);
}

SplitLine splitRecordLine(const QByteArray &line)
{
    SplitLine out;
    QByteArray rest = line;
    qsizetype blank;
    while ((blank = rest.indexOf(' ')) >= 0) {
        if (out.fields.size() < LeadingFieldSlots)
            out.fields << rest.left(blank + 1);
        rest = trimmed(rest.mid(blank + 2));
    }
    out.recordPart = rest;
    return out;
}

PassageRow passageRow(const QByteArray &line)
{
    return RowReader().row(line);
}

QString RowReader::fieldText(const QList<QByteArray> &fields, int number)
{
    if (number > fields.size())
        return {};
    const QByteArray &bytes = fields.at(number - 1);
    auto it = m_texts.constFind(bytes);
    if (it != m_texts.constEnd())
        return *it;
    if (m_texts.size() >= 8192) // a bound for files without repetition
        m_texts.clear();
    return *m_texts.insert(bytes, text(bytes));
}

PassageRow RowReader::row(const QByteArray &line)
{
    const SplitLine split = splitRecordLine(line);
    const QByteArray &r = split.recordPart;
    auto part = [&r](int from, int length) { return text(piece(r, from, length)); };
    PassageRow row;
    row.readerAddress = part(1, 2);
    row.direction = piece(r, 4, 1) == "1" ? QStringLiteral("进") : QStringLiteral("出");
    row.cardCode = part(6, 8);
    row.passageTime = part(15, 4) + QStringLiteral("年") + part(19, 2) + QStringLiteral("月") +
                      part(21, 2) + QStringLiteral("日") + part(23, 2) + QStringLiteral(":") +
                      part(25, 2) + QStringLiteral("分");
    row.ownerName = fieldText(split.fields, 2);
    row.plate = fieldText(split.fields, 3);
    row.column8 = fieldText(split.fields, 7);
    row.column9 = fieldText(split.fields, 8);
    row.column10 = text(r);
    return row;
}

QList<QByteArray> splitLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == '\r' && i + 1 < n && text.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

QByteArray recordText(const QByteArray &raw)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    // Only NULs that end a line (or the file) go: inside a line a NUL is a byte like any other,
    // and dropping it would shift every fixed position after it.
    QByteArray text;
    text.reserve(raw.size());
    const qsizetype n = raw.size();
    for (qsizetype i = 0; i < n;) {
        if (raw.at(i) != '\0') {
            text.append(raw.at(i++));
            continue;
        }
        qsizetype end = i;
        while (end < n && raw.at(end) == '\0')
            ++end;
        const bool endsLine = end == n || raw.at(end) == '\r' || raw.at(end) == '\n';
        if (!endsLine)
            text.append(raw.constData() + i, end - i);
        i = end;
    }
    if (text.startsWith(bom))
        text = gbk::encode(QString::fromUtf8(text.mid(bom.size())));
    return text;
}

bool matchesRecordPattern(const QString &name)
{
    return name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

QString recordFolder(const QString &driveRoot)
{
    if (driveRoot.isEmpty())
        return {};
    for (const QFileInfo &entry : sortedEntries(driveRoot)) {
        if (entry.isDir() &&
            entry.fileName().compare(QLatin1String(RecordFolder), Qt::CaseInsensitive) == 0)
            return entry.filePath();
    }
    return {};
}

QStringList findRecordFiles(const QString &folder)
{
    QStringList files;
    QSet<QString> seen;
    if (!folder.isEmpty())
        collect(folder, seen, files);
    return files;
}

void RecordLineReader::endLine(QList<QByteArray> &lines)
{
    lines << (m_utf8 ? gbk::encode(QString::fromUtf8(m_line)) : m_line);
    m_line.clear();
}

void RecordLineReader::feed(const char *data, qsizetype size, QList<QByteArray> &lines)
{
    static const char bom[] = "\xEF\xBB\xBF";
    qsizetype i = 0;
    // A file saved by an editor as UTF-8 starts with the byte-order mark; it may be split over
    // pieces like anything else.
    while (!m_started && i < size) {
        if (data[i] != bom[m_bomMatched]) {
            m_started = true;
            m_line.append(bom, m_bomMatched); // what looked like a mark is text
            break;
        }
        ++i;
        if (++m_bomMatched == 3) {
            m_started = true;
            m_utf8 = true;
        }
    }
    while (i < size) {
        const char c = data[i];
        if (c == '\0') {
            // Held back: NULs that end a line or the file go, inside a line they stay.
            qsizetype j = i;
            while (j < size && data[j] == '\0')
                ++j;
            m_nuls += j - i;
            i = j;
            continue;
        }
        if (c == '\r' || c == '\n') {
            m_nuls = 0;
            const bool secondOfCrLf = c == '\n' && m_afterCr;
            m_afterCr = c == '\r';
            if (!secondOfCrLf)
                endLine(lines);
            ++i;
            continue;
        }
        if (m_nuls > 0) {
            m_line.append(m_nuls, '\0');
            m_nuls = 0;
        }
        m_afterCr = false;
        qsizetype j = i;
        while (j < size && data[j] != '\0' && data[j] != '\r' && data[j] != '\n')
            ++j;
        m_line.append(data + i, j - i);
        i = j;
    }
}

void RecordLineReader::finish(QList<QByteArray> &lines)
{
    if (!m_started && m_bomMatched > 0 && m_bomMatched < 3)
        m_line.append("\xEF\xBB\xBF", m_bomMatched);
    if (!m_line.isEmpty())
        endLine(lines);
    *this = RecordLineReader();
}

QList<QByteArray> readRecordLines(const QString &folder,
                                  const std::function<void(qint64, qint64)> &progress)
{
    const QStringList files = findRecordFiles(folder);
    qint64 inAll = 0;
    for (const QString &path : files)
        inAll += QFileInfo(path).size();
    qint64 done = 0;
    QList<QByteArray> lines;
    QByteArray piece(ReadPieceBytes, Qt::Uninitialized);
    for (const QString &path : files) {
        QFile file(path);
        const auto fail = [&] {
            throw VelmoraError(texts::passages::RecordFileUnreadable.arg(
                QDir::toNativeSeparators(path), filewrite::reason(errno)));
        };
        errno = 0;
        if (!file.open(QIODevice::ReadOnly))
            fail();
        RecordLineReader reader;
        for (;;) {
            errno = 0;
            const qint64 n = file.read(piece.data(), piece.size());
            if (n < 0)
                fail();
            if (n == 0)
                break;
            reader.feed(piece.constData(), n, lines);
            done += n;
            if (progress)
                progress(done, qMax(inAll, done));
        }
        reader.finish(lines);
    }
    return lines;
}

QByteArray joinLines(const QList<QByteArray> &lines)
{
    qsizetype size = 0;
    for (const QByteArray &line : lines)
        size += line.size() + 2;
    QByteArray out;
    out.reserve(size);
    for (const QByteArray &line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace records
