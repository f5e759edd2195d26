// The language the program speaks, picked as it starts from the desktop's
// languages: each case starts this test program again with its own
// LANGUAGE/LANG, where it installs the translations as the program does and
// prints what a few real windows and errors say. And the English catalogue
// keeps every placeholder, plural and accelerator of the source texts.

#include "AppRig.h"
#include "Composition.h"
#include "gmail/GmailError.h"
#include "model/PendingChange.h"
#include "net/DescribedError.h"
#include "ui/dialogs/SettingsWindow.h"
#include "ui/threadlist/ThreadRowDelegate.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTextStream>
#include <QXmlStreamReader>

#include <cstring>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

const char* const speakFlag = "--speak";

/// Environment variables and their values.
using Environment = QMap<QString, QString>;
/// What the program said, by name.
using Texts = QMap<QString, QString>;

/// The child's side: the program's start-up translations, then one
/// "name=text" line per representative text.
int speak(int argc, char** argv)
{
    QApplication application(argc, argv);
    installTranslations(application);
    AppRig rig;
    AppState& state = rig.state();
    const SettingsWindow window(state, rig.config);
    const QList<std::pair<const char*, QString>> texts{
        {"title", window.windowTitle()},
        {"inbox", state.labelTitle(u"INBOX"_s)},
        {"messages", ThreadRowDelegate::countText(3)},
        {"waiting",
         QCoreApplication::translate("vesk::OfflineLine", "%n alterações à espera", nullptr, 1)},
        {"error", describeError(GmailError::unauthorized())},
        {"action", PendingChange::trash({u"t1"_s}).action({})},
        {"date", ThreadRowDelegate::dateText(QDateTime(QDate(2026, 3, 12), QTime(12, 0)))},
    };
    QTextStream out(stdout);
    for (const auto& [name, text] : texts)
        out << name << '=' << text << '\n';
    return 0;
}

struct Catalogue
{
    struct Message
    {
        QString context;
        QString source;
        QStringList translations;
        bool finished = true;
        bool numerus = false;
    };
    QList<Message> messages;
    QString language;
    QString problem;
};

Catalogue readCatalogue(const QString& path)
{
    Catalogue catalogue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        catalogue.problem = file.errorString();
        return catalogue;
    }
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView element = xml.name();
        if (element == u"TS") {
            catalogue.language = xml.attributes().value(u"language"_s).toString();
        } else if (element == u"name") {
            context = xml.readElementText();
        } else if (element == u"message") {
            Catalogue::Message message;
            message.context = context;
            message.numerus = xml.attributes().value(u"numerus"_s) == u"yes";
            catalogue.messages.append(message);
        } else if (element == u"source" && !catalogue.messages.isEmpty()) {
            catalogue.messages.last().source = xml.readElementText();
        } else if (element == u"translation" && !catalogue.messages.isEmpty()) {
            Catalogue::Message& message = catalogue.messages.last();
            message.finished = xml.attributes().value(u"type"_s).isEmpty();
            if (!message.numerus)
                message.translations.append(xml.readElementText());
        } else if (element == u"numerusform" && !catalogue.messages.isEmpty()) {
            catalogue.messages.last().translations.append(xml.readElementText());
        }
    }
    if (xml.hasError())
        catalogue.problem = xml.errorString();
    return catalogue;
}

/// What a translation must carry over from its source: the arguments, the
/// accelerator and the markup.
QString marksOf(const QString& text)
{
    static const QRegularExpression s_argument(u"%(n|L?[0-9]+)"_s);
    QStringList arguments;
    for (const QRegularExpressionMatch& match : s_argument.globalMatch(text))
        arguments.append(match.captured());
    arguments.sort();
    const qsizetype accelerators = text.count(u'&') - 2 * text.count(u"&&"_s);
    return arguments.join(u' ') + u" &"_s + QString::number(accelerators) + u" <"_s +
           QString::number(text.count(u'<'));
}

} // namespace

class TestTranslations final : public QObject
{
    Q_OBJECT

    /// What the program says when started with `environment` over a clean
    /// language setting (no LANGUAGE, LC_ALL or LC_MESSAGES, LANG=C.UTF-8).
    static Texts textsWith(const Environment& environment)
    {
        QProcessEnvironment world = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"LANGUAGE"_s, u"LC_ALL"_s, u"LC_MESSAGES"_s})
            world.remove(name);
        world.insert(u"LANG"_s, u"C.UTF-8"_s);
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            world.insert(it.key(), it.value());
        QProcess child;
        child.setProcessEnvironment(world);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(speakFlag)});
        Texts texts;
        if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit ||
            child.exitCode() != 0)
            return texts;
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');
        for (const QString& line : lines) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0)
                texts.insert(line.left(equals), line.mid(equals + 1));
        }
        return texts;
    }

