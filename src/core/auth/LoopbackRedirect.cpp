#include "LoopbackRedirect.h"

#include "OAuthError.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QUrl>

#include <optional>

namespace vesk {

namespace {

QString requestTarget(const QByteArray& head)
{
    // Invalid UTF-8 anywhere in the head counts as an empty request.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(head);
    if (decoder.hasError())
        text.clear();
    const QString requestLine = text.left(text.indexOf(QLatin1String("\r\n")));
    const QStringList pieces = requestLine.split(u' ', Qt::SkipEmptyParts);
    return pieces.size() < 2 ? QStringLiteral("/") : pieces.at(1);
}

// The value of the first item with this exact name; an item without "=" has
// no value and counts as missing.
std::optional<QString> queryValue(const QString& query, QStringView name)
{
    for (const QString& item : query.split(u'&')) {
        const qsizetype equals = item.indexOf(u'=');
        const QString itemName = QUrl::fromPercentEncoding(item.left(equals).toLatin1());
        if (itemName != name)
            continue;
        if (equals < 0)
            return std::nullopt;
        return QUrl::fromPercentEncoding(item.mid(equals + 1).toLatin1());
    }
    return std::nullopt;
}

} // namespace

LoopbackRedirect LoopbackRedirect::classify(const QByteArray& head, const QString& expectedState)
{
    const QUrl url(QStringLiteral("http://127.0.0.1") + requestTarget(head));
    if (!url.isValid() || !url.hasQuery())
        return {};
    const QString query = url.query(QUrl::FullyEncoded);
    const auto error = queryValue(query, u"error");
    const auto code = queryValue(query, u"code");
    if (!error && !code)
        return {};
    // Google's refusals carry the state as its codes do. Without it, any local
    // page that finds the port could end the attempt.
    if (queryValue(query, u"state") != expectedState)
        return {Verdict::StateMismatch, {}};
    if (error)
        return {Verdict::GoogleError, *error};
    return {Verdict::Code, *code};
}

QByteArray LoopbackRedirect::response() const
{
    switch (verdict) {
    case Verdict::Waiting:
        return answer(
            QStringLiteral("VESK"),
            {QCoreApplication::translate("vesk::LoopbackRedirect", "A aguardar a ligação.")});
    case Verdict::GoogleError:
        // The user's own refusal is told as such; any other value of Google's
        // stays out of the page: it is not ours to show.
        if (value == u"access_denied")
            return failureResponse(OAuthError::googleError(value).description());
        return answer(
            QCoreApplication::translate("vesk::LoopbackRedirect", "Ligação não concluída"),
            {QCoreApplication::translate(
                "vesk::LoopbackRedirect",
                "A Google devolveu um erro. Pode fechar esta janela e tentar outra vez "
                "no VESK.")});
    case Verdict::StateMismatch:
        return answer(
            QCoreApplication::translate("vesk::LoopbackRedirect", "Ligação não concluída"),
            {QCoreApplication::translate(
                "vesk::LoopbackRedirect",
                "O estado da ligação não confere. Pode fechar esta janela e tentar "
                "outra vez no VESK.")});
    case Verdict::Code:
        break;
    }
    return answer(QCoreApplication::translate("vesk::LoopbackRedirect", "Conta ligada ao VESK"),
                  {QCoreApplication::translate("vesk::LoopbackRedirect",
                                               "Pode fechar esta janela e voltar ao VESK.")});
}

QByteArray LoopbackRedirect::failureResponse(const QString& reason)
{
    // The reason is the sentence VESK shows: what happened and what helps.
    return answer(QCoreApplication::translate("vesk::LoopbackRedirect", "Ligação não concluída"),
                  {reason, QCoreApplication::translate(
                               "vesk::LoopbackRedirect",
                               "Pode fechar esta janela e tentar outra vez no VESK.")});
}

QByteArray LoopbackRedirect::answer(const QString& title, const QStringList& paragraphs)
{
    const QByteArray html = page(title, paragraphs).toUtf8();
    return QByteArrayLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                             "Content-Length: ") +
           QByteArray::number(html.size()) + QByteArrayLiteral("\r\nConnection: close\r\n\r\n") +
           html;
}

QString LoopbackRedirect::page(const QString& title, const QStringList& paragraphs)
{
    // Everything is escaped: a reason may quote Google, and a translation
    // may hold any character.
    const QString heading = title.toHtmlEscaped();
    QString text;
    for (const QString& paragraph : paragraphs)
        text += QStringLiteral("<p>") + paragraph.toHtmlEscaped() + QStringLiteral("</p>");
    return QStringLiteral(
               "<!doctype html><html lang=\"pt\"><head><meta charset=\"utf-8\"><title>") +
           heading + QStringLiteral("</title></head>\n") +
           QStringLiteral("<body style=\"font-family: Inter, sans-serif; background: "
                          "#0A0614; color: #F4F0FA; display: flex; align-items: center; "
                          "justify-content: center; height: 100vh; margin: 0;\">\n") +
           QStringLiteral("<div style=\"text-align: center;\"><h1 style=\"color: #B44AE0;\">") +
           heading + QStringLiteral("</h1>") + text + QStringLiteral("</div>\n</body></html>");
}

} // namespace vesk
