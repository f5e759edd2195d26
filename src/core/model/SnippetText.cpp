#include "SnippetText.h"

#include <array>
#include <optional>

namespace vesk {

namespace {

struct NamedEntity
{
    QStringView name;
    char16_t character;
};

// What Gmail's snippets use, plus the Latin-1 letters of Portuguese text.
constexpr std::array<NamedEntity, 24> namedEntities{{
    {u"amp", u'&'},    {u"lt", u'<'},        {u"gt", u'>'},     {u"quot", u'"'},
    {u"apos", u'\''},  {u"nbsp", u'\u00A0'}, {u"aacute", u'á'}, {u"agrave", u'à'},
    {u"acirc", u'â'},  {u"atilde", u'ã'},    {u"ccedil", u'ç'}, {u"eacute", u'é'},
    {u"ecirc", u'ê'},  {u"iacute", u'í'},    {u"oacute", u'ó'}, {u"ocirc", u'ô'},
    {u"otilde", u'õ'}, {u"uacute", u'ú'},    {u"Aacute", u'Á'}, {u"Eacute", u'É'},
    {u"Ccedil", u'Ç'}, {u"ordm", u'º'},      {u"ordf", u'ª'},   {u"euro", u'€'},
}};

std::optional<char32_t> numericEntity(QStringView body)
{
    bool ok = false;
    const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
    const uint value = hex ? body.mid(2).toUInt(&ok, 16) : body.mid(1).toUInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    const bool valid = value != 0 && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
    return valid ? char32_t(value) : char32_t(0xFFFD);
}

std::optional<char32_t> decodeEntity(QStringView body)
{
    if (body.startsWith(u'#'))
        return numericEntity(body);
    for (const NamedEntity& entity : namedEntities) {
        if (entity.name == body)
            return entity.character;
    }
    return std::nullopt;
}

} // namespace

QString snippetDisplayText(const QString& snippet)
{
    if (!snippet.contains(u'&'))
        return snippet;
    QString text;
    text.reserve(snippet.size());
    qsizetype i = 0;
    while (i < snippet.size()) {
        const qsizetype semicolon = snippet.indexOf(u';', i + 1);
        // Entity names are short; a far semicolon belongs to ordinary text.
        if (snippet[i] == u'&' && semicolon > i + 1 && semicolon - i <= 10) {
            if (const auto character =
                    decodeEntity(QStringView(snippet).mid(i + 1, semicolon - i - 1))) {
                const char32_t cp = *character;
                text += QStringView(QChar::fromUcs4(cp));
                i = semicolon + 1;
                continue;
            }
        }
        text += snippet[i];
        ++i;
    }
    return text;
}

} // namespace vesk
