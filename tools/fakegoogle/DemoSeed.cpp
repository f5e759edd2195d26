#include "DemoSeed.h"

#include "DemoAttachments.h"
#include "DemoNewsletter.h"
#include "FakeGoogle.h"
#include "FaultRule.h"
#include "SimpleMessage.h"

#include <QDateTime>
#include <QRegularExpression>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

namespace {

const QString s_ana = u"Ana Ribeiro <ana.ribeiro@exemplo.pt>"_s;
const QString s_tiago = u"Tiago Moreira <tiago.moreira@exemplo.pt>"_s;
const QString s_ines = u"Inês Carvalho <ines.carvalho@correio.pt>"_s;

// The agenda is padded so that its download, served slowly, lasts a while.
constexpr qsizetype s_agendaPadding = 160 * 1024;
constexpr auto s_agendaMessageId = "planeamento-1";

QDateTime ago(double days)
{
    return QDateTime::currentDateTimeUtc().addSecs(qint64(-days * 86400));
}

QString demoAddress(const char* address)
{
    return QString::fromLatin1(address);
}

SimpleMessage mail(const QString& from, const QString& to, const QString& subject,
                   const QString& text, double daysAgo, const QByteArray& id,
                   const QByteArray& inReplyTo = {})
{
    SimpleMessage message;
    message.from = from;
    message.to = to;
    message.subject = subject;
    message.text = text;
    message.date = ago(daysAgo);
    message.messageId = id + "@exemplo.pt";
    if (!inReplyTo.isEmpty())
        message.inReplyTo = inReplyTo + "@exemplo.pt";
    return message;
}

// Files a message in both demo mailboxes when both took part, as Gmail would.
struct Seeder
{
    FakeGoogle& google;
    QString ana = demoAddress(DemoSeed::firstAccount);
    QString tiago = demoAddress(DemoSeed::secondAccount);

