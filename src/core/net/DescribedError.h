#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace vesk {

/// Base of the errors whose description is the text shown to the user.
/// Operations raise them through their tasks; the observable object that
/// started the operation stores description() for the interface to show.
class DescribedError : public std::exception
{
public:
    explicit DescribedError(QString description);

    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

/// The first `count` characters as the user sees them (grapheme clusters):
/// never cut inside an accented letter or an emoji. Error texts quote
/// Google's answers this way.
QString firstCharacters(const QString& text, int count);

/// The text to show for any error: a DescribedError's description, else the
/// platform's own text.
QString describeError(const std::exception& error);

/// A failure of the network itself (no connection, time-out, TLS, aborted),
/// carrying Qt's text for it unchanged.
class NetworkError final : public DescribedError
{
public:
    using DescribedError::DescribedError;
};

} // namespace vesk
