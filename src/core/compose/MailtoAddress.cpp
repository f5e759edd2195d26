#include "MailtoAddress.h"

#include "MIMEBuilder.h"
#include "OutgoingAddress.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <utility>

namespace vesk {

namespace {

using Problem = MailtoAddress::Problem;

const QString scheme = QStringLiteral("mailto:");

/// Characters that end a line or act on the terminal rather than draw:
/// C0, DEL, C1 and Unicode's own line and paragraph separators.
bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

/// Cuts `text` to `length` without splitting a surrogate pair.
void cut(QString& text, qsizetype length)
{
    if (text.size() <= length)
        return;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    text.truncate(length);
}

/// Every control character becomes a space (a CR LF pair one space): the
/// field stays one line, its words apart.
QString oneLine(QStringView text, bool& hadControls)
{
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\t') {
            line.append(u' ');
        } else if (isControl(c)) {
            hadControls = true;
            if (!(c == u'\n' && i > 0 && text.at(i - 1) == u'\r'))
                line.append(u' ');
        } else {
            line.append(c);
        }
    }
    return line;
}

/// Line breaks of any kind become "\n"; tabs stay; other controls go.
QString bodyText(QStringView text, bool& hadControls)
{
    QString body;
    body.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            body.append(u'\n');
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n' || c == u'\t' || !isControl(c)) {
            body.append(c);
        } else {
            hadControls = true;
        }
    }
    return body;
}

/// One field's pieces as read and what went wrong reading them.
class Reader
{
public:
    explicit Reader(MailtoAddress& result)
        : m_result(result)
    {}

    void note(Problem problem, QStringView piece)
    {
        bool ignored = false;
        QString line = oneLine(piece, ignored).trimmed();
        cut(line, MailtoAddress::maxPieceLength);
        const MailtoAddress::LeftOut left{problem, line};
        if (m_result.leftOut.size() < MailtoAddress::maxLeftOut && !m_result.leftOut.contains(left))
            m_result.leftOut.append(left);
    }

    /// The percent escapes of `raw` undone, the bytes read as UTF-8.
    QString decode(QStringView raw, QStringView field)
    {
        QByteArray bytes;
        bytes.reserve(raw.size());
        qsizetype plainFrom = 0;
        const auto flushPlain = [&](qsizetype end) {
            bytes.append(raw.mid(plainFrom, end - plainFrom).toUtf8());
        };
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw.at(i) != u'%')
                continue;
            const int high = i + 2 < raw.size() ? hexValue(raw.at(i + 1)) : -1;
            const int low = high >= 0 ? hexValue(raw.at(i + 2)) : -1;
            if (low < 0) {
                note(Problem::BadEscape, field);
                continue;
            }
            flushPlain(i);
            bytes.append(char(high * 16 + low));
            i += 2;
            plainFrom = i + 1;
        }
        flushPlain(raw.size());
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8(bytes);
        if (utf8.hasError())
            note(Problem::BadEncoding, field);
        return text;
    }

    QString line(QStringView raw, QStringView field)
    {
        bool hadControls = false;
        QString text = oneLine(decode(raw, field), hadControls);
        if (hadControls)
            note(Problem::ControlCharacters, field);
        return text;
    }

    void addRecipients(QStringList& list, QStringView raw, QStringView field)
    {
        for (const QString& entry : MIMEBuilder::splitAddresses(line(raw, field))) {
            if (!OutgoingAddress::parse(entry)) {
                note(Problem::BadAddress, entry);
            } else if (recipients() >= MailtoAddress::maxRecipients) {
                note(Problem::TooLong, field);
                return;
            } else if (!list.contains(entry, Qt::CaseInsensitive)) {
                list.append(entry);
            }
        }
    }

    void setSubject(QStringView raw)
    {
        if (m_subjectSeen) {
            note(Problem::IgnoredField, u"subject");
            return;
        }
        m_subjectSeen = true;
        QString subject = line(raw, u"subject").trimmed();
        if (subject.size() > MailtoAddress::maxSubjectLength) {
            note(Problem::TooLong, u"subject");
            cut(subject, MailtoAddress::maxSubjectLength);
            subject = subject.trimmed();
        }
        m_result.subject = subject;
    }

    /// A second body goes on a line of its own after the first.
    void addBody(QStringView raw)
    {
        bool hadControls = false;
        const QString part = bodyText(decode(raw, u"body"), hadControls);
        if (hadControls)
            note(Problem::ControlCharacters, u"body");
        QString& body = m_result.body;
        if (m_bodySeen)
            body.append(u'\n');
        m_bodySeen = true;
        body.append(part);
        if (body.size() > MailtoAddress::maxBodyLength) {
            note(Problem::TooLong, u"body");
            cut(body, MailtoAddress::maxBodyLength);
        }
    }

    void field(QStringView name, QStringView raw)
    {
        if (name == u"to")
            addRecipients(m_result.to, raw, name);
        else if (name == u"cc")
            addRecipients(m_result.cc, raw, name);
        else if (name == u"bcc")
            addRecipients(m_result.bcc, raw, name);
        else if (name == u"subject")
            setSubject(raw);
        else if (name == u"body")
            addBody(raw);
        else if (!name.isEmpty())
            note(Problem::IgnoredField, name);
    }