    MessageRef add(const QString& account, const SimpleMessage& message, QStringList labels,
                   const QString& threadId = {})
    {
        return google.addMessage(account, message.toRfc822(), labels, message.date, threadId);
    }
};

void seedPlanningThread(Seeder& s, const QString& workAna, const QString& workTiago)
{
    SimpleMessage first =
        mail(s_tiago, s_ana, u"Reunião de planeamento do 2.º trimestre"_s,
             u"Olá Ana,\n\nSegue a agenda para a reunião de quinta-feira às "
             u"10h00. Diz-me se queres acrescentar algum ponto.\n\nAbraço,\nTiago"_s,
             3.2, s_agendaMessageId);
    first.attachments.append({u"agenda-reunião.pdf"_s,
                              "application/pdf",
                              demofiles::pdf(u"Agenda da reunião\n1. Orçamento\n2. Contratações\n"
                                             u"3. Calendário do 2.º trimestre"_s,
                                             s_agendaPadding),
                              {}});
    const SimpleMessage reply =
        mail(s_ana, s_tiago, u"Re: Reunião de planeamento do 2.º trimestre"_s,
             u"Obrigada, Tiago. Acrescentava o ponto \"formação da equipa\" & a revisão de "
             u"custos.\n\nAté quinta,\nAna"_s,
             2.9, "planeamento-2", "planeamento-1");
    SimpleMessage last =
        mail(s_tiago, s_ana, u"Re: Reunião de planeamento do 2.º trimestre"_s,
             u"Combinado. Reservei a sala Tejo. Levo café <e pastéis de nata>.\n\nVai em anexo "
             u"a planta da sala, para quem vem pela primeira vez."_s,
             0.4, "planeamento-3", "planeamento-2");
    last.attachments.append({u"planta-sala-tejo.png"_s, "image/png", demofiles::png(480, 300), {}});
    const auto a1 = s.add(s.ana, first, {u"INBOX"_s, u"IMPORTANT"_s, workAna});
    s.add(s.ana, reply, {u"SENT"_s}, a1.threadId);
    s.add(s.ana, last, {u"INBOX"_s, u"UNREAD"_s, u"IMPORTANT"_s, workAna}, a1.threadId);
    const auto t1 = s.add(s.tiago, first, {u"SENT"_s});
    s.add(s.tiago, reply, {u"INBOX"_s, workTiago}, t1.threadId);
    s.add(s.tiago, last, {u"SENT"_s}, t1.threadId);
}

void seedNewsletter(Seeder& s)
{
    SimpleMessage news = mail(u"Agenda Cultural de Lisboa <newsletter@agenda-lisboa.pt>"_s, s_ana,
                              u"Esta semana em Lisboa: fado, cinema e feiras"_s,
                              demonewsletter::text(), 1.1, "agenda-semana");
    news.html = demonewsletter::html(s.google.baseUrl());
    s.add(s.ana, news, {u"INBOX"_s, u"UNREAD"_s, u"CATEGORY_PROMOTIONS"_s});
    news.to = s_tiago;
    news.date = ago(1.05);
    s.add(s.tiago, news, {u"INBOX"_s, u"CATEGORY_PROMOTIONS"_s});
}

void seedFamily(Seeder& s, const QString& family)
{
    SimpleMessage photos = mail(s_ines, s_ana, u"Fotografias da viagem aos Açores"_s,
                                u"Olá mana! Aqui vão as fotografias da Lagoa das Sete Cidades. "
                                u"A do miradouro ficou linda.\n\nBeijinhos,\nInês"_s,
                                2.0, "acores-1");
    photos.html = u"<p>Olá mana! Aqui vão as fotografias da Lagoa das Sete Cidades.</p>"
                  u"<p><img src=\"cid:miradouro@exemplo.pt\" alt=\"Miradouro\"></p>"
                  u"<p>Beijinhos,<br>Inês</p>"_s;
    photos.attachments.append(
        {u"miradouro.png"_s, "image/png", demofiles::png(320, 200), "miradouro@exemplo.pt"});
    photos.attachments.append(
        {u"lagoa das sete cidades.png"_s, "image/png", demofiles::png(640, 400), {}});
    const auto thread = s.add(s.ana, photos, {u"INBOX"_s, u"STARRED"_s, family});
    const SimpleMessage answer =
        mail(s_ana, s_ines, u"Re: Fotografias da viagem aos Açores"_s,
             u"Que maravilha! Para o ano vamos todos."_s, 1.8, "acores-2", "acores-1");
    s.add(s.ana, answer, {u"SENT"_s, family}, thread.threadId);
    const SimpleMessage more =
        mail(s_ines, s_ana, u"Re: Fotografias da viagem aos Açores"_s,
             u"Combinado! Já estou a ver voos para junho."_s, 0.2, "acores-3", "acores-2");
    s.add(s.ana, more, {u"INBOX"_s, u"UNREAD"_s, family}, thread.threadId);
}

void seedDocuments(Seeder& s, const QString& workAna, const QString& workTiago)
{
    SimpleMessage contract = mail(u"Gabinete Jurídico <juridico@advogados-porto.pt>"_s, s_ana,
                                  u"Contrato de arrendamento — versão final"_s,
                                  u"Cara Dr.ª Ana Ribeiro,\n\nEnviamos em anexo a versão final do "
                                  u"contrato para revisão e assinatura.\n\nCom os melhores "
                                  u"cumprimentos,\nGabinete Jurídico"_s,
                                  4.5, "contrato-final");
    contract.attachments.append(
        {u"Contrato de arrendamento (versão final).docx"_s,
         "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
         demofiles::docx(
             u"Contrato de arrendamento\nCláusula 1.ª — Objeto\nCláusula 2.ª — Renda"_s),
         {}});
    s.add(s.ana, contract, {u"INBOX"_s, u"IMPORTANT"_s});

    SimpleMessage report = mail(s_tiago, s_ana, u"Relatório anual 2025"_s,
                                u"Ana, segue o relatório anual completo (é grande, perdoa). "
                                u"Preciso dos teus comentários até sexta."_s,
                                0.9, "relatorio-2025");
    report.attachments.append(
        {u"relatório-anual-2025.pdf"_s,
         "application/pdf",
         demofiles::pdf(u"Relatório anual 2025\nResultados, equipa e objetivos"_s, 6 * 1024 * 1024),
         {}});
    s.add(s.ana, report, {u"INBOX"_s, u"UNREAD"_s, workAna});
    s.add(s.tiago, report, {u"SENT"_s, workTiago});
}

void seedEverydayMail(Seeder& s)
{
    s.add(s.ana,
          mail(u"Loja Tricana <encomendas@tricana.pt>"_s, s_ana,
               u"Confirmação da encomenda n.º 48213"_s,
               u"A sua encomenda foi expedida e chega em 2 a 3 dias úteis."_s, 6.0, "encomenda"),
          {u"INBOX"_s, u"CATEGORY_UPDATES"_s});
    s.add(s.ana,
          mail(u"Promoções <promo@desconto-certo.pt>"_s, s_ana, u"Ganhou um prémio!!!"_s,
               u"Clique aqui para receber o seu prémio."_s, 5.0, "spam-1"),
          {u"SPAM"_s, u"UNREAD"_s});
    s.google.addDraft(s.ana,
                      mail(s_ana, s_ines, u"Jantar de sábado?"_s,
                           u"Inês, jantamos no sábado? Levo a sobremesa."_s, 0.1, "rascunho-jantar")
                          .toRfc822());
    s.add(s.ana,
          mail(u"Câmara Municipal <avisos@cm-exemplo.pt>"_s, s_ana, u"Aviso de obras na rua"_s,
               u"Informamos que haverá obras na sua rua entre 3 e 7 de março."_s, 8.0, "obras"),
          {u"TRASH"_s});
    s.add(s.tiago,
          mail(u"Ginásio Atlântico <geral@ginasio-atlantico.pt>"_s, s_tiago,
               u"Novo horário de verão"_s, u"A partir de junho abrimos às 6h30. Bons treinos!"_s,
               0.5, "ginasio"),
          {u"INBOX"_s, u"UNREAD"_s});
}

// A year and more of monthly bills and receipts, filed under a label of
// their own: more conversations than one page, so that the list has older
// ones to load.
void seedReceipts(Seeder& s, const QString& receipts)
{
    const QList<std::pair<QString, QString>> senders{
        {u"EDP Comercial <faturas@edp-exemplo.pt>"_s, u"Fatura de eletricidade"_s},
        {u"Águas do Tejo <geral@aguas-exemplo.pt>"_s, u"Fatura da água"_s},
        {u"Rede Móvel <conta@rede-exemplo.pt>"_s, u"A sua fatura mensal"_s},
        {u"Comboios Urbanos <bilhetes@cu-exemplo.pt>"_s, u"Recibo do passe mensal"_s},
        {u"Farmácia Central <recibos@farmacia-exemplo.pt>"_s, u"Recibo da sua compra"_s},
        {u"Livraria Bertolina <loja@bertolina-exemplo.pt>"_s, u"Recibo da encomenda"_s}};
    for (int n = 0; n < 120; ++n) {
        const auto& [from, what] = senders.at(n % senders.size());
        const QString subject = u"%1 n.º %2"_s.arg(what).arg(2025000 + 137 * n);
        s.add(s.ana,
              mail(from, s_ana, subject,
                   u"Segue em anexo o documento. Obrigado pela preferência."_s, 12.0 + 3.5 * n,
                   "recibo-" + QByteArray::number(n)),
              {receipts});
    }
}

} // namespace

