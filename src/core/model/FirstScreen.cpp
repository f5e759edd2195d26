#include "FirstScreen.h"

#include "MailJson.h"
#include "MailStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

namespace vesk {

namespace {

const QByteArray s_format = QByteArrayLiteral("vesk-first-screen 1");

/// Far larger than any record of threadCount conversations: anything bigger
/// is not one, and is not worth reading before the cache.
constexpr qint64 s_largestRecord = 16 * 1024 * 1024;

/// The email in base 64, so that no character of it can end the line.
QByteArray headerFor(const QString& accountEmail)
{
    return s_format + ' ' + accountEmail.toUtf8().toBase64() + '\n';
}

/// The ids of the newest `count` conversations among `listed`.
QSet<QString> newestThreads(std::vector<const MessageSummary*> listed, qsizetype count)
{
    std::sort(listed.begin(), listed.end(), [](const MessageSummary* a, const MessageSummary* b) {
        return a->internalDateMs() > b->internalDateMs();
    });
    QSet<QString> threads;
    for (const MessageSummary* summary : listed) {
        if (threads.size() >= count)
            break;
        threads.insert(summary->threadId());
    }
    return threads;
}

} // namespace

QString FirstScreen::filePathBeside(const QString& cacheFilePath)
{
    return QFileInfo(cacheFilePath).dir().filePath(QStringLiteral("first-screen.json"));
}

MailStoreState FirstScreen::select(const MailStoreState& full, const QString& labelId)
{
    std::vector<const MessageSummary*> listed;
    for (const MessageSummary& summary : full.summaries) {
        if (MailStore::isListedUnder(summary, labelId))
            listed.push_back(&summary);
    }
    const QSet<QString> threads = newestThreads(listed, threadCount);
    MailStoreState screen;
    screen.historyId = full.historyId;
    screen.labels = full.labels;
    screen.lastSync = full.lastSync;
    for (const MessageSummary* summary : listed) {
        if (threads.contains(summary->threadId()))
            screen.summaries.insert(*summary);
    }
    if (full.loadedLabels.contains(labelId))
        screen.loadedLabels.insert(labelId);
    if (const auto pages = full.labelPages.constFind(labelId); pages != full.labelPages.cend())
        screen.labelPages.insert(labelId, *pages);
    return screen;
}

QByteArray FirstScreen::encode(const QString& accountEmail, const MailStoreState& screen)
{
    return headerFor(accountEmail) + MailJson::encodeCache(screen);
}

std::optional<MailStoreState> FirstScreen::decode(const QByteArray& bytes,
                                                  const QString& accountEmail)
{
    const QByteArray header = headerFor(accountEmail);
    if (!bytes.startsWith(header))
        return std::nullopt;
    return MailJson::decodeCache(bytes.mid(header.size()));
}

std::optional<MailStoreState> FirstScreen::read(const QString& path, const QString& accountEmail)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > s_largestRecord)
        return std::nullopt;
    return decode(file.readAll(), accountEmail);
}

} // namespace vesk
