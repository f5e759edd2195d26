#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace vesk {

/// Base of the errors whose description is the text shown to the user.
/// Operations raise them through their tasks; the observable object that
/// started the operation stores description() for the interface to show.
/// The details are what was received as it came (for example Google's
/// answer), for a tooltip and a log; the same as the description when there
/// is nothing more to tell.
class DescribedError : public std::exception
{
public:
    explicit DescribedError(QString description, QString details = QString());

    const QString& description() const { return m_description; }
    const QString& details() const { return m_details; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QString m_details;
    QByteArray m_utf8;
};

/// The first `count` characters as the user sees them (grapheme clusters):
/// never cut inside an accented letter or an emoji. Error texts quote
/// Google's answers this way.
QString firstCharacters(const QString& text, int count);

/// The text to show for any error: a DescribedError's description, else the
/// platform's own text.
QString describeError(const std::exception& error);
/// The details of any error: a DescribedError's details, else the platform's
/// own text.
QString errorDetails(const std::exception& error);

/// A failure of the network itself (no connection, time-out, TLS, aborted),
/// carrying Qt's text for it unchanged.
class NetworkError final : public DescribedError
{
public:
    using DescribedError::DescribedError;
};

} // namespace vesk
