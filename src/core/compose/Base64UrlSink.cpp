#include "Base64UrlSink.h"

#include "Base64Encoding.h"

namespace vesk {

using Base64Encoding::Alphabet;

Base64UrlSink::Base64UrlSink(qsizetype messageSize)
    : m_out(Base64Encoding::encodedSize(messageSize, false), Qt::Uninitialized)
    , m_cursor(m_out.data())
{}

void Base64UrlSink::append(QByteArrayView bytes)
{
    const char* in = bytes.data();
    qsizetype size = bytes.size();
    while (m_carried > 0 && m_carried < 3 && size > 0) {
        m_carry[m_carried++] = *in++;
        --size;
    }
    if (m_carried == 3) {
        m_cursor = Base64Encoding::encode(m_carry, 3, m_cursor, Alphabet::Url, false);
        m_carried = 0;
    }
    const qsizetype whole = size / 3 * 3;
    m_cursor = Base64Encoding::encode(in, whole, m_cursor, Alphabet::Url, false);
    for (qsizetype at = whole; at < size; ++at)
        m_carry[m_carried++] = in[at];
}

QByteArray Base64UrlSink::take()
{
    m_cursor = Base64Encoding::encode(m_carry, m_carried, m_cursor, Alphabet::Url, false);
    m_carried = 0;
    // Shrinking keeps the buffer: nothing is copied.
    m_out.resize(m_cursor - m_out.constData());
    return std::move(m_out);
}

} // namespace vesk
