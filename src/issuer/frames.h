#pragma once
// Command frames of the card issuer. Each is composed as hex text from its template and turned
// into bytes with HexTextToBytes, so blanks and stray characters in the variable parts are
// skipped exactly as the issuer link always did.
#include <QByteArray>
#include <QDate>
#include <QString>

// What is being sent, as the sending rules tell senders apart. LinkCheck is ReadModeFrame sent to
// check the link (the search's confirm step and the manual test): only those are counted as
// frames sent, while the card tab's ReadModeFrame only returns the issuer to reading.
enum class IssuerFrame { ReadMode, LinkCheck, PasswordChange, Issue, Loss, Unloss, ValidityInit };

// 09 08 07 06 E0, the password as packed digits, 00 00 00 0D.
QByteArray ReadModeFrame(const QString &password);
// 09 08 07 06 E1, old and new password as packed digits, 0D.
QByteArray PasswordChangeFrame(const QString &oldPassword, const QString &newPassword);
// 09 08 07 06 B9 FF FF FF, the date as packed decimal yymmdd, 31, the mask as two ASCII hex
// digits, 0D.
QByteArray IssueFrame(const QDate &validity, int groupMask);
// 09 08 07 06 B9 FF FF FF, characters 3..8 of the trimmed card code, 30 00 00 0D.
QByteArray LossFrame(const QString &cardCode);
// 09 08 07 06 B9 FF FF FF FF, characters 5..8 of the trimmed card code, 30 00 00 0D.
QByteArray UnlossFrame(const QString &cardCode);
// 09 08 07 06 B9 FF FF FF FF FF FF 31 00 00 0D.
QByteArray ValidityInitFrame();

// Whether the frame's sender discards the port buffers right before writing it. ReadModeFrame
// is flushed only by "结束发行", which does so at the start of its own handler.
bool flushesBeforeSending(IssuerFrame frame);

// Whether sending it adds one to the frame counter edt6, which drives the issuer search.
bool countsAsSent(IssuerFrame frame);
