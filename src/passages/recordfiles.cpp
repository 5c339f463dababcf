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
#include <cstring>

namespace records {

namespace {

bool isTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QByteArrayView trimmedView(QByteArrayView bytes)
{
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to && isTrimmed(bytes[from]))
        ++from;
    while (to > from && isTrimmed(bytes[to - 1]))
        --to;
    return bytes.sliced(from, to - from);
}

// piece() on a view.
QByteArrayView pieceView(QByteArrayView part, int from, int length)
{
    if (from > part.size())
        return {};
    return part.sliced(from - 1, qMin<qsizetype>(length, part.size() - (from - 1)));
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

PassageRow RowReader::row(const QByteArray &line)
{
    const Utf8Row &r = m_reader.row(line);
    const auto t = [&r](int i) { return QString::fromUtf8(r.values[i]); };
    PassageRow row;
    row.cardCode = t(0);
    row.ownerName = t(1);
    row.plate = t(2);
    row.passageTime = t(3);
    row.direction = t(4);
    row.readerAddress = t(5);
    row.column8 = t(6);
    row.column9 = t(7);
    row.column10 = t(8);
    return row;
}

QByteArrayView Utf8RowReader::text(QByteArrayView bytes, QByteArray &storage)
{
    if (isAscii(bytes))
        return bytes; // reads the same in every code page
    storage = gbk::decode(bytes.toByteArray()).toUtf8();
    return storage;
}

void Utf8RowReader::appendText(QByteArray &out, QByteArrayView bytes)
{
    if (isAscii(bytes))
        out.append(bytes);
    else
        out.append(gbk::decode(bytes.toByteArray()).toUtf8());
}

QByteArrayView Utf8RowReader::fieldText(QByteArrayView bytes, int slot)
{
    if (isAscii(bytes))
        return bytes;
    auto it = m_texts.constFind(QByteArray::fromRawData(bytes.data(), bytes.size()));
    if (it == m_texts.constEnd()) {
        if (m_texts.size() >= 8192) // a bound for files without repetition
            m_texts.clear();
        it = m_texts.insert(bytes.toByteArray(), gbk::decode(bytes.toByteArray()).toUtf8());
    }
    // Held for the row: clearing the memory must not take a value still to be bound.
    m_held[slot] = *it;
    return m_held[slot];
}

const Utf8Row &Utf8RowReader::row(QByteArrayView line)
{
    // The split of splitRecordLine(), on views of the line.
    QByteArrayView fields[LeadingFieldSlots];
    int count = 0;
    QByteArrayView rest = line;
    for (;;) {
        const void *found = rest.isEmpty() ? nullptr : std::memchr(rest.data(), ' ', rest.size());
        if (!found)
            break;
        const qsizetype blank = static_cast<const char *>(found) - rest.data();
        if (count < LeadingFieldSlots)
            fields[count++] = rest.first(blank + 1);
        rest = blank + 2 <= rest.size() ? trimmedView(rest.sliced(blank + 2)) : QByteArrayView();
    }
    const QByteArrayView r = rest;
    const auto field = [&](int number, int slot) {
        return number > count ? QByteArrayView() : fieldText(fields[number - 1], slot);
    };
    m_time.truncate(0);
    appendText(m_time, pieceView(r, 15, 4));
    m_time.append("年");
    appendText(m_time, pieceView(r, 19, 2));
    m_time.append("月");
    appendText(m_time, pieceView(r, 21, 2));
    m_time.append("日");
    appendText(m_time, pieceView(r, 23, 2));
    m_time.append(":");
    appendText(m_time, pieceView(r, 25, 2));
    m_time.append("分");
    static const QByteArray in = QStringLiteral("进").toUtf8();
    static const QByteArray out = QStringLiteral("出").toUtf8();
    m_row.values[0] = text(pieceView(r, 6, 8), m_decoded[0]);
    m_row.values[1] = field(2, 0);
    m_row.values[2] = field(3, 1);
    m_row.values[3] = m_time;
    m_row.values[4] = r.size() >= 4 && r[3] == '1' ? in : out;
    m_row.values[5] = text(pieceView(r, 1, 2), m_decoded[5]);
    m_row.values[6] = field(7, 2);
    m_row.values[7] = field(8, 3);
    m_row.values[8] = text(r, m_decoded[8]);
    return m_row;
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

void RecordLineReader::endLine(const LineSink &sink)
{
    if (m_utf8)
        sink(gbk::encode(QString::fromUtf8(m_line)));
    else
        sink(m_line);
    m_line.truncate(0);
}

void RecordLineReader::feed(const char *data, qsizetype size, QList<QByteArray> &lines)
{
    feed(data, size, [&lines](QByteArrayView line) { lines << line.toByteArray(); });
}

void RecordLineReader::finish(QList<QByteArray> &lines)
{
    finish([&lines](QByteArrayView line) { lines << line.toByteArray(); });
}

void RecordLineReader::feed(const char *data, qsizetype size, const LineSink &sink)
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
                endLine(sink);
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
        if (j < size && data[j] != '\0' && m_line.isEmpty() && !m_utf8) {
            // A whole line inside the piece goes out as it lies there, without a copy.
            sink(QByteArrayView(data + i, j - i));
            m_afterCr = data[j] == '\r';
            i = j + 1;
            continue;
        }
        m_line.append(data + i, j - i);
        i = j;
    }
}

void RecordLineReader::finish(const LineSink &sink)
{
    if (!m_started && m_bomMatched > 0 && m_bomMatched < 3)
        m_line.append("\xEF\xBB\xBF", m_bomMatched);
    if (!m_line.isEmpty())
        endLine(sink);
    *this = RecordLineReader();
}

void forEachRecordLine(const QString &folder, const LineSink &sink,
                       const std::function<void(qint64, qint64)> &progress)
{
    const QStringList files = findRecordFiles(folder);
    qint64 inAll = 0;
    for (const QString &path : files)
        inAll += QFileInfo(path).size();
    qint64 done = 0;
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
            reader.feed(piece.constData(), n, sink);
            done += n;
            if (progress)
                progress(done, qMax(inAll, done));
        }
        reader.finish(sink);
    }
}

