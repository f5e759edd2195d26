#include "HeldSharedPool.h"
#include "TestFiles.h"
#include "ValuesOf.h"
#include "platform/QSettingsStore.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellWords.h"
#include "spelling/SpellingService.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;

namespace {

const QString s_dictionaries = QStringLiteral(VESK_TEST_DICTIONARIES);

QStringList wordsOf(const QString& text)
{
    return test::valuesOf(checkableWords(text), [&text](const WordSpan& span) {
        return text.mid(span.start, span.length);
    });
}

/// A service over the test dictionaries, with its words and settings in `folder`.
std::shared_ptr<SpellingService> serviceIn(const QString& folder)
{
    return std::make_shared<SpellingService>(
        SpellDictionaries({s_dictionaries}), folder,
        std::make_shared<QSettingsStore>(folder + QStringLiteral("/settings.ini")));
}

std::shared_ptr<SpellChecker> loadedChecker(SpellingService& service, const QString& code)
{
    if (auto checker = service.checker(code))
        return checker;
    QSignalSpy ready(&service, &SpellingService::checkerReady);
    if (!ready.wait(10'000))
        return nullptr;
    return service.checker(code);
}

} // namespace

class TestSpellChecker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wordsToCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::addRow("compound and elided words whole")
            << QStringLiteral("Olá, guarda-chuva d'água e d’água!")
            << QStringList{QStringLiteral("Olá"), QStringLiteral("guarda-chuva"),
                           QStringLiteral("d'água"), QStringLiteral("e"), QStringLiteral("d’água")};
        QTest::addRow("addresses and links left out")
            << QStringLiteral("ana.sousa@exemplo.pt https://exemplo.pt/caminho www.sitio.pt fim")
            << QStringList{QStringLiteral("fim")};
        QTest::addRow("numbers and acronyms left out")
            << QStringLiteral("IVA 2024 3ª NASA abc123 INCONSTITUCIONAL")
            << QStringList{QStringLiteral("INCONSTITUCIONAL")};
        QTest::addRow("quoted line left out")
            << QStringLiteral("  > errro citado") << QStringList();
    }

    void wordsToCheck()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(wordsOf(text).join(u'|'), words.join(u'|'));
    }

    void verdictsAndSuggestions_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("correct");
        QTest::addColumn<QString>("suggested");
        QTest::addRow("accented") << QStringLiteral("coração") << true << QString();
        QTest::addRow("capitalised") << QStringLiteral("Amanhã") << true << QString();
        QTest::addRow("accent missing")
            << QStringLiteral("coracao") << false << QStringLiteral("coração");
        QTest::addRow("wrong letter")
            << QStringLiteral("mensagen") << false << QStringLiteral("mensagem");
        QTest::addRow("compound") << QStringLiteral("guarda-chuva") << true << QString();
        QTest::addRow("elided") << QStringLiteral("d’água") << true << QString();
        QTest::addRow("elided misspelt") << QStringLiteral("d'agua") << false << QString();
        // Not to be written in the dictionary's ISO-8859-1: no verdict.
        QTest::addRow("beyond the encoding") << QStringLiteral("Ωμέγα") << true << QString();
    }

    void verdictsAndSuggestions()
    {
        QFETCH(QString, word);
        QFETCH(bool, correct);
        QFETCH(QString, suggested);
        const SpellLanguage portuguese = SpellDictionaries({s_dictionaries}).language(u"pt_PT"_s);
        const std::unique_ptr<SpellChecker> checker = SpellChecker::load(portuguese);
        QVERIFY(checker);
        QCOMPARE(checker->isCorrect(word), correct);
        if (!suggested.isEmpty())
            QVERIFY2(checker->suggestions(word).contains(suggested),
                     qPrintable(checker->suggestions(word).join(u", ")));
    }

    void dictionariesFoundAndNamed()
    {
        const SpellDictionaries found({s_dictionaries, s_dictionaries + QStringLiteral("/none")});
        // A hyphenation list beside them is no dictionary.
        QCOMPARE(test::valuesOf(found.languages(), &SpellLanguage::code),
                 (QStringList{u"en_US"_s, u"pt_PT"_s}));
        QCOMPARE(found.language(u"pt_PT"_s).name, u"Português (Portugal)"_s);
        QVERIFY(!found.language(u"de_DE"_s).isValid());
    }

    void ownWordsAndLanguageSurviveARestart()
    {
        QTemporaryDir folder;
        {
            // Painting waits on Qt's shared pool: dictionaries load elsewhere.
            const test::HeldSharedPool busy;
            const auto service = serviceIn(folder.path());
            QCOMPARE(service->defaultLanguage(), u"pt_PT"_s);
            const auto checker = loadedChecker(*service, u"pt_PT"_s);
            QVERIFY(checker);
            QVERIFY(!checker->isCorrect(u"Vesk"));
            QVERIFY(service->addWord(u"Vesk"_s));
            QVERIFY(service->addWord(u"Sintrão"_s));
            QVERIFY(!service->addWord(u"duas palavras"_s));
            QVERIFY(checker->isCorrect(u"Vesk"));
            service->rememberLanguage(u"en_US"_s);
        }
        QCOMPARE(test::readFile(folder.filePath(u"personal-words.txt"_s)),
                 QByteArray("Sintrão\nVesk\n"));
        const auto service = serviceIn(folder.path());
        QCOMPARE(service->defaultLanguage(), u"en_US"_s);
        const auto checker = loadedChecker(*service, u"pt_PT"_s);
        QVERIFY(checker);
        QVERIFY(checker->isCorrect(u"Vesk"));
        QVERIFY(checker->isCorrect(u"Sintrão"));
        QVERIFY(!checker->isCorrect(u"Vesq"));
    }

    void damagedWordListReadSafely()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"personal-words.txt"_s);
        const QByteArray damaged = QByteArray("Vesk\n\xff\xfe broken\ntwo words\n") +
                                   QByteArray(2 << 20, 'x') + QByteArray("\nlast\n");
        QVERIFY(test::writeFile(path, damaged));
        PersonalDictionary words(folder.path());
        QCOMPARE(words.words(), QStringList{u"Vesk"_s});
        QVERIFY(words.add(u"Óbidos"_s));
        QCOMPARE(words.words(), (QStringList{u"Vesk"_s, u"Óbidos"_s}));
        // What could not be read is kept as it was, beside the new list.
        QCOMPARE(test::readFile(folder.filePath(u"personal-words.damaged.txt"_s)), damaged);
        QCOMPARE(PersonalDictionary(folder.path()).words(), words.words());
    }
};

QTEST_GUILESS_MAIN(TestSpellChecker)
#include "tst_spellchecker.moc"
