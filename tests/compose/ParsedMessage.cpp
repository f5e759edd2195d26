#include "ParsedMessage.h"

#include <QStringList>

#include <algorithm>
#include <gmime/gmime.h>
#include <memory>
#include <mutex>

using namespace Qt::StringLiterals;

namespace vesk::test {

namespace {

struct GObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

void collectWarning(gint64, GMimeParserWarning code, const gchar*, gpointer problems)
{
    // GMime's GMimeParserWarning number: 1 a duplicated header, 6 a malformed multipart...
    static_cast<QStringList*>(problems)->append(u"GMime warning %1"_s.arg(int(code)));
}

// GMime keeps a message's own headers and its top part's headers in two
// lists that may share entries; the parser's offsets restore message order.
QList<QPair<QString, QString>> headersInOrder(GMimeMessage* message)
{
    QList<QPair<gint64, GMimeHeader*>> all;
    GMimeObject* top = g_mime_message_get_mime_part(message);
    for (GMimeObject* object : {GMIME_OBJECT(message), top}) {
        GMimeHeaderList* list = object ? g_mime_object_get_header_list(object) : nullptr;
        for (int i = 0; list && i < g_mime_header_list_get_count(list); ++i) {
            GMimeHeader* header = g_mime_header_list_get_header_at(list, i);
            const gint64 offset = g_mime_header_get_offset(header);
            if (std::none_of(all.begin(), all.end(),
                             [&](const auto& seen) { return seen.first == offset; }))
                all.append({offset, header});
        }
    }
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<QPair<QString, QString>> headers;
    for (const auto& entry : all) {
        headers.append({fromUtf8(g_mime_header_get_name(entry.second)),
                        fromUtf8(g_mime_header_get_value(entry.second)).trimmed()});
    }
    return headers;
}

QByteArray decodedContent(GMimePart* part)
{
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return {};
    GPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(wrapper, stream.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

QStringList shownAddresses(InternetAddressList* list)
{
    QStringList shown;
    for (int i = 0; list && i < internet_address_list_length(list); ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        const QString name = fromUtf8(internet_address_get_name(address));
        if (!INTERNET_ADDRESS_IS_MAILBOX(address)) {
            shown.append(u"group: "_s + name);
            continue;
        }
        const QString addr =
            fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
        shown.append(name.isEmpty() ? addr : name + u" <"_s + addr + u'>');
    }
    return shown;
}

ParsedPart leafPart(GMimeObject* object)
{
    ParsedPart part;
    char* type = g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object));
    part.mediaType = fromUtf8(type);
    g_free(type);
    part.charset = fromUtf8(g_mime_object_get_content_type_parameter(object, "charset"));
    part.nameParameter = fromUtf8(g_mime_object_get_content_type_parameter(object, "name"));
    part.disposition = fromUtf8(g_mime_object_get_disposition(object));
    part.transferEncoding = fromUtf8(g_mime_object_get_header(object, "Content-Transfer-Encoding"));
    if (GMIME_IS_PART(object)) {
        part.filename = fromUtf8(g_mime_part_get_filename(GMIME_PART(object)));
        part.content = decodedContent(GMIME_PART(object));
    }
    return part;
}

} // namespace

QString ParsedMessage::header(const QString& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

ParsedMessage parseMessage(const QByteArray& bytes)
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });

    ParsedMessage parsed;
    std::unique_ptr<GMimeParserOptions, decltype(&g_mime_parser_options_free)> options(
        g_mime_parser_options_new(), &g_mime_parser_options_free);
    g_mime_parser_options_set_warning_callback(options.get(), collectWarning, &parsed.problems);
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.constData(), bytes.size()));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));
    if (!message)
        return parsed;
    parsed.parsed = true;
    parsed.headers = headersInOrder(message.get());
    parsed.subject = fromUtf8(g_mime_message_get_subject(message.get()));
    parsed.to = shownAddresses(g_mime_message_get_addresses(message.get(), GMIME_ADDRESS_TYPE_TO));
    GMimeObject* top = g_mime_message_get_mime_part(message.get());
    if (GMIME_IS_MULTIPART(top)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(top);
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i)
            parsed.parts.append(leafPart(g_mime_multipart_get_part(multipart, i)));
    } else if (top) {
        parsed.parts.append(leafPart(top));
    }
    return parsed;
}

} // namespace vesk::test
