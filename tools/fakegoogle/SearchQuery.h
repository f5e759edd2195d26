#pragma once

#include <QList>
#include <QString>

namespace vesk::fakegoogle {

class Mailbox;
struct StoredMessage;

// The part of Gmail's search syntax the stand-in understands: free words
// (whole words of subject, sender and body text), "quoted phrases", from:,
// to: (also cc), subject:, is:unread/read/starred/important, label:, in:,
// has:attachment, and "-" before a term to negate it. Terms combine with AND.
// Matching ignores case and accents, as Gmail's does.
class SearchQuery final
{
public:
    static SearchQuery parse(const QString& query);

    bool matches(const StoredMessage& message, const Mailbox& mailbox) const;
    // Gmail leaves spam and trash out of results unless the query asks there.
    bool reachesSpamOrTrash() const;

private:
    struct Term
    {
        QString key; // empty for a free word or phrase
        QString value;
        bool negated = false;
    };

    bool matchesTerm(const Term& term, const StoredMessage& message, const Mailbox& mailbox) const;

    QList<Term> m_terms;
};

} // namespace vesk::fakegoogle
