// Our programs as separate processes on the Xvfb display and the private
// session bus. vesk-demo against a Google-compatible server that is already
// running (here the stand-in, in this process, so its request log can be
// read): the OAuth flow, the first syncs and periodic syncs of both accounts,
// in a window, without touching the user's settings, cache or keyring, and
// without a token or the client secret in a file or the output. A second
// start of vesk hands its mail address to the first, raises its window and
// leaves; the single-instance guard's calls between two connections to the
// bus, within this process.

#include "DemoSeed.h"
#include "FakeGoogle.h"
#include "TestFiles.h"
#include "ValuesOf.h"
#include "model/MailJson.h"
#include "platform/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDirIterator>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrlQuery>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdlib>
#include <libsecret/secret.h>
#include <vector>
#include <xcb/xcb.h>

using vesk::SingleInstance;
using vesk::fakegoogle::DemoSeed;
using vesk::fakegoogle::FakeGoogle;
using vesk::fakegoogle::RecordedRequest;
using namespace Qt::StringLiterals;

namespace {

const QStringList s_accounts{QString::fromLatin1(DemoSeed::firstAccount),
                             QString::fromLatin1(DemoSeed::secondAccount)};

/// A run of one of our programs kept out of the user's world: HOME and
/// TMPDIR (where the demo makes its throwaway profile) under `sandbox`, no
/// XDG folders of the caller's, its standard output and error collected apart.
struct Run
{
    QProcess process;
    QByteArray output;
    QByteArray errors;

    Run(const QString& program, const QString& sandbox, const QStringList& arguments,
        const QStringList& variables = {u"QT_QPA_PLATFORM=offscreen"_s})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& folder : {u"home"_s, u"tmp"_s})
            QDir(sandbox).mkpath(folder);
        env.insert(u"HOME"_s, sandbox + u"/home"_s);
        env.insert(u"TMPDIR"_s, sandbox + u"/tmp"_s);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            env.remove(QString::fromLatin1(name));
        for (const QString& variable : variables)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        process.setProcessEnvironment(env);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                         [this] { output += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError, &process,
                         [this] { errors += process.readAllStandardError(); });
        process.start(program, arguments);
    }

    bool linked(const QString& account) const
    {
        return output.contains(QByteArray("linked " + account.toUtf8()));
    }

    bool stop()
    {
        process.terminate();
        return process.waitForFinished(60000);
    }
};

/// The demo's arguments for the stand-in with the demo client, syncing
/// every `syncSeconds`.
QStringList demoArguments(const FakeGoogle& google, int syncSeconds)
{
    return {u"--google"_s,        google.baseUrl().toString(),
            u"--client-id"_s,     QString::fromLatin1(DemoSeed::clientId),
            u"--client-secret"_s, QString::fromLatin1(DemoSeed::clientSecret),
            u"--sync-every"_s,    QString::number(syncSeconds)};
}

const QString s_demo = QStringLiteral(VESK_DEMO_BINARY);

bool seedAndStart(FakeGoogle& google)
{
    DemoSeed::apply(google);
    return google.start();
}

// What the X server shows, read straight from it: the programs run as
// separate processes, whose windows the test sees only this way.
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t* x11()
{
    const auto* app = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return app ? app->connection() : nullptr;
}

/// The root's children, bottom of the stack first.
std::vector<xcb_window_t> stack(xcb_connection_t* c)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr),
                                       &std::free);
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

/// The top-most mapped top-level window of process `pid`, if any.
std::optional<std::uint32_t> topWindowOf(qint64 pid)
{
    xcb_connection_t* c = x11();
    if (!c)
        return std::nullopt;
    Reply<xcb_intern_atom_reply_t> pidAtom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 11, "_NET_WM_PID"), nullptr), &std::free);
    std::optional<std::uint32_t> top;
    for (const xcb_window_t window : stack(c)) {
        Reply<xcb_get_property_reply_t> property(
            xcb_get_property_reply(
                c,
                xcb_get_property(c, 0, window, pidAtom ? pidAtom->atom : xcb_atom_t(XCB_ATOM_NONE),
                                 XCB_ATOM_CARDINAL, 0, 1),
                nullptr),
            &std::free);
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr),
            &std::free);
        if (property && xcb_get_property_value_length(property.get()) == 4 &&
            *static_cast<const std::uint32_t*>(xcb_get_property_value(property.get())) ==
                std::uint32_t(pid) &&
            attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            top = window;
    }
    return top;
}

