#pragma once

#include <QString>

#include <functional>

class QMenu;

namespace vesk {

class ComposerSpelling;

/// Puts the spelling's part into a field's context menu, around the
/// standard edit actions already in it: above them, for a misspelt `word`,
/// its suggestions (choosing one calls `replace` with it) and "Adicionar ao
/// dicionário"; below them the language the composer checks in. An empty
/// `word` adds the language alone.
void addSpellingActions(QMenu& menu, ComposerSpelling& spelling, const QString& word,
                        const std::function<void(const QString&)>& replace);

} // namespace vesk