private:
    qsizetype recipients() const
    {
        return m_result.to.size() + m_result.cc.size() + m_result.bcc.size();
    }

    MailtoAddress& m_result;
    bool m_subjectSeen = false;
    bool m_bodySeen = false;
};

} // namespace

MailtoAddress MailtoAddress::parse(const QString& text)
{
    MailtoAddress result;
    Reader reader(result);
    QStringView input = QStringView(text).trimmed();
    if (!input.startsWith(scheme, Qt::CaseInsensitive)) {
        const qsizetype colon = input.indexOf(u':');
        reader.note(Problem::NotMailto, colon > 0 ? input.left(colon + 1) : QStringView());
        return result;
    }
    if (input.size() > maxInputLength) {
        reader.note(Problem::TooLong, u"mailto");
        input.truncate(maxInputLength);
    }
    input = input.mid(scheme.size());
    const qsizetype question = input.indexOf(u'?');
    reader.field(u"to", input.left(question < 0 ? input.size() : question));
    if (question < 0)
        return result;
    for (const QStringView pair : input.mid(question + 1).split(u'&')) {
        const qsizetype equals = pair.indexOf(u'=');
        const QStringView rawName = equals < 0 ? pair : pair.left(equals);
        const QString name = reader.line(rawName, u"?").trimmed().toLower();
        if (equals < 0) {
            if (!name.isEmpty())
                reader.note(Problem::IgnoredField, name);
            continue;
        }
        reader.field(name, pair.mid(equals + 1));
    }
    return result;
}

bool MailtoAddress::isMailto() const
{
    return std::none_of(leftOut.cbegin(), leftOut.cend(),
                        [](const LeftOut& left) { return left.problem == Problem::NotMailto; });
}

namespace {

// Each says what happened to the piece named by %1.
constexpr std::array<std::pair<Problem, const char*>, 7> phrases{{
    {Problem::NotMailto, QT_TRANSLATE_NOOP("vesk::MailtoAddress", "não é um endereço mailto: %1")},
    {Problem::TooLong,
     QT_TRANSLATE_NOOP("vesk::MailtoAddress", "demasiado longo, foi cortado: %1")},
    {Problem::BadEscape,
     QT_TRANSLATE_NOOP("vesk::MailtoAddress", "sinais «%» mal escritos, ficaram como estão: %1")},
    {Problem::BadEncoding,
     QT_TRANSLATE_NOOP("vesk::MailtoAddress", "texto em codificação desconhecida: %1")},
    {Problem::ControlCharacters,
     QT_TRANSLATE_NOOP("vesk::MailtoAddress", "quebras de linha ou caracteres de controlo "
                                              "retirados: %1")},
    {Problem::BadAddress, QT_TRANSLATE_NOOP("vesk::MailtoAddress", "endereço inválido: %1")},
    {Problem::IgnoredField, QT_TRANSLATE_NOOP("vesk::MailtoAddress", "campo ignorado: %1")},
}};

QString phrase(const MailtoAddress::LeftOut& left)
{
    const auto found = std::find_if(phrases.cbegin(), phrases.cend(), [&left](const auto& entry) {
        return entry.first == left.problem;
    });
    return QCoreApplication::translate("vesk::MailtoAddress", found->second).arg(left.piece);
}

} // namespace

QString MailtoAddress::leftOutText() const
{
    if (leftOut.isEmpty())
        return {};
    QStringList phrasesSaid;
    for (const LeftOut& left : leftOut)
        phrasesSaid.append(phrase(left));
    return QCoreApplication::translate("vesk::MailtoAddress",
                                       "Do endereço mailto ficou de fora: %1.")
        .arg(phrasesSaid.join(QStringLiteral("; ")));
}

} // namespace vesk
