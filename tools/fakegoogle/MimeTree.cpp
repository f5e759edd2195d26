#include "MimeTree.h"

#include "Base64Url.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>
#include <gmime/gmime.h>
#include <memory>
#include <mutex>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

namespace {

struct GObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

void ensureGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// A message's own header list and its top part's list (Content-Type and
// friends) are separate in GMime; Gmail shows them as one block in message
// order, which the parser's offsets restore.
QJsonArray headerArray(QList<GMimeHeaderList*> lists,
                       QList<QPair<QString, QString>>* keep = nullptr)
{
    QList<QPair<gint64, GMimeHeader*>> all;
    for (GMimeHeaderList* list : lists) {
        const int count = list ? g_mime_header_list_get_count(list) : 0;
        for (int i = 0; i < count; ++i) {
            GMimeHeader* header = g_mime_header_list_get_header_at(list, i);
            const gint64 offset = g_mime_header_get_offset(header);
            const bool seen = std::any_of(all.begin(), all.end(), [&](const auto& entry) {
                return entry.second == header || (offset >= 0 && entry.first == offset);
            });
            if (!seen)
                all.append({offset, header});
        }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QJsonArray array;
    for (const auto& [offset, header] : all) {
        const QString name = fromUtf8(g_mime_header_get_name(header));
        const QString value = fromUtf8(g_mime_header_get_value(header)).trimmed();
        array.append(QJsonObject{{u"name"_s, name}, {u"value"_s, value}});
        if (keep)
            keep->append({name, value});
    }
    return array;
}

QString mimeTypeOf(GMimeObject* object)
{
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (!type)
        return u"text/plain"_s;
    char* text = g_mime_content_type_get_mime_type(type);
    QString result = fromUtf8(text).toLower();
    g_free(text);
    return result;
}

QByteArray partContent(GMimePart* part)
{
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return {};
    GPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(wrapper, stream.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

QByteArray objectBytes(GMimeObject* object)
{
    GPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, stream.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

QString childId(const QString& parent, int index)
{
    return parent.isEmpty() ? QString::number(index) : parent + u'.' + QString::number(index);
}

bool isAttachmentDisposition(GMimeObject* object)
{
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    return disposition && g_mime_content_disposition_is_attachment(disposition);
}

QString htmlToText(QString html)
{
    static const QRegularExpression hidden(u"<(style|script|head)[^>]*>.*?</\\1\\s*>"_s,
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tags(u"<[^>]*>"_s);
    static const QRegularExpression numeric(u"&#(x?)([0-9a-fA-F]+);"_s);
    html.remove(hidden);
    html.replace(tags, u" "_s);
    QString out;
    qsizetype last = 0;
    for (auto it = numeric.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        out += QStringView(html).mid(last, match.capturedStart() - last);
        const uint code = match.captured(2).toUInt(nullptr, match.captured(1).isEmpty() ? 10 : 16);
        out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        last = match.capturedEnd();
    }
    out += QStringView(html).mid(last);
    out.replace(u"&nbsp;"_s, u" "_s).replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s);
    out.replace(u"&quot;"_s, u"\""_s).replace(u"&#39;"_s, u"'"_s).replace(u"&amp;"_s, u"&"_s);
    return out;
}

// Gmail's snippet: about 200 characters of the body as plain text on one
// line, with the characters that are special in HTML written as entities.
QString snippetOf(const QString& text)
{
    QString line = text.simplified();
    if (line.size() > 200) {
        line.truncate(200);
        const qsizetype space = line.lastIndexOf(u' ');
        if (space > 150)
            line.truncate(space);
    }
    line.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'>', u"&gt;"_s);
    return line.replace(u'"', u"&quot;"_s).replace(u'\'', u"&#39;"_s);
}

class Walker
{
public:
    MimeTree& tree;
    QString plainText;
    QString htmlText;

    // `outer` is the header list of the message that `object` is the body of.
    QJsonObject walk(GMimeObject* object, const QString& partId, GMimeHeaderList* outer = nullptr,
                     QList<QPair<QString, QString>>* keep = nullptr)
    {
        QJsonObject part{{u"partId"_s, partId}, {u"mimeType"_s, mimeTypeOf(object)}};
        part[u"headers"_s] = headerArray({outer, g_mime_object_get_header_list(object)}, keep);
        if (GMIME_IS_MULTIPART(object))
            return multipart(part, GMIME_MULTIPART(object), partId);
        if (GMIME_IS_MESSAGE_PART(object))
            return messagePart(part, object, partId);
        if (GMIME_IS_PART(object))
            return leaf(part, GMIME_PART(object), partId);
        part[u"filename"_s] = QString();
        part[u"body"_s] = QJsonObject{{u"size"_s, 0}};
        return part;
    }

private:
    QJsonObject multipart(QJsonObject part, GMimeMultipart* multipart, const QString& partId)
    {
        part[u"filename"_s] = QString();
        part[u"body"_s] = QJsonObject{{u"size"_s, 0}};
        QJsonArray children;
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
            GMimeObject* child = g_mime_multipart_get_part(multipart, i);
            children.append(walk(child, childId(partId, i)));
        }
        part[u"parts"_s] = children;
        return part;
    }

    QJsonObject messagePart(QJsonObject part, GMimeObject* object, const QString& partId)
    {
        const QString filename =
            fromUtf8(g_mime_object_get_content_disposition_parameter(object, "filename"));
        part[u"filename"_s] = filename;
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (!inner) {
            part[u"body"_s] = QJsonObject{{u"size"_s, 0}};
            return part;
        }
        const QByteArray bytes = objectBytes(GMIME_OBJECT(inner));
        QJsonObject body{{u"size"_s, bytes.size()}};
        if (!filename.isEmpty()) {
            body[u"attachmentPart"_s] = partId;
            tree.attachmentBodies.insert(partId, bytes);
            tree.hasAttachment = true;
        }
        part[u"body"_s] = body;
        GMimeObject* root = g_mime_message_get_mime_part(inner);
        if (root) {
            const QString innerId = childId(partId, 0);
            part[u"parts"_s] =
                QJsonArray{walk(root, innerId, g_mime_object_get_header_list(GMIME_OBJECT(inner)))};
        }
        return part;
    }

    QJsonObject leaf(QJsonObject part, GMimePart* mimePart, const QString& partId)
    {
        GMimeObject* object = GMIME_OBJECT(mimePart);
        const QString filename = fromUtf8(g_mime_part_get_filename(mimePart));
        const QString mimeType = part[u"mimeType"_s].toString();
        const QByteArray content = partContent(mimePart);
        const bool isText = mimeType.startsWith(u"text/"_s);
        const bool attachment = !filename.isEmpty() || isAttachmentDisposition(object) || !isText;
        part[u"filename"_s] = filename;
        QJsonObject body{{u"size"_s, content.size()}};
        if (attachment) {
            body[u"attachmentPart"_s] = partId;
            tree.attachmentBodies.insert(partId, content);
            tree.hasAttachment = tree.hasAttachment || !filename.isEmpty();
        } else {
            body[u"data"_s] = QString::fromLatin1(base64url::encode(content));
            collectText(mimePart, mimeType);
        }
        part[u"body"_s] = body;
        return part;
    }

    void collectText(GMimePart* part, const QString& mimeType)
    {
        if (!GMIME_IS_TEXT_PART(part))
            return;
        char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(part));
        const QString decoded = fromUtf8(text);
        g_free(text);
        if (mimeType == u"text/plain"_s && plainText.isEmpty())
            plainText = decoded;
        else if (mimeType == u"text/html"_s && htmlText.isEmpty())
            htmlText = htmlToText(decoded);
    }
};

} // namespace

QString MimeTree::header(const QString& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

MimeTree MimeTree::parse(const QByteArray& raw)
{
    ensureGMime();
    MimeTree tree;
    // Parser and walker both recurse once per nested container; a hostile
    // message nested thousands deep would run a server thread out of stack.
    // Such mail is kept, but shown as one text part.
    const QByteArray lower = raw.toLower();
    const bool tooDeep = lower.count("multipart/") + lower.count("message/rfc822") > 256;
    GPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(raw.constData(), size_t(raw.size())));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GPtr<GMimeMessage> message(tooDeep ? nullptr
                                       : g_mime_parser_construct_message(parser.get(), nullptr));
    GMimeObject* root = message ? g_mime_message_get_mime_part(message.get()) : nullptr;
    Walker walker{tree, {}, {}};
    if (root) {
        GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message.get()));
        tree.payload = walker.walk(root, QString(), headers, &tree.headers);
    } else {
        // No usable structure: like Gmail, still show the mail as one text part.
        tree.payload = QJsonObject{
            {u"partId"_s, QString()},
            {u"mimeType"_s, u"text/plain"_s},
            {u"filename"_s, QString()},
            {u"headers"_s, QJsonArray()},
            {u"body"_s, QJsonObject{{u"size"_s, raw.size()},
                                    {u"data"_s, QString::fromLatin1(base64url::encode(raw))}}}};
        walker.plainText = QString::fromUtf8(raw);
    }
    tree.searchText = walker.plainText.isEmpty() ? walker.htmlText : walker.plainText;
    tree.snippet = snippetOf(tree.searchText);
    return tree;
}

} // namespace vesk::fakegoogle
