#include "ComposerSpelling.h"

#include "SpellChecker.h"
#include "SpellingService.h"

namespace vesk {

namespace {

constexpr qsizetype s_mostSuggestions = 5;

} // namespace

ComposerSpelling::ComposerSpelling(std::shared_ptr<SpellingService> service, QObject* parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_language(m_service->defaultLanguage())
{
    connect(m_service.get(), &SpellingService::checkerReady, this, [this](const QString& code) {
        if (code == m_language && !m_checker)
            fetchChecker();
    });
    connect(m_service.get(), &SpellingService::wordAdded, this, &ComposerSpelling::verdictsChanged);
    fetchChecker();
}

ComposerSpelling::~ComposerSpelling() = default;

const QList<SpellLanguage>& ComposerSpelling::languages() const
{
    return m_service->languages();
}

void ComposerSpelling::setLanguage(const QString& code)
{
    m_service->rememberLanguage(code);
    if (code == m_language)
        return;
    m_language = code;
    m_checker.reset();
    fetchChecker();
    Q_EMIT verdictsChanged();
}

void ComposerSpelling::fetchChecker()
{
    m_checker = m_service->checker(m_language);
    if (m_checker)
        Q_EMIT verdictsChanged();
}

bool ComposerSpelling::isCorrect(QStringView word) const
{
    return !m_checker || m_checker->isCorrect(word);
}

QStringList ComposerSpelling::suggestions(QStringView word) const
{
    return m_checker ? m_checker->suggestions(word, s_mostSuggestions) : QStringList();
}

bool ComposerSpelling::addWord(const QString& word)
{
    // Every composer hears of it through the service.
    return m_service->addWord(word);
}

} // namespace vesk
