// vesk-demo against a Google-compatible server that is already running (here
// the stand-in, in this process, so its request log can be read): the OAuth
// flow, the first syncs and a periodic sync of both accounts, in a window on
// the Xvfb display, without touching the user's settings, cache or keyring.

#include "DemoSandbox.h"
#include "DemoSeed.h"
#include "FakeGoogle.h"
#include "X11Windows.h"

#include <QApplication>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <libsecret/secret.h>

using vesk::fakegoogle::DemoSeed;
using vesk::fakegoogle::FakeGoogle;
using vesk::fakegoogle::RecordedRequest;
using vesk::test::X11Windows;
using namespace Qt::StringLiterals;

namespace {

const QStringList s_accounts{QString::fromLatin1(DemoSeed::firstAccount),
                             QString::fromLatin1(DemoSeed::secondAccount)};

/// Every item the program's keychain schema can see, as "service/account".
QSet<QString> programKeyringItems()
{
    static const SecretSchema schema{"app.orvendo.vesk.Secret",
                                     SECRET_SCHEMA_NONE,
                                     {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                      {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                      {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                     0,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};
    GError* error = nullptr;
    GList* found = secret_password_search_sync(&schema, SECRET_SEARCH_ALL, nullptr, &error,
                                               static_cast<const char*>(nullptr));
    QSet<QString> items;
    if (error) {
        items.insert(u"error: "_s + QString::fromUtf8(error->message));
        g_error_free(error);
    }
    for (GList* node = found; node; node = node->next) {
        GHashTable* attributes =
            secret_retrievable_get_attributes(static_cast<SecretRetrievable*>(node->data));
        const auto value = [attributes](const char* key) {
            return QString::fromUtf8(
                static_cast<const char*>(g_hash_table_lookup(attributes, key)));
        };
        items.insert(value("service") + u'/' + value("account"));
        g_hash_table_unref(attributes);
    }
    g_list_free_full(found, g_object_unref);
    return items;
}

QString bearer(const RecordedRequest& request)
{
    return QString::fromLatin1(request.header("Authorization"));
}

/// The bearer tokens seen on `path`, in order of first use.
QStringList tokensOn(const QList<RecordedRequest>& log, const QString& path)
{
    QStringList tokens;
    for (const RecordedRequest& request : log) {
        if (request.path == path && !tokens.contains(bearer(request)))
            tokens.append(bearer(request));
    }
    return tokens;
}

qsizetype firstIndex(const QList<RecordedRequest>& log, const QString& path, const QString& token)
{
    for (qsizetype i = 0; i < log.size(); ++i) {
        if (log.at(i).path == path && bearer(log.at(i)) == token)
            return i;
    }
    return -1;
}

QStringList vestigesIn(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.mid(folder.size()).contains(u"vesk"_s, Qt::CaseInsensitive) ||
            path.mid(folder.size()).contains(u"orvendo"_s, Qt::CaseInsensitive))
            found.append(path);
    }
    return found;
}

/// The message ids in a cache file; none while it is missing or unreadable.
QSet<QString> cachedIds(const QString& cacheFile)
{
    QFile file(cacheFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList ids =
        QJsonDocument::fromJson(file.readAll()).object().value(u"summaries"_s).toObject().keys();
    return QSet<QString>(ids.cbegin(), ids.cend());
}

} // namespace

class DemoTest : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "xcb"); }

