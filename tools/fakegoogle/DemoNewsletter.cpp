#include "DemoNewsletter.h"

#include "DemoImages.h"

namespace vesk::fakegoogle::demonewsletter {

using namespace Qt::StringLiterals;

namespace {

const QString s_sans = u"font-family:Helvetica,Arial,sans-serif;"_s;

QString image(const QUrl& base, const QString& name, int width, const QString& alt,
              const QString& style)
{
    return u"<img src=\"%1\" width=\"%2\" alt=\"%3\" style=\"display:block;border:0;%4\">"_s.arg(
        DemoImages::url(base, name).toString(), QString::number(width), alt, style);
}

QString article(const QUrl& base, const QString& picture, const QString& alt, const QString& kicker,
                const QString& title, const QString& text, const QString& link,
                const QString& action)
{
    return u"<td width=\"50%\" valign=\"top\" style=\"padding:8px 10px\">"_s +
           image(base, picture, 260, alt, u"width:100%;border-radius:10px"_s) +
           u"<p style=\"margin:14px 0 4px;"_s + s_sans +
           u"font-size:11px;letter-spacing:1.5px;text-transform:uppercase;color:#8A05BE\">"_s +
           kicker +
           u"</p><h2 style=\"margin:0 0 8px;font-size:20px;line-height:1.25;color:#2A0845\">"_s +
           title + u"</h2><p style=\"margin:0 0 14px;font-size:14px;line-height:1.55;"_s +
           u"color:#4A3A58\">"_s + text + u"</p><a href=\""_s + link +
           u"\" style=\"display:inline-block;padding:8px 16px;border-radius:999px;"_s + s_sans +
           u"font-size:13px;font-weight:bold;background:#8A05BE;color:#FFFFFF;"_s
           u"text-decoration:none\">"_s +
           action + u"</a></td>"_s;
}

} // namespace

QString html(const QUrl& base)
{
    return u"<!DOCTYPE html><html lang=\"pt-PT\"><head><meta charset=\"utf-8\">"_s
           u"<title>Agenda Cultural de Lisboa</title></head><body style=\"margin:0\">"_s
           u"<table role=\"presentation\" width=\"100%\" cellpadding=\"0\" cellspacing=\"0\">"_s
           u"<tr><td align=\"center\" style=\"padding:6px 0\">"_s
           u"<table role=\"presentation\" width=\"600\" cellpadding=\"0\" cellspacing=\"0\" "_s
           u"style=\"width:100%;max-width:600px;background:#FBF7F2;border-radius:14px;"_s
           u"overflow:hidden;font-family:Georgia,'Times New Roman',serif;color:#2B1B3A\">"_s
           u"<tr><td style=\"background:#2A0845;padding:14px 24px;"_s +
           s_sans +
           u"font-size:12px;letter-spacing:2px;text-transform:uppercase;color:#F4D9FF\">"_s
           u"Agenda Cultural de Lisboa &middot; n.&ordm; 212</td></tr><tr><td>"_s +
           image(base, u"cabecalho"_s, 600, u"Lisboa ao entardecer, vista do rio"_s,
                 u"width:100%"_s) +
           u"</td></tr><tr><td style=\"padding:26px 28px 6px\">"_s
           u"<h1 style=\"margin:0 0 10px;font-size:28px;line-height:1.2;color:#2A0845\">"_s
           u"Esta semana em Lisboa</h1>"_s
           u"<p style=\"margin:0;font-size:16px;line-height:1.55;color:#4A3A58\">"_s
           u"Fado à luz das velas em Alfama, a Feira do Livro de regresso ao Parque Eduardo VII "_s
           u"e um ciclo de cinema português no Cinema Ideal. Escolhemos o melhor para os seus "_s
           u"dias.</p></td></tr><tr><td style=\"padding:14px 18px\">"_s
           u"<table role=\"presentation\" width=\"100%\" cellpadding=\"0\" cellspacing=\"0\"><tr>"_s +
           article(base, u"fado"_s, u"Guitarra portuguesa"_s, u"Música &middot; Alfama"_s,
                   u"Noites de fado à luz das velas"_s,
                   u"Sexta e sábado, às 21h30, na Casa de Fados da Rua do Castelo, com Maria do "_s
                   u"Carmo na voz e Ricardo Sousa na guitarra."_s,
                   u"https://agenda-lisboa.pt/fado"_s, u"Reservar lugar"_s) +
           article(base, u"feira-do-livro"_s, u"Pavilhão da Feira do Livro"_s,
                   u"Livros &middot; Parque Eduardo VII"_s, u"A Feira do Livro está de volta"_s,
                   u"Mais de 300 pavilhões, sessões de autógrafos e leituras para os mais "_s
                   u"novos. Todos os dias, das 12h00 às 23h00."_s,
                   u"https://agenda-lisboa.pt/feira-do-livro"_s, u"Ver programa"_s) +
           u"</tr></table></td></tr><tr><td style=\"padding:6px 28px 26px;font-size:14px;"_s
           u"line-height:1.55;color:#4A3A58\"><b style=\"color:#2A0845\">Também esta semana:"_s
           u"</b> o ciclo &laquo;Cinema Português Hoje&raquo; no Cinema Ideal, de terça a "_s
           u"domingo, com sessões às 19h00 e às 21h30.</td></tr>"_s
           u"<tr><td style=\"background:#2A0845;padding:20px 28px;"_s +
           s_sans +
           u"font-size:12px;line-height:1.6;color:#CDBBE0\">"_s
           u"Recebe esta mensagem porque subscreveu a Agenda Cultural de Lisboa.<br>"_s
           u"Rua da Prata 112, 1100-417 Lisboa<br>"_s
           u"<a href=\"https://agenda-lisboa.pt/cancelar\" style=\"color:#F4D9FF\">"_s
           u"Cancelar subscrição</a> &middot; "_s
           u"<a href=\"https://agenda-lisboa.pt/preferencias\" style=\"color:#F4D9FF\">"_s
           u"Preferências</a></td></tr></table>"_s +
           image(base, u"pixel"_s, 1, QString(), u"width:1px;height:1px"_s) +
           u"</td></tr></table></body></html>"_s;
}

QString text()
{
    return u"AGENDA CULTURAL DE LISBOA — n.º 212\n\n"_s
           u"Esta semana em Lisboa\n\n"_s
           u"Fado à luz das velas em Alfama, a Feira do Livro de regresso ao Parque Eduardo VII "_s
           u"e um ciclo de cinema português no Cinema Ideal.\n\n"_s
           u"NOITES DE FADO À LUZ DAS VELAS\n"_s
           u"Sexta e sábado, às 21h30, na Casa de Fados da Rua do Castelo, com Maria do Carmo "_s
           u"na voz e Ricardo Sousa na guitarra.\n"_s
           u"Reservar lugar: https://agenda-lisboa.pt/fado\n\n"_s
           u"A FEIRA DO LIVRO ESTÁ DE VOLTA\n"_s
           u"Mais de 300 pavilhões, sessões de autógrafos e leituras para os mais novos. "_s
           u"Todos os dias, das 12h00 às 23h00.\n"_s
           u"Ver programa: https://agenda-lisboa.pt/feira-do-livro\n\n"_s
           u"Também esta semana: o ciclo «Cinema Português Hoje» no Cinema Ideal, de terça a "_s
           u"domingo, com sessões às 19h00 e às 21h30.\n\n"_s
           u"--\nRecebe esta mensagem porque subscreveu a Agenda Cultural de Lisboa.\n"_s
           u"Rua da Prata 112, 1100-417 Lisboa\n"_s
           u"Cancelar subscrição: https://agenda-lisboa.pt/cancelar\n"_s;
}

} // namespace vesk::fakegoogle::demonewsletter
