#include "SpellingService.h"

#include "SpellChecker.h"
#include "platform/SettingsStore.h"
#include "platform/ThreadPriority.h"

#include <QFutureWatcher>
#include <QLocale>
#include <QtConcurrent/QtConcurrentRun>

namespace vesk {

namespace {

const QString s_languageKey = QStringLiteral("spelling/language");

} // namespace

SpellingService::SpellingService(SpellDictionaries dictionaries, const QString& personalFolder,
                                 std::shared_ptr<SettingsStore> settings, QObject* parent)
    : QObject(parent)
    , m_dictionaries(std::move(dictionaries))
    , m_personal(personalFolder)
    , m_settings(std::move(settings))
{
    m_loads.setMaxThreadCount(1);
}

SpellingService::~SpellingService() = default;

QString SpellingService::defaultLanguage() const
{
    const std::optional<QString> chosen =
        m_settings ? m_settings->text(s_languageKey) : std::nullopt;
    for (const QString& code : {chosen.value_or(QString()), QStringLiteral("pt_PT")}) {
        if (m_dictionaries.language(code).isValid())
            return code;
    }
    const QList<SpellLanguage>& all = m_dictionaries.languages();
    const auto portuguese = std::find_if(all.begin(), all.end(), [](const SpellLanguage& l) {
        return QLocale(l.code).language() == QLocale::Portuguese;
    });
    if (portuguese != all.end())
        return portuguese->code;
    return all.isEmpty() ? QString() : all.first().code;
}

void SpellingService::rememberLanguage(const QString& code)
{
    if (m_settings && m_dictionaries.language(code).isValid())
        m_settings->setText(s_languageKey, code);
}

std::shared_ptr<SpellChecker> SpellingService::checker(const QString& code)
{
    if (const auto loaded = m_checkers.constFind(code); loaded != m_checkers.cend())
        return *loaded;
    const SpellLanguage language = m_dictionaries.language(code);
    if (language.isValid() && !m_loading.contains(code))
        startLoading(language);
    return nullptr;
}

void SpellingService::startLoading(const SpellLanguage& language)
{
    m_loading.insert(language.code);
    const QStringList words = m_personal.words();
    // A big dictionary takes longer to read than a frame lasts.
    auto* watcher = new QFutureWatcher<std::shared_ptr<SpellChecker>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, code = language.code, given = words.size()] {
                watcher->deleteLater();
                finishLoading(code, watcher->result(), given);
            });
    watcher->setFuture(QtConcurrent::run(&m_loads, [language, words] {
        runBelowInterface();
        return std::shared_ptr<SpellChecker>(SpellChecker::load(language, words));
    }));
}

void SpellingService::finishLoading(const QString& code, std::shared_ptr<SpellChecker> checker,
                                    qsizetype wordsGiven)
{
    m_loading.remove(code);
    // Words added while it loaded.
    if (checker && m_personal.words().size() != wordsGiven) {
        for (const QString& word : m_personal.words())
            checker->addWord(word);
    }
    m_checkers.insert(code, checker);
    Q_EMIT checkerReady(code);
}

bool SpellingService::addWord(const QString& word)
{
    if (!m_personal.add(word))
        return false;
    for (const std::shared_ptr<SpellChecker>& checker : std::as_const(m_checkers)) {
        if (checker)
            checker->addWord(word);
    }
    Q_EMIT wordAdded(word);
    return true;
}

} // namespace vesk