/// Position among the root's children, bottom first; -1 when absent.
int stackingIndex(std::uint32_t window)
{
    const std::vector<xcb_window_t> children = x11() ? stack(x11()) : std::vector<xcb_window_t>{};
    const auto found = std::find(children.begin(), children.end(), window);
    return found == children.end() ? -1 : int(found - children.begin());
}

const QString s_busName = u"app.orvendo.Vesk"_s;

uint busOwnerPid()
{
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(s_busName);
    return pid.isValid() ? pid.value() : 0;
}

/// Every item the program's keychain schema can see, as "service/account".
QSet<QString> programKeyringItems()
{
    SecretSchema schema{};
    schema.name = "app.orvendo.vesk.Secret";
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
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

/// The accounts the consent pages were asked for, in order. Only pages that
/// a PKCE verifier protects count.
QStringList loginHints(const QList<RecordedRequest>& log)
{
    QStringList hinted;
    for (const RecordedRequest& request : log) {
        if (request.path == u"/o/oauth2/v2/auth"_s &&
            request.queryValues(u"code_challenge_method"_s) == QStringList{u"S256"_s})
            hinted += request.queryValues(u"login_hint"_s);
    }
    return hinted;
}

/// The bearer tokens seen on `path`.
QSet<QByteArray> tokensOn(const QList<RecordedRequest>& log, const QString& path)
{
    QSet<QByteArray> tokens;
    for (const RecordedRequest& request : log) {
        if (request.path == path)
            tokens.insert(request.header("Authorization"));
    }
    return tokens;
}

/// What the requests to the token endpoint with this grant carried.
QList<QUrlQuery> tokenForms(const QList<RecordedRequest>& log, const QString& grant)
{
    QList<QUrlQuery> forms;
    for (const RecordedRequest& request : log) {
        const QUrlQuery form(QString::fromUtf8(request.body));
        if (request.path == u"/token"_s && form.queryItemValue(u"grant_type"_s) == grant)
            forms.append(form);
    }
    return forms;
}

/// Every access and refresh token the program sent the stand-in.
QSet<QByteArray> tokensUsed(const QList<RecordedRequest>& log)
{
    QSet<QByteArray> tokens;
    for (const RecordedRequest& request : log) {
        if (request.header("Authorization").startsWith("Bearer "))
            tokens.insert(request.header("Authorization").mid(7));
    }
    for (const QUrlQuery& form : tokenForms(log, u"refresh_token"_s))
        tokens.insert(form.queryItemValue(u"refresh_token"_s, QUrl::FullyDecoded).toUtf8());
    return tokens;
}

/// The secrets found in `bytes`, as written or in the encodings a careless
/// writer would use (percent-encoded, base64).
QStringList leaks(const QByteArray& bytes, const QSet<QByteArray>& secrets)
{
    QStringList found;
    for (const QByteArray& secret : secrets) {
        for (const QByteArray& form : {secret, secret.toPercentEncoding(), secret.toBase64()}) {
            if (bytes.contains(form)) {
                found.append(QString::fromLatin1(secret));
                break;
            }
        }
    }
    return found;
}

/// Every file under `folder`, by path, with what it holds.
QHash<QString, QByteArray> contentsUnder(const QString& folder)
{
    QHash<QString, QByteArray> files;
    for (const QString& path : vesk::test::filesUnder(folder))
        files.insert(path, vesk::test::readFile(path));
    return files;
}

QStringList vestigesIn(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(folder.size());
        if (path.contains(u"vesk"_s, Qt::CaseInsensitive) ||
            path.contains(u"orvendo"_s, Qt::CaseInsensitive))
            found.append(path);
    }
    return found;
}

