#include "OutgoingAddress.h"

#include "HeaderText.h"

#include <QCoreApplication>
#include <QUrl>

#include <algorithm>

namespace vesk {

namespace {

// RFC 5321's longest forward path, less its angle brackets.
constexpr qsizetype addressLimit = 254;

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F || c.category() == QChar::Other_Control;
}

bool isLocalPartCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           QStringView(u".!#$%&'*+-/=?^_`{|}~").contains(c);
}

bool isDomainLabel(QStringView label)
{
    return !label.isEmpty() && std::all_of(label.begin(), label.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
               u == u'-';
    });
}

// The bare address as it goes out, or nothing when the text is not one.
std::optional<QString> addrSpec(const QString& text)
{
    const qsizetype at = text.indexOf(u'@');
    if (at <= 0 || at == text.size() - 1 || text.indexOf(u'@', at + 1) >= 0)
        return std::nullopt;
    const QStringView local = QStringView(text).left(at);
    if (!std::all_of(local.begin(), local.end(), isLocalPartCharacter))
        return std::nullopt;
    QString domain = text.mid(at + 1);
    const bool ascii =
        std::all_of(domain.begin(), domain.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii)
        domain = QString::fromLatin1(QUrl::toAce(domain));
    const QList<QStringView> labels = QStringView(domain).split(u'.');
    if (domain.isEmpty() || !std::all_of(labels.begin(), labels.end(), isDomainLabel))
        return std::nullopt;
    const QString address = local.toString() + u'@' + domain;
    if (address.size() > addressLimit)
        return std::nullopt;
    return address;
}

// Where the angle bracket that opens the address is: the last "<" outside
// a quoted string. -1 when there is none, -2 when a quote is left open or
// the display name holds an angle bracket of its own.
qsizetype angleAddressStart(QStringView text)
{
    qsizetype open = -1;
    bool quoted = false;
    for (qsizetype at = 0; at + 1 < text.size(); ++at) {
        const QChar c = text[at];
        if (quoted && c == u'\\') {
            ++at;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && (c == u'<' || c == u'>')) {
            if (open >= 0 || c == u'>')
                return -2;
            open = at;
        }
    }
    return quoted ? -2 : open;
}

// A display name that is one quoted string is read without its quotes and
// escapes; any other name is taken as typed.
QString displayName(QStringView text)
{
    const QStringView name = text.trimmed();
    if (name.size() < 2 || !name.startsWith(u'"') || !name.endsWith(u'"'))
        return name.toString();
    QString unquoted;
    for (qsizetype at = 1; at + 1 < name.size(); ++at) {
        if (name[at] == u'\\' && at + 2 < name.size())
            ++at;
        else if (name[at] == u'"')
            return name.toString(); // several quoted strings: keep them all
        unquoted += name[at];
    }
    return unquoted;
}

} // namespace

std::optional<OutgoingAddress> OutgoingAddress::parse(const QString& entry)
{
    if (std::any_of(entry.begin(), entry.end(), isControl))
        return std::nullopt;
    const QString text = entry.trimmed();
    if (text.endsWith(u'>')) {
        const qsizetype open = angleAddressStart(text);
        if (open < 0)
            return std::nullopt;
        const auto address = addrSpec(text.mid(open + 1, text.size() - open - 2));
        if (!address)
            return std::nullopt;
        return OutgoingAddress{displayName(QStringView(text).left(open)), *address};
    }
    // The old form with the name as a comment after the address.
    const qsizetype comment = text.indexOf(u'(');
    if (comment > 0 && text.endsWith(u')')) {
        const auto address = addrSpec(text.left(comment).trimmed());
        if (!address)
            return std::nullopt;
        return OutgoingAddress{text.mid(comment + 1, text.size() - comment - 2).trimmed(),
                               *address};
    }
    const auto address = addrSpec(text);
    if (!address)
        return std::nullopt;
    return OutgoingAddress{QString(), *address};
}

QString OutgoingAddress::problem(const QString& entry)
{
    if (parse(entry))
        return {};
    const char* reason = QT_TRANSLATE_NOOP("OutgoingAddress", "Não é um endereço de correio.");
    // The address is what sits between angle brackets, when there are any.
    const QString text = entry.trimmed();
    const qsizetype open = text.lastIndexOf(u'<');
    const QString address =
        open >= 0 && text.endsWith(u'>') ? text.mid(open + 1, text.size() - open - 2) : text;
    const qsizetype at = address.indexOf(u'@');
    if (std::any_of(entry.begin(), entry.end(), isControl))
        reason = QT_TRANSLATE_NOOP("OutgoingAddress", "Tem caracteres invisíveis.");
    else if (at < 0)
        reason = QT_TRANSLATE_NOOP("OutgoingAddress", "Falta o @ e o domínio.");
    else if (address.indexOf(u'@', at + 1) >= 0)
        reason = QT_TRANSLATE_NOOP("OutgoingAddress", "Tem mais de um @.");
    else if (at == 0)
        reason = QT_TRANSLATE_NOOP("OutgoingAddress", "Falta o nome antes do @.");
    else if (at == address.size() - 1)
        reason = QT_TRANSLATE_NOOP("OutgoingAddress", "Falta o domínio depois do @.");
    else if (address.contains(u' '))
        reason = QT_TRANSLATE_NOOP("OutgoingAddress", "Um endereço não tem espaços.");
    return QCoreApplication::translate("OutgoingAddress", reason);
}

QByteArrayList OutgoingAddress::headerWords(const QString& entry)
{
    const std::optional<OutgoingAddress> mailbox = parse(entry);
    if (!mailbox)
        return HeaderText::phraseWords(entry);
    const QByteArray address = mailbox->address.toLatin1();
    if (mailbox->name.isEmpty())
        return {address};
    QByteArrayList words = HeaderText::phraseWords(mailbox->name);
    words.append('<' + address + '>');
    return words;
}

} // namespace vesk
