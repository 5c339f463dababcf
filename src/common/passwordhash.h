#pragma once
// Login passwords are stored as salted, deliberately slow hashes (Argon2id through libsodium), so
// that a copy of the database file does not give the passwords away. The issuer password is not
// one of them: the issuer needs it in clear.
#include <QString>

namespace passwordhash {

// The stored form of a password ("$argon2id$…", about a hundred characters). Throws
// VelmoraError when the machine has not the memory the hash needs.
QString hash(const QString &password);
// Whether typed is the password whose stored form is stored. A stored value that is no hash
// (an account from before passwords were hashed) is compared as it is.
bool matches(const QString &stored, const QString &typed);
// Whether a stored value is a hash already.
bool isHash(const QString &stored);

// Tests make many accounts: they may ask for the cheapest hash libsodium allows. The program
// never calls this.
void useFastHashingForTests();

} // namespace passwordhash