void DemoSeed::apply(FakeGoogle& google)
{
    google.registerClient(QString::fromLatin1(clientId), QString::fromLatin1(clientSecret));
    Seeder seeder{google};
    google.addAccount(seeder.ana, u"Ana Ribeiro"_s);
    google.addAccount(seeder.tiago, u"Tiago Moreira"_s);
    // Seeded afresh at every start, with new message ids: a client that kept
    // a cache from an earlier run must not take this history for the one it
    // knew. Starting from the clock puts every earlier run's ids below the
    // floor, so the client hears that its history id is unknown and syncs in
    // full.
    const auto start = quint64(QDateTime::currentMSecsSinceEpoch());
    google.restartHistoryAt(seeder.ana, start);
    google.restartHistoryAt(seeder.tiago, start);
    const QString workAna = google.addLabel(seeder.ana, u"Trabalho"_s);
    const QString family = google.addLabel(seeder.ana, u"Família"_s);
    google.addLabel(seeder.ana, u"Viagens/Açores 2026"_s);
    const QString receipts = google.addLabel(seeder.ana, u"Recibos"_s);
    const QString workTiago = google.addLabel(seeder.tiago, u"Trabalho"_s);
    google.addLabel(seeder.tiago, u"Finanças"_s);
    seedEverydayMail(seeder);
    seedDocuments(seeder, workAna, workTiago);
    seedFamily(seeder, family);
    seedNewsletter(seeder);
    seedPlanningThread(seeder, workAna, workTiago);
    seedReceipts(seeder, receipts);
}

void DemoSeed::holdNextListing(FakeGoogle& google, std::chrono::milliseconds delay)
{
    FaultRule rule;
    rule.kind = FaultRule::Kind::Delay;
    rule.method = u"GET"_s;
    rule.pathPattern = u"/gmail/v1/users/[^/]+/messages"_s;
    rule.delayMs = int(delay.count());
    google.addFault(rule);
}

void DemoSeed::serveAgendaSlowly(FakeGoogle& google)
{
    const QString account = QString::fromLatin1(firstAccount);
    const QByteArray header = "Message-ID: <" + QByteArray(s_agendaMessageId) + "@exemplo.pt>";
    for (const QString& id : google.messageIds(account)) {
        if (!google.rawMessage(account, id).contains(header))
            continue;
        FaultRule rule;
        rule.kind = FaultRule::Kind::SlowChunks;
        rule.method = u"GET"_s;
        rule.pathPattern = u"/gmail/v1/users/[^/]+/messages/"_s + QRegularExpression::escape(id) +
                           u"/attachments/.+"_s;
        rule.times = -1;
        rule.chunkBytes = 2048;
        rule.chunkIntervalMs = 250;
        // Announced, so that the transfer shows how far it has got.
        rule.announceLength = true;
        google.addFault(rule);
        return;
    }
}

QByteArray DemoSeed::arrival(int n, const QString& account)
{
    static const QStringList subjects{
        u"Lembrete: pagamento da quota"_s, u"Novidades do projeto Atlântico"_s,
        u"Convite: almoço de equipa"_s, u"Resumo diário das tarefas"_s};
    const QString& to = account == QLatin1String(secondAccount) ? s_tiago : s_ana;
    SimpleMessage message = mail(s_ines, to, subjects[n % subjects.size()],
                                 u"Mensagem automática n.º "_s + QString::number(n) +
                                     u" da demonstração. Olá, está tudo bem?"_s,
                                 0,
                                 "chegada-" + QByteArray::number(n) + '-' +
                                     QByteArray::number(QDateTime::currentMSecsSinceEpoch()));
    return message.toRfc822();
}

} // namespace vesk::fakegoogle
