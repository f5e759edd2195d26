#include "DescribedError.h"

namespace vesk {

DescribedError::DescribedError(QString description)
    : m_description(std::move(description))
    , m_utf8(m_description.toUtf8())
{}

QString describeError(const std::exception& error)
{
    if (const auto* described = dynamic_cast<const DescribedError*>(&error))
        return described->description();
    return QString::fromLocal8Bit(error.what());
}

} // namespace vesk