private Q_SLOTS:
    void runsAgainstAGivenServerInAThrowawayProfile()
    {
        FakeGoogle google;
        DemoSeed::apply(google);
        QVERIFY(google.start());
        QTemporaryDir sandbox;
        QVERIFY(sandbox.isValid());
        const QSet<QString> keyringBefore = programKeyringItems();
        QProcessEnvironment env = vesk::test::demoEnvironment(sandbox.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"QT_XCB_GL_INTEGRATION"_s, u"none"_s);
        QProcess demo;
        demo.setProcessEnvironment(env);
        demo.setProcessChannelMode(QProcess::SeparateChannels);
        QString output;
        connect(&demo, &QProcess::readyReadStandardOutput, this,
                [&] { output += QString::fromUtf8(demo.readAllStandardOutput()); });
        connect(&demo, &QProcess::readyReadStandardError, this,
                [&] { std::fputs(demo.readAllStandardError().constData(), stderr); });
        demo.start(QStringLiteral(VESK_DEMO_BINARY),
                   vesk::test::demoArguments(google.baseUrl(), 2));
        QVERIFY(demo.waitForStarted());

        // Both accounts linked, in a window on the display.
        QTRY_VERIFY_WITH_TIMEOUT(output.contains(u"linked "_s + s_accounts.at(0)) &&
                                     output.contains(u"linked "_s + s_accounts.at(1)),
                                 180000);
        QTRY_VERIFY_WITH_TIMEOUT(X11Windows::topWindowOf(demo.processId()).has_value(), 60000);
        QVERIFY(X11Windows::title(*X11Windows::topWindowOf(demo.processId())).contains(u"VESK"_s));
        // A periodic sync of each account follows its first sync.
        const QString history = u"/gmail/v1/users/me/history"_s;
        QTRY_VERIFY_WITH_TIMEOUT(tokensOn(google.requests(), history).size() == 2, 60000);
        demo.terminate();
        QVERIFY(demo.waitForFinished(60000));

        const QList<RecordedRequest> log = google.requests();
        QStringList hinted;
        for (const RecordedRequest& request : log) {
            if (request.path == u"/o/oauth2/v2/auth"_s) {
                QCOMPARE(request.queryValues(u"code_challenge_method"_s), QStringList{u"S256"_s});
                hinted += request.queryValues(u"login_hint"_s);
            }
        }
        QCOMPARE(hinted, s_accounts);
        int exchanges = 0;
        for (const RecordedRequest& request : log) {
            const QUrlQuery form(QString::fromUtf8(request.body));
            if (request.path == u"/token"_s &&
                form.queryItemValue(u"grant_type"_s) == u"authorization_code"_s) {
                QVERIFY(!form.queryItemValue(u"code_verifier"_s).isEmpty());
                ++exchanges;
            }
        }
        QCOMPARE(exchanges, 2);
        QCOMPARE(tokensOn(log, u"/v1/userinfo"_s).size(), 2);
        const QStringList firstSyncs = tokensOn(log, u"/gmail/v1/users/me/messages"_s);
        QCOMPARE(firstSyncs.size(), 2);
        for (const QString& token : firstSyncs) {
            const qsizetype periodic = firstIndex(log, history, token);
            QVERIFY(periodic > firstIndex(log, u"/gmail/v1/users/me/messages"_s, token));
        }

        QCOMPARE(vestigesIn(sandbox.filePath(u"home"_s)), QStringList());
        QCOMPARE(programKeyringItems(), keyringBefore);
    }

    /// A named profile outlives the run. The next run's stand-in is seeded
    /// afresh, with other message ids and a history the kept cache's id does
    /// not belong to: the first sync starts over in full, and the cache ends
    /// as the new mailbox, not as a mix of both.
    void keepsANamedProfileAcrossRuns()
    {
        QTemporaryDir sandbox;
        QVERIFY(sandbox.isValid());
        const QString profile = sandbox.filePath(u"perfil"_s);
        const QString& account = s_accounts.at(0);
        const QString cache = profile + u"/cache/"_s + account + u"/cache.json"_s;
        const auto run = [&](FakeGoogle& google, const auto& whileRunning) {
            QProcess demo;
            QProcessEnvironment env = vesk::test::demoEnvironment(sandbox.path());
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
            demo.setProcessEnvironment(env);
            QStringList arguments = vesk::test::demoArguments(google.baseUrl(), 600);
            arguments.remove(arguments.indexOf(u"--accounts"_s), 2);
            arguments << u"--accounts"_s << u"1"_s << u"--profile"_s << profile;
            QString output;
            connect(&demo, &QProcess::readyReadStandardOutput, this,
                    [&] { output += QString::fromUtf8(demo.readAllStandardOutput()); });
            connect(&demo, &QProcess::readyReadStandardError, this,
                    [&] { std::fputs(demo.readAllStandardError().constData(), stderr); });
            demo.start(QStringLiteral(VESK_DEMO_BINARY), arguments);
            QVERIFY(demo.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(output.contains(u"linked "_s + account), 180000);
            whileRunning();
            demo.terminate();
            QVERIFY(demo.waitForFinished(60000));
        };

        QSet<QString> firstRun;
        {
            FakeGoogle google;
            DemoSeed::apply(google);
            QVERIFY(google.start());
            run(google, [&] { QTRY_VERIFY_WITH_TIMEOUT(!cachedIds(cache).isEmpty(), 60000); });
            firstRun = cachedIds(cache);
        }
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QFile::exists(profile + u"/vesk.ini"_s));

        FakeGoogle google;
        DemoSeed::apply(google);
        QVERIFY(google.start());
        const QStringList mailbox = google.messageIds(account);
        const QSet<QString> fresh(mailbox.cbegin(), mailbox.cend());
        QVERIFY(!fresh.intersects(firstRun));
        run(google, [&] {
            QTRY_VERIFY_WITH_TIMEOUT(
                !cachedIds(cache).isEmpty() && cachedIds(cache).subtract(fresh).isEmpty(), 60000);
        });
        if (QTest::currentTestFailed())
            return;
        // The kept cache's history id was tried first, and a full sync (which
        // starts from the profile) followed its refusal.
        QStringList paths;
        for (const RecordedRequest& request : google.requests())
            paths.append(request.path);
        const qsizetype history = paths.indexOf(u"/gmail/v1/users/me/history"_s);
        QVERIFY(history >= 0);
        QVERIFY(paths.indexOf(u"/gmail/v1/users/me/profile"_s, history) > history);
    }

    /// Both programs answer --help and --version anywhere: no display, no
    /// session bus, nothing started.
    void optionsAnswerWithoutADisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("name");
        QTest::newRow("vesk") << QStringLiteral(VESK_BINARY) << u"vesk"_s;
        QTest::newRow("vesk-demo") << QStringLiteral(VESK_DEMO_BINARY) << u"vesk-demo"_s;
    }

    void optionsAnswerWithoutADisplay()
    {
        QFETCH(QString, program);
        QFETCH(QString, name);
        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                     "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"})
            bare.remove(QString::fromLatin1(variable));
        const auto run = [&](const QString& option) {
            QProcess process;
            process.setProcessEnvironment(bare);
            process.start(program, {option});
            if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
                return std::pair{-1, QString()};
            return std::pair{process.exitCode(),
                             QString::fromUtf8(process.readAllStandardOutput())};
        };
        const auto [helpCode, help] = run(u"--help"_s);
        QCOMPARE(helpCode, 0);
        QVERIFY2(help.contains(u"--version"_s) && help.contains(u"--help"_s), qPrintable(help));
        const auto [versionCode, version] = run(u"--version"_s);
        QCOMPARE(versionCode, 0);
        QCOMPARE(version.trimmed(), name + u' ' + QStringLiteral(VESK_VERSION));
    }

    /// A server that signs in its own account whatever the login hint asks:
    /// the demo says which account it really linked, never the one it asked for.
    void reportsTheAccountsItActuallyLinked()
    {
        FakeGoogle google;
        DemoSeed::apply(google);
        google.setConsentAccount(s_accounts.at(1));
        QVERIFY(google.start());
        QTemporaryDir sandbox;
        QVERIFY(sandbox.isValid());
        QProcess demo;
        QProcessEnvironment env = vesk::test::demoEnvironment(sandbox.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        demo.setProcessEnvironment(env);
        QStringList arguments = vesk::test::demoArguments(google.baseUrl(), 600);
        const qsizetype accounts = arguments.indexOf(u"--accounts"_s);
        arguments.remove(accounts, 2);
        arguments << u"--account"_s << s_accounts.at(1) << u"--account"_s << s_accounts.at(0);
        QString output;
        QString errors;
        connect(&demo, &QProcess::readyReadStandardOutput, this,
                [&] { output += QString::fromUtf8(demo.readAllStandardOutput()); });
        connect(&demo, &QProcess::readyReadStandardError, this,
                [&] { errors += QString::fromUtf8(demo.readAllStandardError()); });
        demo.start(QStringLiteral(VESK_DEMO_BINARY), arguments);
        QVERIFY(demo.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(output.count(u"linked "_s) == 2, 180000);
        demo.terminate();
        QVERIFY(demo.waitForFinished(60000));

        QCOMPARE(output.count(u"linked "_s + s_accounts.at(1)), 2);
        QVERIFY(!output.contains(s_accounts.at(0)));
        QVERIFY2(errors.contains(u"asked the server for "_s + s_accounts.at(0)),
                 qPrintable(errors));
        QVERIFY(errors.contains(u"(already linked)"_s));
        QStringList hinted;
        for (const RecordedRequest& request : google.requests()) {
            if (request.path == u"/o/oauth2/v2/auth"_s)
                hinted += request.queryValues(u"login_hint"_s);
        }
        QCOMPARE(hinted, (QStringList{s_accounts.at(1), s_accounts.at(0)}));
    }
};

QTEST_MAIN(DemoTest)
#include "tst_demo.moc"
