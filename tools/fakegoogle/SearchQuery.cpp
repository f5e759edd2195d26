#include "SearchQuery.h"

#include "Mailbox.h"

#include <QRegularExpression>
#include <QStringList>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

namespace {

const QStringList s_keys{u"from"_s,  u"to"_s, u"subject"_s, u"is"_s,
                         u"label"_s, u"in"_s, u"has"_s,     u"cc"_s};

QString fold(const QString& text)
{
    QString out;
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toCaseFolded();
    }
    return out;
}

// Whole-word (or whole-phrase) match, which is how Gmail treats free text.
bool containsWords(const QString& haystack, const QString& needle)
{
    if (needle.isEmpty())
        return true;
    const QString pattern = u"(^|[^\\p{L}\\p{N}])"_s + QRegularExpression::escape(fold(needle)) +
                            u"($|[^\\p{L}\\p{N}])"_s;
    // Built from the needle, so there is no one expression to keep in a static.
    return QRegularExpression(pattern) // clazy:exclude=use-static-qregularexpression
        .match(fold(haystack))
        .hasMatch();
}

// Label names may be written with "-" for spaces and "/" in queries.
QString labelKey(const QString& name)
{
    QString key = fold(name);
    key.replace(u' ', u'-').replace(u'/', u'-');
    return key;
}

QStringList tokenize(const QString& query)
{
    QStringList tokens;
    QString current;
    bool quoted = false;
    for (QChar c : query) {
        if (c == u'"') {
            quoted = !quoted;
            current += c;
        } else if (c.isSpace() && !quoted) {
            if (!current.isEmpty())
                tokens.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        tokens.append(current);
    return tokens;
}

QString unquote(QString text)
{
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        return text.mid(1, text.size() - 2);
    return text.remove(u'"');
}

} // namespace

SearchQuery SearchQuery::parse(const QString& query)
{
    SearchQuery result;
    for (QString token : tokenize(query)) {
        Term term;
        if (token.size() > 1 && token.startsWith(u'-')) {
            term.negated = true;
            token.remove(0, 1);
        }
        const qsizetype colon = token.indexOf(u':');
        if (colon > 0 && !token.startsWith(u'"') && s_keys.contains(token.left(colon).toLower())) {
            term.key = token.left(colon).toLower();
            term.value = unquote(token.mid(colon + 1));
        } else {
            term.value = unquote(token);
        }
        if (!term.value.isEmpty())
            result.m_terms.append(term);
    }
    return result;
}

bool SearchQuery::matches(const StoredMessage& message, const Mailbox& mailbox) const
{
    for (const Term& term : m_terms) {
        if (matchesTerm(term, message, mailbox) == term.negated)
            return false;
    }
    return true;
}

bool SearchQuery::reachesSpamOrTrash() const
{
    for (const Term& term : m_terms) {
        const QString value = term.value.toLower();
        if (!term.negated && (term.key == u"in"_s || term.key == u"label"_s) &&
            (value == u"trash"_s || value == u"spam"_s || value == u"anywhere"_s))
            return true;
    }
    return false;
}

bool SearchQuery::matchesTerm(const Term& term, const StoredMessage& message,
                              const Mailbox& mailbox) const
{
    const MimeTree& mime = message.mime;
    const QString value = term.value.toLower();
    const auto hasLabel = [&](const QString& id) { return message.labelIds.contains(id); };
    if (term.key.isEmpty()) {
        return containsWords(mime.header(u"Subject"_s), term.value) ||
               containsWords(mime.header(u"From"_s), term.value) ||
               containsWords(mime.searchText, term.value);
    }
    if (term.key == u"from"_s)
        return fold(mime.header(u"From"_s)).contains(fold(term.value));
    if (term.key == u"to"_s) {
        const QString all =
            mime.header(u"To"_s) + u' ' + mime.header(u"Cc"_s) + u' ' + mime.header(u"Bcc"_s);
        return fold(all).contains(fold(term.value));
    }
    if (term.key == u"cc"_s)
        return fold(mime.header(u"Cc"_s)).contains(fold(term.value));
    if (term.key == u"subject"_s)
        return containsWords(mime.header(u"Subject"_s), term.value);
    if (term.key == u"has"_s)
        return value == u"attachment"_s && mime.hasAttachment;
    if (term.key == u"is"_s) {
        if (value == u"read"_s)
            return !hasLabel(u"UNREAD"_s);
        return hasLabel(value.toUpper());
    }
    if (term.key == u"in"_s && value == u"anywhere"_s)
        return true;
    if (term.key == u"in"_s && value == u"drafts"_s)
        return hasLabel(u"DRAFT"_s);
    // label: and in: name a label by its name; system labels by their id.
    if (hasLabel(term.value.toUpper()) && mailbox.label(term.value.toUpper()))
        return true;
    for (const QString& id : message.labelIds) {
        const StoredLabel* label = mailbox.label(id);
        if (label && labelKey(label->name) == labelKey(term.value))
            return true;
    }
    return false;
}

} // namespace vesk::fakegoogle
