#include "CacheGenerator.h"

#include <QRandomGenerator>

#include <array>

namespace vesk::bench {

namespace {

constexpr std::array firstNames{u"João",  u"Inês",    u"Conceição", u"Gonçalo", u"Maria",
                                u"André", u"Beatriz", u"Sérgio",    u"Ana",     u"Tomás"};
constexpr std::array lastNames{u"Simões",    u"Gonçalves", u"Araújo",  u"Conceição",
                               u"Magalhães", u"Pereira",   u"Brandão", u"Estêvão"};
constexpr std::array subjects{u"Reunião de acompanhamento do projeto de reabilitação urbana",
                              u"Orçamento revisto para a próxima fase — versão atualizada",
                              u"Convite: jantar de Natal da equipa em Lisboa",
                              u"Fatura n.º 2026/1147 referente a novembro",
                              u"Ponto de situação: migração dos serviços para a nova plataforma",
                              u"Pedido de informação sobre a candidatura ao programa de formação"};
constexpr std::array phrases{
    u"Olá, segue em anexo a versão revista do documento que discutimos na última reunião. ",
    u"Agradeço que confirmes a tua disponibilidade para quinta-feira às 15h30. ",
    u"Não te esqueças de que o prazo para a entrega das propostas termina já na sexta. ",
    u"Conforme combinado, enviei também a informação ao departamento financeiro &amp; jurídico. ",
    u"Qualquer dúvida, estou à disposição; obrigado pela atenção e até breve. "};
constexpr std::array userLabels{u"Label_18273645", u"Label_99120347", u"Label_55512312"};

QString pick(QRandomGenerator& random, const auto& options)
{
    return QString::fromUtf16(options[random.bounded(int(options.size()))]);
}

QString hexId(QRandomGenerator& random)
{
    return QString::number(0x180000000000000ULL + random.generate64() % 0xfffffffffffffULL, 16);
}

QStringList labelsFor(QRandomGenerator& random)
{
    QStringList labels;
    if (random.bounded(10) < 7)
        labels << QStringLiteral("INBOX");
    if (random.bounded(10) < 3)
        labels << QStringLiteral("UNREAD");
    if (random.bounded(10) < 4)
        labels << QStringLiteral("IMPORTANT");
    labels << (random.bounded(2) ? QStringLiteral("CATEGORY_PERSONAL")
                                 : QStringLiteral("CATEGORY_UPDATES"));
    if (random.bounded(10) < 2)
        labels << pick(random, userLabels);
    return labels;
}

} // namespace

QList<MessageSummary> generateSummaries(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QList<MessageSummary> summaries;
    summaries.reserve(count);
    qint64 date = 1764000000000LL;
    QString threadId;
    QString subject;
    int leftInThread = 0;
    for (int i = 0; i < count; ++i) {
        const QString id = hexId(random);
        if (leftInThread == 0) {
            threadId = id;
            subject = pick(random, subjects);
            leftInThread = 1 + random.bounded(5);
        }
        --leftInThread;
        const QString first = pick(random, firstNames);
        const QString last = pick(random, lastNames);
        QString snippet;
        while (snippet.size() < 180)
            snippet += pick(random, phrases);
        snippet.truncate(200);
        date -= random.bounded(1, 3600000);
        summaries.append(
            MessageSummary{id, threadId, labelsFor(random), snippet, first + u' ' + last,
                           first.toLower() + u'.' + last.toLower() + QStringLiteral("@exemplo.pt"),
                           subject, date});
    }
    return summaries;
}

} // namespace vesk::bench
