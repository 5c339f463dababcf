#include "common/passwordhash.h"

#include "common/errors.h"

#include <sodium.h>

namespace passwordhash {

namespace {

unsigned long long opsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
size_t memLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

void ready()
{
    static const bool initialised = sodium_init() >= 0;
    if (!initialised)
        throw VelmoraError(QStringLiteral("libsodium could not be initialised"));
}

} // namespace

QString hash(const QString &password)
{
    ready();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), utf8.size(), opsLimit, memLimit) != 0)
        throw VelmoraError(QStringLiteral("内存不足，无法保存密码。"));
    return QString::fromLatin1(out);
}

bool isHash(const QString &stored)
{
    return stored.startsWith(QLatin1String("$argon2"));
}

bool matches(const QString &stored, const QString &typed)
{
    if (!isHash(stored))
        return stored == typed;
    ready();
    const QByteArray s = stored.toLatin1();
    const QByteArray utf8 = typed.toUtf8();
    return crypto_pwhash_str_verify(s.constData(), utf8.constData(), utf8.size()) == 0;
}

void useFastHashingForTests()
{
    opsLimit = crypto_pwhash_OPSLIMIT_MIN;
    memLimit = crypto_pwhash_MEMLIMIT_MIN;
}

} // namespace passwordhash
