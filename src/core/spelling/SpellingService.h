#pragma once

#include "PersonalDictionary.h"
#include "SpellDictionaries.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <memory>

namespace vesk {

class SettingsStore;
class SpellChecker;

/// What every composer shares for spelling: the dictionaries found, the
/// user's own words and the language last chosen. A dictionary is loaded
/// once, on a worker, the first time a composer asks for it, and then kept.
/// GUI thread only.
class SpellingService final : public QObject
{
    Q_OBJECT

public:
    /// The own words live in `personalFolder`; the language is remembered
    /// in `settings`.
    SpellingService(SpellDictionaries dictionaries, const QString& personalFolder,
                    std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~SpellingService() override;

    const QList<SpellLanguage>& languages() const { return m_dictionaries.languages(); }
    /// The one last chosen while it is installed; else Portuguese of Portugal,
    /// any Portuguese, the first there is; empty without any dictionary.
    QString defaultLanguage() const;
    void rememberLanguage(const QString& code);

    /// The checker for `code` once loaded. Null while it loads (this starts
    /// it; `checkerReady` follows) and for a language with no usable dictionary.
    std::shared_ptr<SpellChecker> checker(const QString& code);

    const PersonalDictionary& personalWords() const { return m_personal; }
    /// Accepted in every language from now on, and after a restart. False
    /// when it is no word or could not be saved.
    bool addWord(const QString& word);

Q_SIGNALS:
    void checkerReady(const QString& code);
    void wordAdded(const QString& word);

private:
    void startLoading(const SpellLanguage& language);
    void finishLoading(const QString& code, std::shared_ptr<SpellChecker> checker,
                       qsizetype wordsGiven);

    SpellDictionaries m_dictionaries;
    PersonalDictionary m_personal;
    std::shared_ptr<SettingsStore> m_settings;
    /// A null entry: tried, and the dictionary is unusable.
    QHash<QString, std::shared_ptr<SpellChecker>> m_checkers;
    QSet<QString> m_loading;
    // Not Qt's shared pool: the raster paint engine splits large fills over
    // that one and waits for them, so a dictionary read there would hold up
    // painting.
    QThreadPool m_loads;
};

} // namespace vesk
