#pragma once
// GBK text: every byte position and byte length the program deals with is that of the GBK
// encoding (ASCII one byte, a Chinese character or full-width sign two). Nothing else in the
// program counts bytes of Chinese text.
#include <QByteArray>
#include <QString>

namespace gbk {

QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);

// Number of bytes of the text in GBK.
int byteLength(const QString &text);

// Bytes from..from+length-1 (1-based) of the text's GBK form, decoded again. Positions past the
// end give what there is; a length running past the end is cut.
QString mid(const QString &text, int from, int length);
// The first n bytes.
QString left(const QString &text, int n);
// The longest prefix of whole characters that fits into maxBytes bytes (entry limits).
QString limitBytes(const QString &text, int maxBytes);

// Text of a file that comes from outside: UTF-8 when it is valid UTF-8, else GBK.
QString decodeExternal(const QByteArray &bytes);

} // namespace gbk
