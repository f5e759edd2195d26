#include "ui/composer/SpellingMenu.h"

#include "spelling/ComposerSpelling.h"
#include "spelling/SpellLanguage.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

#include <utility>

namespace vesk {

namespace {

/// Qt's edit actions in the program's language: the system's catalogue of
/// Qt's texts has none for European Portuguese. The shortcut after the tab
/// is Qt's own.
void nameEditActions(QMenu& menu)
{
    static const std::pair<const char*, const char*> names[] = {
        {"edit-undo", QT_TRANSLATE_NOOP("vesk::SpellingMenu", "&Desfazer")},
        {"edit-redo", QT_TRANSLATE_NOOP("vesk::SpellingMenu", "&Refazer")},
        {"edit-cut", QT_TRANSLATE_NOOP("vesk::SpellingMenu", "Cor&tar")},
        {"edit-copy", QT_TRANSLATE_NOOP("vesk::SpellingMenu", "&Copiar")},
        {"edit-paste", QT_TRANSLATE_NOOP("vesk::SpellingMenu", "Co&lar")},
        {"edit-delete", QT_TRANSLATE_NOOP("vesk::SpellingMenu", "&Eliminar")},
        {"select-all", QT_TRANSLATE_NOOP("vesk::SpellingMenu", "Selecionar &tudo")}};
    for (QAction* action : menu.actions()) {
        for (const auto& [name, text] : names) {
            if (action->objectName() != QLatin1String(name))
                continue;
            const qsizetype tab = action->text().indexOf(u'\t');
            action->setText(QCoreApplication::translate("vesk::SpellingMenu", text) +
                            (tab < 0 ? QString() : action->text().mid(tab)));
        }
    }
}

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
    nameEditActions(menu);
    if (!word.isEmpty())
        insertSuggestions(menu, spelling, word, replace);
    addLanguages(menu, spelling);
}

} // namespace vesk