/// The message ids in a cache file; none while it is missing or unreadable.
QSet<QString> cachedIds(const QString& cacheFile)
{
    const auto state = vesk::MailJson::decodeCache(vesk::test::readFile(cacheFile));
    const QStringList ids = state ? state->summaries.keys() : QStringList();
    return QSet<QString>(ids.cbegin(), ids.cend());
}

// Not the program's own name, which the programs started here take.
const QString s_service = u"app.orvendo.VeskTest.SingleInstance"_s;
const QString s_path = u"/app/orvendo/VeskTest"_s;

/// What a later start on a connection of its own claims. It blocks until
/// the owner answers, so it runs on a thread while this one answers.
SingleInstance::Claim claimElsewhere(const QString& connection, const QStringList& uris)
{
    SingleInstance::Claim claim = SingleInstance::Claim::Unguarded;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        SingleInstance later(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection),
                             s_service, s_path);
        claim = later.claim(uris);
    }));
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
    QDBusConnection::disconnectFromBus(connection);
    return claim;
}

} // namespace

class TestPrograms : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "xcb"); }

private Q_SLOTS:
    void runsAgainstAGivenServerInAThrowawayProfile()
    {
        FakeGoogle google;
        // Short-lived access tokens, so that the run refreshes and handles
        // more than one of each kind.
        google.setTokenLifetime(std::chrono::seconds(65));
        QVERIFY(seedAndStart(google));
        QTemporaryDir sandbox;
        const QSet<QString> keyringBefore = programKeyringItems();
        // Everything the program may say about itself goes into the output,
        // but the X connection's chatter, which holds no secret.
        Run demo(s_demo, sandbox.path(), demoArguments(google, 2) << u"--accounts"_s << u"2"_s,
                 {u"QT_QPA_PLATFORM=xcb"_s, u"QT_XCB_GL_INTEGRATION=none"_s,
                  u"QT_LOGGING_RULES=*.debug=true;qt.qpa.*=false"_s});
        QVERIFY(demo.process.waitForStarted());

        // Both accounts linked, in a window on the display.
        QTRY_VERIFY_WITH_TIMEOUT(demo.linked(s_accounts.at(0)) && demo.linked(s_accounts.at(1)),
                                 180000);
        QTRY_VERIFY_WITH_TIMEOUT(topWindowOf(demo.process.processId()).has_value(), 60000);
        // Periodic syncs follow the first ones: each account refreshes its
        // token, within a minute of its end, before one.
        const auto refreshed = [&google] {
            QSet<QString> accounts;
            for (const QUrlQuery& form : tokenForms(google.requests(), u"refresh_token"_s))
                accounts.insert(form.queryItemValue(u"refresh_token"_s));
            return accounts.size();
        };
        QTRY_COMPARE_WITH_TIMEOUT(refreshed(), 2, 120000);
        // The first tokens and the refreshed ones, on the periodic syncs.
        const QString history = u"/gmail/v1/users/me/history"_s;
        QTRY_VERIFY_WITH_TIMEOUT(tokensOn(google.requests(), history).size() >= 4, 120000);
        // While it runs: the throwaway profile with its settings and caches.
        const QHash<QString, QByteArray> running = contentsUnder(sandbox.path());
        QVERIFY(demo.stop());
        const QHash<QString, QByteArray> after = contentsUnder(sandbox.path());

        const QList<RecordedRequest> log = google.requests();
        QCOMPARE(loginHints(log), s_accounts);
        const QList<QUrlQuery> exchanges = tokenForms(log, u"authorization_code"_s);
        QCOMPARE(exchanges.size(), 2);
        for (const QUrlQuery& form : exchanges)
            QVERIFY(!form.queryItemValue(u"code_verifier"_s).isEmpty());
        QCOMPARE(tokensOn(log, u"/v1/userinfo"_s).size(), 2);
        QVERIFY(tokensOn(log, u"/gmail/v1/users/me/messages"_s).size() >= 2);

        QCOMPARE(vestigesIn(sandbox.filePath(u"home"_s)), QStringList());
        QCOMPARE(programKeyringItems(), keyringBefore);

        QSet<QByteArray> secrets = tokensUsed(log);
        QVERIFY2(secrets.size() >= 6, "two accounts' first and refreshed tokens");
        secrets.insert(DemoSeed::clientSecret);
        QStringList seen;
        for (const auto& files : {running, after}) {
            for (auto file = files.begin(); file != files.end(); ++file) {
                seen.append(file.key());
                QCOMPARE(file.key() + u": "_s + leaks(file.value(), secrets).join(u", "_s),
                         file.key() + u": "_s);
            }
        }
        // The search looked where the program keeps its state.
        QVERIFY(!seen.filter(u".ini"_s).isEmpty() && !seen.filter(u"cache.json"_s).isEmpty());
        QCOMPARE(leaks(demo.output + demo.errors, secrets), QStringList());
    }

    /// A named profile outlives the run. The next run's stand-in is seeded
    /// afresh, with other message ids and a history the kept cache's id does
    /// not belong to: the first sync starts over in full, and the cache ends
    /// as the new mailbox, not as a mix of both.
    void keepsANamedProfileAcrossRuns()
    {
        QTemporaryDir sandbox;
        const QString profile = sandbox.filePath(u"perfil"_s);
        const QString& account = s_accounts.at(0);
        const QString cache = profile + u"/cache/"_s + account + u"/cache.json"_s;
        const auto run = [&](FakeGoogle& google, const auto& whileRunning) {
            Run demo(s_demo, sandbox.path(),
                     demoArguments(google, 600)
                         << u"--accounts"_s << u"1"_s << u"--profile"_s << profile);
            QVERIFY(demo.process.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(demo.linked(account), 180000);
            whileRunning();
            QVERIFY(demo.stop());
        };

        QSet<QString> firstRun;
        {
            FakeGoogle google;
            QVERIFY(seedAndStart(google));
            run(google, [&] { QTRY_VERIFY_WITH_TIMEOUT(!cachedIds(cache).isEmpty(), 60000); });
            firstRun = cachedIds(cache);
        }
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QFile::exists(profile + u"/vesk.ini"_s));

        FakeGoogle google;
        QVERIFY(seedAndStart(google));
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
        const QStringList paths = vesk::test::valuesOf(google.requests(), &RecordedRequest::path);
        const qsizetype history = paths.indexOf(u"/gmail/v1/users/me/history"_s);
        QVERIFY(history >= 0);
        QVERIFY(paths.indexOf(u"/gmail/v1/users/me/profile"_s, history) > history);
    }

    /// Both programs answer --help and --version anywhere: no display, no
    /// session bus, nothing started.
    void optionsAnswerWithoutADisplay_data()
    {
        QTest::addColumn<QString>("program"); // each named as it calls itself
        QTest::newRow("vesk") << QStringLiteral(VESK_BINARY);
        QTest::newRow("vesk-demo") << s_demo;
    }

    void optionsAnswerWithoutADisplay()
    {
        QFETCH(QString, program);
        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                     "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"})
            bare.remove(QString::fromLatin1(variable));
        const auto run = [&](const QString& option) {
            QProcess process;
            process.setProcessEnvironment(bare);
            process.start(program, {option});
            const bool ok = process.waitForFinished(60000) &&
                            process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
            return ok ? QString::fromUtf8(process.readAllStandardOutput()) : u"(failed)"_s;
        };
        const QString help = run(u"--help"_s);
        QVERIFY2(help.contains(u"--version"_s) && help.contains(u"--help"_s), qPrintable(help));
        QCOMPARE(run(u"--version"_s).trimmed(), QString::fromLatin1(QTest::currentDataTag()) +
                                                    u' ' + QStringLiteral(VESK_VERSION));
    }

    /// A server that signs in its own account whatever the login hint asks:
    /// the demo says which account it really linked, never the one it asked for.
    /// A mailto: address on the command line then opens a filled composer
    /// from the account selected.
    void reportsTheAccountsItActuallyLinked()
    {
        FakeGoogle google;
        google.setConsentAccount(s_accounts.at(1));
        QVERIFY(seedAndStart(google));
        QTemporaryDir sandbox;
        Run demo(s_demo, sandbox.path(),
                 demoArguments(google, 600)
                     << u"--account"_s << s_accounts.at(1) << u"--account"_s << s_accounts.at(0)
                     << u"mailto:ana@x.pt,rui@y.pt?cc=c@z.pt&subject=Ol%C3%A1"_s);
        QVERIFY(demo.process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(demo.output.count("linked ") == 2, 180000);
        const QByteArray writing =
            "vesk-demo: writing to ana@x.pt, rui@y.pt from " + s_accounts.at(1).toUtf8() + '\n';
        QTRY_VERIFY_WITH_TIMEOUT(demo.output.contains(writing), 30000);
        QVERIFY(demo.stop());

        const QString output = QString::fromUtf8(demo.output);
        const QString errors = QString::fromUtf8(demo.errors);
        QCOMPARE(output.count(u"linked "_s + s_accounts.at(1)), 2);
        QVERIFY(!output.contains(s_accounts.at(0)));
        QVERIFY2(errors.contains(u"asked the server for "_s + s_accounts.at(0)),
                 qPrintable(errors));
        QVERIFY(errors.contains(u"(already linked)"_s));
        QCOMPARE(loginHints(google.requests()), (QStringList{s_accounts.at(1), s_accounts.at(0)}));
    }

    void secondStartRaisesTheFirstAndLeaves()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "the tests need a session bus");
        QTemporaryDir home;

        QDBusServiceWatcher watcher(s_busName, QDBusConnection::sessionBus(),
                                    QDBusServiceWatcher::WatchForRegistration);
        QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
        // No GL driver: the sanitizer build would count what one leaves
        // behind when it is unloaded at exit.
        const QStringList xcb{u"QT_QPA_PLATFORM=xcb"_s, u"QT_XCB_GL_INTEGRATION=none"_s};
        Run firstRun(QStringLiteral(VESK_BINARY), home.path(), {}, xcb);
        QProcess& first = firstRun.process;
        QVERIFY(first.waitForStarted());
        QVERIFY(registered.wait(120000));
        QCOMPARE(busOwnerPid(), uint(first.processId()));
        QTRY_VERIFY_WITH_TIMEOUT(topWindowOf(first.processId()).has_value(), 120000);
        const std::uint32_t window = *topWindowOf(first.processId());

        // Another window covers the program's.
        QWidget cover;
        cover.resize(400, 300);
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        const auto coverId = std::uint32_t(cover.winId());
        QTRY_VERIFY(stackingIndex(coverId) > stackingIndex(window));

        // Started as the desktop starts it for a mail address: the address
        // goes to the first through the bus, which comes to the front.
        Run secondRun(QStringLiteral(VESK_BINARY), home.path(),
                      {u"mailto:ana@x.pt?subject=Ol%C3%A1"_s}, xcb);
        QProcess& second = secondRun.process;
        QVERIFY(second.waitForFinished(120000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(stackingIndex(window) > stackingIndex(coverId), 30000);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(busOwnerPid(), uint(first.processId()));

        first.terminate();
        QVERIFY(first.waitForFinished(60000));
    }

    void laterStartsHandOverAndLeave()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "the tests need a session bus");
        SingleInstance first(QDBusConnection::sessionBus(), s_service, s_path);
        QCOMPARE(first.claim(), SingleInstance::Claim::Owner);
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QSignalSpy opened(&first, &SingleInstance::openRequested);

        const QStringList uris{u"mailto:ana@x.pt,rui@y.pt?subject=Ol%C3%A1"_s, u"mailto:c@z.pt"_s};
        QCOMPARE(claimElsewhere(u"second"_s, uris), SingleInstance::Claim::ActivatedOther);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).at(0).toStringList(), uris);
        QCOMPARE(activated.size(), 1);

        // Started without an address: the window comes forward, nothing opens.
        QCOMPARE(claimElsewhere(u"third"_s, {}), SingleInstance::Claim::ActivatedOther);
        QCOMPARE(activated.size(), 2);
        QCOMPARE(opened.size(), 1);
    }
};

QTEST_MAIN(TestPrograms)
#include "tst_programs.moc"
