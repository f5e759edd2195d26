#include "DescribedError.h"

namespace vesk {

DescribedError::DescribedError(QString description)
    : m_description(std::move(description))
    , m_utf8(m_description.toUtf8())
{}

} // namespace vesk