QList<QByteArray> readRecordLines(const QString &folder,
                                  const std::function<void(qint64, qint64)> &progress)
{
    QList<QByteArray> lines;
    forEachRecordLine(
        folder, [&lines](QByteArrayView line) { lines << line.toByteArray(); }, progress);
    return lines;
}

WorkingFileInfo writeWorkingFile(const QString &folder, const QString &path,
                                 const std::function<void(qint64, qint64)> &progress)
{
    filewrite::StagedFile staged(path);
    // A working file that cannot be written is told after the record files were read, so that
    // an unreadable record file is named first, as when the whole text was read before writing.
    int writeError = staged.error();
    QByteArray out;
    out.reserve(ReadPieceBytes + 4096);
    const auto flush = [&] {
        if (writeError == 0)
            writeError = staged.write(out.constData(), out.size());
        out.truncate(0);
    };
    WorkingFileInfo info;
    forEachRecordLine(
        folder,
        [&](QByteArrayView line) {
            ++info.lines;
            if (info.blank)
                for (const char c : line)
                    if (!isTrimmed(c)) {
                        info.blank = false;
                        break;
                    }
            if (writeError != 0)
                return;
            out.append(line);
            out.append("\r\n", 2);
            if (out.size() >= ReadPieceBytes)
                flush();
        },
        progress);
    flush();
    if (writeError == 0)
        writeError = staged.commit();
    if (writeError != 0)
        throw VelmoraError(texts::passages::WorkingFileUnwritable.arg(
            QDir::toNativeSeparators(path), filewrite::reason(writeError)));
    return info;
}

int WorkingFileReader::open(const QString &path)
{
    m_file.setFileName(path);
    errno = 0;
    if (!m_file.open(QIODevice::ReadOnly))
        m_error = errno ? errno : EIO;
    m_piece.resize(ReadPieceBytes);
    return m_error;
}

bool WorkingFileReader::next(QByteArrayView &line)
{
    if (m_carryGiven) {
        m_carry.truncate(0);
        m_carryGiven = false;
    }
    const auto give = [&](QByteArrayView l) {
        if (l.endsWith('\r'))
            l.chop(1);
        line = l;
        return true;
    };
    for (;;) {
        if (m_error != 0)
            return false;
        const char *start = m_piece.constData() + m_pos;
        const auto *end = static_cast<const char *>(std::memchr(start, '\n', m_end - m_pos));
        if (end) {
            m_pos = end - m_piece.constData() + 1;
            if (m_carry.isEmpty())
                return give(QByteArrayView(start, end - start));
            m_carry.append(start, end - start);
            m_carryGiven = true;
            return give(m_carry);
        }
        m_carry.append(start, m_end - m_pos);
        m_pos = m_end = 0;
        if (m_atEnd) {
            if (m_carry.isEmpty())
                return false;
            m_carryGiven = true;
            return give(m_carry);
        }
        errno = 0;
        const qint64 n = m_file.read(m_piece.data(), m_piece.size());
        if (n < 0)
            m_error = errno ? errno : EIO;
        else if (n == 0)
            m_atEnd = true;
        else
            m_end = n;
    }
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
