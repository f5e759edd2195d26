#include "DescribedError.h"

#include <QTextBoundaryFinder>

namespace vesk {

DescribedError::DescribedError(QString description)
    : m_description(std::move(description))
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

} // namespace vesk
