#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

namespace vesk {

class SpellChecker;
class SpellingService;
struct SpellLanguage;

/// One composer's spelling: the language it checks in (the remembered one
/// to start with) and that language's checker once it has loaded. Until
/// then every word passes. `verdictsChanged` says that words checked before
/// may now be judged otherwise: the dictionary arrived, the language changed
/// or a word was added. GUI thread only.
class ComposerSpelling final : public QObject
{
    Q_OBJECT

public:
    explicit ComposerSpelling(std::shared_ptr<SpellingService> service, QObject* parent = nullptr);
    ~ComposerSpelling() override;

    QString language() const { return m_language; }
    const QList<SpellLanguage>& languages() const;
    /// Also the language later composers start in.
    void setLanguage(const QString& code);

    bool isReady() const { return m_checker != nullptr; }
    bool isCorrect(QStringView word) const;
    QStringList suggestions(QStringView word) const;
    bool addWord(const QString& word);

Q_SIGNALS:
    void verdictsChanged();

private:
    void fetchChecker();

    std::shared_ptr<SpellingService> m_service;
    QString m_language;
    std::shared_ptr<SpellChecker> m_checker;
};

} // namespace vesk
