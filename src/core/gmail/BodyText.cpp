#include "BodyText.h"

#include <QStringDecoder>

#include <optional>

namespace vesk {

namespace {

// Stateless, so that a sequence cut short at the end of the part counts as an
// error (and is replaced) instead of waiting silently for bytes that never come.
constexpr auto s_flags = QStringConverter::Flag::Stateless;

QStringDecoder decoderFor(const QByteArray& charset)
{
    if (charset.isEmpty())
        return {};
    return QStringDecoder(charset.constData(), s_flags);
}

std::optional<QString> decodeStrictly(const QByteArray& bytes, QStringDecoder decoder)
{
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

/// What undeclared 8-bit mail most often is; Latin-1 when Qt was built
/// without the codecs that know Windows-1252.
QStringDecoder lastResortDecoder()
{
    QStringDecoder windows1252("windows-1252", s_flags);
    if (windows1252.isValid())
        return windows1252;
    return QStringDecoder(QStringConverter::Latin1, s_flags);
}

} // namespace

QString decodeBodyText(const QByteArray& bytes, const QByteArray& declaredCharset)
{
    const bool known = decoderFor(declaredCharset).isValid();
    if (known) {
        if (std::optional<QString> text = decodeStrictly(bytes, decoderFor(declaredCharset)))
            return *std::move(text);
    }
    if (std::optional<QString> text =
            decodeStrictly(bytes, QStringDecoder(QStringConverter::Utf8, s_flags)))
        return *std::move(text);
    QStringDecoder lenient = known ? decoderFor(declaredCharset) : lastResortDecoder();
    return lenient.decode(bytes);
}

} // namespace vesk
