#include "DescribedError.h"

#include <QTextBoundaryFinder>

namespace vesk {

DescribedError::DescribedError(QString description, QString details)
    : m_description(std::move(description))
    , m_details(details.isEmpty() ? m_description : std::move(details))
    , m_utf8(m_description.toUtf8())
{}

QString firstCharacters(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int i = 0; i < count; ++i) {
        end = finder.toNextBoundary();
        if (end < 0)
            return text;
    }
    return text.left(end);
}

QString describeError(const std::exception& error)
{
    if (const auto* described = dynamic_cast<const DescribedError*>(&error))
        return described->description();
    return QString::fromLocal8Bit(error.what());
}

QString errorDetails(const std::exception& error)
{
    if (const auto* described = dynamic_cast<const DescribedError*>(&error))
        return described->details();
    return QString::fromLocal8Bit(error.what());
}

} // namespace vesk
