#include "ui/composer/SpellingMenu.h"

#include "spelling/ComposerSpelling.h"
#include "spelling/SpellLanguage.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

namespace vesk {

namespace {

void insertSuggestions(QMenu& menu, ComposerSpelling& spelling, const QString& word,
                       const std::function<void(const QString&)>& replace)
{
    QAction* first = menu.actions().value(0);
    const QStringList suggestions = spelling.suggestions(word);
    QFont bold = menu.font();
    bold.setBold(true);
    for (const QString& suggestion : suggestions) {
        auto* action = new QAction(suggestion, &menu);
        action->setFont(bold);
        QObject::connect(action, &QAction::triggered, &menu,
                         [replace, suggestion] { replace(suggestion); });
        menu.insertAction(first, action);
    }
    if (suggestions.isEmpty()) {
        auto* none =
            new QAction(QCoreApplication::translate("vesk::SpellingMenu", "Sem sugestões"), &menu);
        none->setEnabled(false);
        menu.insertAction(first, none);
    }
    auto* add = new QAction(
        QCoreApplication::translate("vesk::SpellingMenu", "Adicionar ao dicionário"), &menu);
    QObject::connect(add, &QAction::triggered, &menu,
                     [checker = QPointer<ComposerSpelling>(&spelling), word] {
                         if (checker)
                             checker->addWord(word);
                     });
    menu.insertAction(first, add);
    if (first)
        menu.insertSeparator(first);
}

void addLanguages(QMenu& menu, ComposerSpelling& spelling)
{
    menu.addSeparator();
    QMenu* languages =
        menu.addMenu(QCoreApplication::translate("vesk::SpellingMenu", "Idioma da ortografia"));
    auto* group = new QActionGroup(languages);
    for (const SpellLanguage& language : spelling.languages()) {
        QAction* action = languages->addAction(language.name);
        action->setCheckable(true);
        action->setChecked(language.code == spelling.language());
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, &menu,
                         [checker = QPointer<ComposerSpelling>(&spelling), code = language.code] {
                             if (checker)
                                 checker->setLanguage(code);
                         });
    }
    if (spelling.languages().isEmpty())
        languages
            ->addAction(
                QCoreApplication::translate("vesk::SpellingMenu", "Nenhum dicionário instalado"))
            ->setEnabled(false);
}

} // namespace

void addSpellingActions(QMenu& menu, ComposerSpelling& spelling, const QString& word,
                        const std::function<void(const QString&)>& replace)
{
    if (!word.isEmpty())
        insertSuggestions(menu, spelling, word, replace);
    addLanguages(menu, spelling);
}

} // namespace vesk
