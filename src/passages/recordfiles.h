#pragma once
// Passage record files as the gate controllers leave them on the USB stick: the record folder
// TALVERK at the drive's root, every "*.txt" in it (and in subfolders whose own name matches
// "*.txt"), one passage per line. Everything here works on the files' GBK bytes as read, so the
// byte positions of a record line are those of the file.
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace records {

// Name of the record folder at the root of a drive (found without regard to case).
inline constexpr char RecordFolder[] = "TALVERK";

// Leading fields kept from a record line; further ones are dropped (the record part after them is
// still read).
inline constexpr int LeadingFieldSlots = 8;

// A record line split into its blank-separated leading fields (each with its trailing blank) and
// the record part that remains when no blank is left.
struct SplitLine
{
    QList<QByteArray> fields; // at most LeadingFieldSlots
    QByteArray recordPart;
};

// Splits one line: while it holds a blank, the text up to and including the first blank is the
// next field, that blank and the one byte after it are removed and the rest is trimmed (bytes up
// to 0x20 at both ends). The byte after each blank is lost on purpose: the controllers write a
// separator there.
SplitLine splitRecordLine(const QByteArray &line);

// The column values of the CRJL row one record line gives, in table order from 卡片内码 on.
struct PassageRow
{
    QString cardCode;      // 卡片内码: record part bytes 6-13
    QString ownerName;     // 车主姓名: field 2
    QString plate;         // 车牌号码: field 3
    QString passageTime;   // 进出时间: "yyyy年mm月dd日hh:mm分" from bytes 15-26
    QString direction;     // 进出状态: "进" when byte 4 is "1", otherwise "出"
    QString readerAddress; // 读卡地址: bytes 1-2
    QString column8;       // field 7
    QString column9;       // field 8
    QString column10;      // the record part itself
};
PassageRow passageRow(const QByteArray &line);

// The nine CRJL values of a record line as UTF-8, in table order from 卡片内码 on (the order of
// PassageRow), for binding straight to a statement.
struct Utf8Row
{
    QByteArrayView values[9];
};

// passageRow() for many lines, in UTF-8 and without a text object per value: the texts of the
// leading fields (owner names and plates repeat from passage to passage) are converted once and
// remembered; values of ASCII bytes point into the line itself.
class Utf8RowReader
{
public:
    // Valid until the next call and while `line` lives.
    const Utf8Row &row(QByteArrayView line);

private:
    QByteArrayView text(QByteArrayView bytes, QByteArray &storage);
    QByteArrayView fieldText(QByteArrayView bytes, int slot);
    void appendText(QByteArray &out, QByteArrayView bytes);
    Utf8Row m_row;
    QByteArray m_time;
    QByteArray m_decoded[9];
    QByteArray m_held[4]; // the remembered texts of this row's leading fields
    QHash<QByteArray, QByteArray> m_texts;
};

// passageRow() for many lines, with the same memory of repeated texts.
class RowReader
{
public:
    PassageRow row(const QByteArray &line);

private:
    Utf8RowReader m_reader;
};

// Lines of a file's text; a line ends with CR LF, LF or a lone CR, and a last line without an
// end still counts. Empty text has no lines.
QList<QByteArray> splitLines(const QByteArray &text);

// The text of a record file's raw bytes: NUL bytes that end a line or the file are dropped (a
// stick pulled while the controller wrote leaves a NUL-padded tail); a NUL inside a line stays,
// so the fixed positions after it hold. A file that starts with the UTF-8 byte-order
// mark was saved by an editor as UTF-8 and is converted to GBK.
QByteArray recordText(const QByteArray &raw);

// True for a name that matches "*.txt" without regard to case.
bool matchesRecordPattern(const QString &name);

// The record folder of a drive root (any case of TALVERK); empty when there is none.
QString recordFolder(const QString &driveRoot);

// The record files under a record folder, in reading order: in each folder first its matching
// files, then its matching subfolders searched the same way, each group sorted by name (without
// regard to case first, so the order is the same on every file system). A folder reached twice
// (a symbolic link loop) is searched once.
QStringList findRecordFiles(const QString &folder);

// The lines of one record file fed to it piece by piece, by the rules of recordText() and
// splitLines(): a piece may end anywhere, inside a line, a CR LF or a run of NULs. Memory is
// what the lines themselves take, whatever the file's size (a stick's NUL tail of gigabytes
// takes none).
// Where the lines go: each one once, valid during the call only.
using LineSink = std::function<void(QByteArrayView)>;

class RecordLineReader
{
public:
    // Appends the lines the piece completes to `lines`.
    void feed(const char *data, qsizetype size, QList<QByteArray> &lines);
    // The file ends: a last line without an end, its NUL tail dropped.
    void finish(QList<QByteArray> &lines);
    // The same, each line handed to `sink` as it is completed.
    void feed(const char *data, qsizetype size, const LineSink &sink);
    void finish(const LineSink &sink);

private:
    void endLine(const LineSink &sink);
    QByteArray m_line;
    qsizetype m_nuls = 0; // NULs seen and not yet known to end a line
    bool m_afterCr = false;
    bool m_started = false;
    int m_bomMatched = 0; // bytes of a UTF-8 byte-order mark seen at the start
    bool m_utf8 = false;
};

// Size of the pieces record files are read in.
inline constexpr qsizetype ReadPieceBytes = 1 << 20;

// Reads every record file under the folder, piece by piece, and returns its lines in order.
// `progress(bytesRead, bytesInAll)` follows each piece (the caller's windows may repaint there).
// Throws VelmoraError naming the file when one cannot be read.
QList<QByteArray> readRecordLines(const QString &folder,
                                  const std::function<void(qint64, qint64)> &progress = {});

// Reads every record file under the folder as readRecordLines() does and hands each line to
// `sink` as it is read, keeping none.
void forEachRecordLine(const QString &folder, const LineSink &sink,
                       const std::function<void(qint64, qint64)> &progress = {});

// What writing the working file found.
struct WorkingFileInfo
{
    qint64 lines = 0;
    bool blank = true; // nothing but bytes up to 0x20 in it (or nothing at all)
};

// Writes the combined record text of every record file under the folder (joinLines() of
// readRecordLines()) to `path` as the files are read, beside it and renamed into place at the
// end (common/filewrite.h), so that a failure leaves an existing file as it was. Throws
// VelmoraError naming the record file that cannot be read, or the working file that cannot be
// written, with the reason.
WorkingFileInfo writeWorkingFile(const QString &folder, const QString &path,
                                 const std::function<void(qint64, qint64)> &progress = {});

// The lines of a working file written by writeWorkingFile(), read back piece by piece.
class WorkingFileReader
{
public:
    // 0, or the errno of opening the file.
    int open(const QString &path);
    // The next line, valid until the next call; false at the end or on a failure (error()).
    bool next(QByteArrayView &line);
    int error() const { return m_error; }

private:
    QFile m_file;
    QByteArray m_piece;
    QByteArray m_carry;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    int m_error = 0;
    bool m_atEnd = false;
    bool m_carryGiven = false;
};

// The combined record text: every line followed by CR LF.
QByteArray joinLines(const QList<QByteArray> &lines);

// Bytes up to 0x20 removed at both ends.
QByteArray trimmed(const QByteArray &bytes);

} // namespace records