private Q_SLOTS:
    void desktopLanguagesPickTheProgramLanguage_data()
    {
        QTest::addColumn<Environment>("environment");
        QTest::addColumn<bool>("english");
        // In the desktop's regional format, or Portugal's beside Portuguese
        // texts where the desktop has none.
        QTest::addColumn<QString>("date");
        QTest::newRow("English") << Environment{{u"LANGUAGE"_s, u"en"_s}} << true
                                 << u"12 Mar 2026"_s;
        QTest::newRow("English after an unknown language")
            << Environment{{u"LANGUAGE"_s, u"de:en_US:pt_PT"_s}} << true << u"12 Mar 2026"_s;
        QTest::newRow("Portuguese before English")
            << Environment{{u"LANGUAGE"_s, u"pt_PT:en"_s}} << false << u"12/03/26"_s;
        QTest::newRow("Brazilian before English")
            << Environment{{u"LANGUAGE"_s, u"pt_BR:en"_s}} << false << u"12/03/26"_s;
        QTest::newRow("neither") << Environment{{u"LANGUAGE"_s, u"de"_s}} << false << u"12/03/26"_s;
        QTest::newRow("German regional format")
            << Environment{{u"LANGUAGE"_s, u"de"_s}, {u"LANG"_s, u"de_DE.UTF-8"_s}} << false
            << u"12.03.26"_s;
        QTest::newRow("nothing set") << Environment{} << false << u"12/03/26"_s;
        QTest::newRow("English locale, no list")
            << Environment{{u"LANG"_s, u"en_GB.UTF-8"_s}} << true << u"12/03/2026"_s;
    }

    void desktopLanguagesPickTheProgramLanguage()
    {
        QFETCH(const Environment, environment);
        QFETCH(const bool, english);
        QFETCH(const QString, date);
        Texts texts = textsWith(environment);
        QVERIFY2(!texts.isEmpty(), "the child program failed");
        QCOMPARE(texts.take(u"date"_s), date);
        const Texts expected =
            english ? Texts{{u"title"_s, u"VESK Settings"_s},
                            {u"inbox"_s, u"Inbox"_s},
                            {u"messages"_s, u"3 messages"_s},
                            {u"waiting"_s, u"1 change waiting"_s},
                            {u"error"_s, u"Not authorized: there are no stored credentials "
                                         "for this account. It needs to be connected again."_s},
                            {u"action"_s, u"move to the trash"_s}}
                    : Texts{{u"title"_s, u"Definições do VESK"_s},
                            {u"inbox"_s, u"Caixa de entrada"_s},
                            {u"messages"_s, u"3 mensagens"_s},
                            {u"waiting"_s, u"1 alteração à espera"_s},
                            {u"error"_s, u"Não autorizado: não há credenciais guardadas para "
                                         "esta conta. É preciso ligá-la de novo."_s},
                            {u"action"_s, u"mover para a lixeira"_s}};
        QCOMPARE(texts, expected);
    }

    void englishCatalogueKeepsWhatTheSourcesCarry()
    {
        const Catalogue catalogue = readCatalogue(QStringLiteral(VESK_ENGLISH_CATALOGUE));
        QCOMPARE(catalogue.problem, QString());
        QCOMPARE(catalogue.language, u"en"_s);
        const Catalogue source = readCatalogue(
            QStringLiteral(VESK_ENGLISH_CATALOGUE).replace(u"vesk_en.ts"_s, u"vesk_pt.ts"_s));
        QCOMPARE(catalogue.messages.size(), source.messages.size());
        for (const Catalogue::Message& message : catalogue.messages) {
            const QString where = message.context + u": "_s + message.source;
            QVERIFY2(message.finished, qPrintable(where));
            // English has two plural forms, each counting.
            QCOMPARE(message.translations.size(), message.numerus ? 2 : 1);
            for (const QString& translation : message.translations) {
                QVERIFY2(!translation.trimmed().isEmpty(), qPrintable(where));
                QCOMPARE(marksOf(translation), marksOf(message.source));
                // Still Portuguese where English was meant, as an oversight leaves it.
                if (message.source.size() > 12)
                    QVERIFY2(translation != message.source, qPrintable(where));
            }
        }
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], speakFlag) == 0)
        return speak(argc, argv);
    QApplication application(argc, argv);
    TestTranslations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
