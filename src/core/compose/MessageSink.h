#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace vesk {

/// Where the MIME builder writes a message: its bytes as they are, their
/// count, or their base64url form. Writing the message once through a sink
/// spares the copies of a large message that building it whole first and
/// encoding it afterwards would hold at once.
class MessageSink
{
public:
    virtual ~MessageSink() = default;

    virtual void append(QByteArrayView bytes) = 0;
    /// The folded standard base64 of `data` (see Base64Encoding), encoded a
    /// slice at a time so that no encoded copy of a whole attachment exists.
    virtual void appendFoldedBase64(QByteArrayView data);

protected:
    MessageSink() = default;
};

} // namespace vesk
