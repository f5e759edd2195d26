#pragma once

#include "MessageSink.h"

#include <QByteArray>

namespace vesk {

/// A message sink that writes the unpadded base64url of everything appended
/// straight into its result, whose final size is known up front, so the
/// result is allocated once and never copied.
class Base64UrlSink final : public MessageSink
{
public:
    /// `messageSize` is the exact number of bytes that will be appended.
    explicit Base64UrlSink(qsizetype messageSize);

    void append(QByteArrayView bytes) override;
    /// The encoded message; call once, after the last append.
    QByteArray take();

private:
    QByteArray m_out;
    char* m_cursor = nullptr;
    // The bytes of an incomplete group of three, carried to the next append.
    char m_carry[3] = {};
    qsizetype m_carried = 0;
};

} // namespace vesk
