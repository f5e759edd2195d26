// Where Google's secrets may go: a whole demo run (two accounts linked, first
// syncs, periodic syncs, access tokens refreshed) against the stand-in, and
// then every file under the profile and the home, the settings file among
// them, and everything the program printed, searched for each access token,
// refresh token and the client secret the run handled.

#include "DemoSandbox.h"
#include "DemoSeed.h"
#include "FakeGoogle.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using vesk::fakegoogle::DemoSeed;
using vesk::fakegoogle::FakeGoogle;
using vesk::fakegoogle::RecordedRequest;
using namespace Qt::StringLiterals;

namespace {

/// Every access and refresh token the program sent the stand-in.
QSet<QByteArray> tokensUsed(const QList<RecordedRequest>& log)
{
    QSet<QByteArray> tokens;
    for (const RecordedRequest& request : log) {
        const QByteArray bearer = request.header("Authorization");
        if (bearer.startsWith("Bearer "))
            tokens.insert(bearer.mid(7));
        if (request.path == u"/token"_s) {
            const QUrlQuery form(QString::fromUtf8(request.body));
            const QString refresh = form.queryItemValue(u"refresh_token"_s, QUrl::FullyDecoded);
            if (!refresh.isEmpty())
                tokens.insert(refresh.toUtf8());
        }
    }
    return tokens;
}

struct FileContents
{
    QString path;
    QByteArray bytes;
};

QList<FileContents> filesUnder(const QString& folder)
{
    QList<FileContents> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.append({file.fileName(), file.readAll()});
    }
    return files;
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

} // namespace

class DemoSecretsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noTokenOrClientSecretLeavesTheProcess()
    {
        FakeGoogle google;
        DemoSeed::apply(google);
        // Short-lived access tokens, so that the run refreshes and handles
        // more than one of each kind.
        google.setTokenLifetime(std::chrono::seconds(65));
        QVERIFY(google.start());
        QTemporaryDir sandbox;
        QVERIFY(sandbox.isValid());
        QProcessEnvironment env = vesk::test::demoEnvironment(sandbox.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"QT_QPA_OFFSCREEN_NO_GLX"_s, u"1"_s);
        // Everything the program may say about itself goes into the output.
        env.insert(u"QT_LOGGING_RULES"_s, u"*.debug=true"_s);
        QProcess demo;
        demo.setProcessEnvironment(env);
        demo.setProcessChannelMode(QProcess::MergedChannels);
        QByteArray output;
        connect(&demo, &QProcess::readyReadStandardOutput, this,
                [&] { output += demo.readAllStandardOutput(); });
        demo.start(QStringLiteral(VESK_DEMO_BINARY),
                   vesk::test::demoArguments(google.baseUrl(), 2));
        QVERIFY(demo.waitForStarted());

        const auto refreshes = [&] {
            int count = 0;
            for (const RecordedRequest& request : google.requests())
                count += request.path == u"/token"_s &&
                         request.body.contains("grant_type=refresh_token");
            return count;
        };
        const QByteArray firstLinked = "linked " + QByteArray(DemoSeed::firstAccount);
        const QByteArray secondLinked = "linked " + QByteArray(DemoSeed::secondAccount);
        QTRY_VERIFY_WITH_TIMEOUT(output.contains(firstLinked) && output.contains(secondLinked),
                                 180000);
        // Tokens within a minute of their end are refreshed before a sync.
        QTRY_VERIFY_WITH_TIMEOUT(refreshes() >= 2, 120000);

        // While it runs: the throwaway profile with its settings and caches.
        const QList<FileContents> running = filesUnder(sandbox.path());
        demo.terminate();
        QVERIFY(demo.waitForFinished(60000));
        output += demo.readAll();
        const QList<FileContents> after = filesUnder(sandbox.path());

        QSet<QByteArray> secrets = tokensUsed(google.requests());
        QVERIFY2(secrets.size() >= 6, "two accounts' first and refreshed tokens");
        secrets.insert(DemoSeed::clientSecret);

        bool sawSettings = false;
        bool sawCache = false;
        for (const FileContents& file : running + after) {
            sawSettings = sawSettings || file.path.endsWith(u".ini"_s);
            sawCache = sawCache || file.path.endsWith(u"cache.json"_s);
            QCOMPARE(file.path + u": "_s + leaks(file.bytes, secrets).join(u", "_s),
                     file.path + u": "_s);
        }
        // The search looked where the program keeps its state.
        QVERIFY(sawSettings);
        QVERIFY(sawCache);
        QCOMPARE(leaks(output, secrets), QStringList());
    }
};

QTEST_GUILESS_MAIN(DemoSecretsTest)
#include "tst_demosecrets.moc"
