#include "PKCE.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>

namespace vesk::PKCE {

namespace {

QByteArray secureRandomBytes(qsizetype count)
{
    // QRandomGenerator::system() reads the operating system's cryptographic
    // source (getrandom), never a seeded generator. Counts here are whole words.
    Q_ASSERT(count % qsizetype(sizeof(quint32)) == 0);
    QList<quint32> words(count / qsizetype(sizeof(quint32)));
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.constData()), count);
}

QString base64Url(const QByteArray& bytes)
{
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

QString verifier()
{
    return base64Url(secureRandomBytes(32));
}

QString challenge(const QString& verifier)
{
    return base64Url(QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256));
}

QString state()
{
    return QString::fromLatin1(secureRandomBytes(16).toHex());
}

} // namespace vesk::PKCE
