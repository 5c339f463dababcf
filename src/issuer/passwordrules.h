#pragma once
// The rules of the issuer password change: the pass code that unlocks it, which keys each
// password field takes, when the change may be sent, and what a status reply means for it.
#include <QString>

namespace issuer {

// The special-function pass code, compared with the trimmed entry.
bool isPassCode(const QString &entry);

// The old password may hold the letter F (either case) besides digits; the new one digits only.
enum class PasswordField { Old, New };

// Whether a key pressed in a password field is dropped. Backspace and Enter always get through,
// and keys that type nothing (arrows, Delete, Home ...) are not the filter's business.
bool dropsPasswordKey(PasswordField field, int key);

// Whether a whole text (typed, pasted, from an input method) may stand in the field.
bool passwordTextAllowed(PasswordField field, const QString &text);

// The new password and its confirmation agree (upper-case, trimmed).
bool passwordsAgree(const QString &newPassword, const QString &confirmation);

// The change may be sent: both new entries agree and all three have six characters.
bool passwordChangeReady(const QString &oldPassword, const QString &newPassword,
                         const QString &confirmation);

enum class PasswordAnswer { None, Accepted, Rejected };

// What a status reply says about a password change (codes as the receive handler keeps them).
PasswordAnswer passwordAnswer(const QString &replyCode4, const QString &replyCode2);

} // namespace issuer
