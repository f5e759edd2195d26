#include "ChangeJournal.h"

#include "PrivateFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace vesk {

namespace {

using Kind = PendingChange::Kind;

constexpr int s_version = 1;

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Trash:
        return QStringLiteral("trash");
    case Kind::Untrash:
        return QStringLiteral("untrash");
    case Kind::Labels:
        break;
    }
    return QStringLiteral("labels");
}

std::optional<Kind> kindNamed(const QString& name)
{
    for (const Kind kind : {Kind::Labels, Kind::Trash, Kind::Untrash}) {
        if (kindName(kind) == name)
            return kind;
    }
    return std::nullopt;
}

std::optional<QStringList> textList(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList labels;
    const QJsonArray array = value.toArray();
    for (const auto& label : array) {
        if (!label.isString() || label.toString().isEmpty())
            return std::nullopt;
        labels.append(label.toString());
    }
    return labels;
}

/// A whole number a double holds exactly, as JSON numbers are read.
std::optional<quint64> count(const QJsonValue& value)
{
    constexpr double exact = 9007199254740992.0; // 2^53
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number >= exact || number != double(quint64(number)))
        return std::nullopt;
    return quint64(number);
}

std::optional<PendingChange> changeFrom(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    const std::optional<quint64> id = count(object.value(u"id"));
    const std::optional<Kind> kind = kindNamed(object.value(u"kind").toString());
    // One conversation is written as "thread", as before changes could take
    // several, so that an older build still reads them.
    const std::optional<QStringList> threadIds =
        object.contains(u"thread") ? std::optional(QStringList(object.value(u"thread").toString()))
                                   : textList(object.value(u"threads"));
    const std::optional<QStringList> add = textList(object.value(u"add"));
    const std::optional<QStringList> remove = textList(object.value(u"remove"));
    if (!value.isObject() || !id || *id == 0 || !kind || !threadIds || threadIds->isEmpty() ||
        threadIds->contains(QString()) || !add || !remove || !object.value(u"subject").isString() ||
        !object.value(u"made").isString())
        return std::nullopt;
    PendingChange change;
    change.id = *id;
    change.kind = *kind;
    change.threadIds = *threadIds;
    change.add = *add;
    change.remove = *remove;
    change.subject = object.value(u"subject").toString();
    change.madeAt = QDateTime::fromString(object.value(u"made").toString(), Qt::ISODateWithMs);
    return change;
}

} // namespace

ChangeJournal::ChangeJournal(QString filePath)
    : m_filePath(std::move(filePath))
{
    load();
}

QString ChangeJournal::pathBesideCache(const QString& cacheFilePath)
{
    if (cacheFilePath.isEmpty())
        return {};
    return QFileInfo(cacheFilePath).dir().filePath(QStringLiteral("journal.json"));
}

QByteArray ChangeJournal::encode(const QList<PendingChange>& changes, quint64 nextId)
{
    QJsonArray list;
    for (const PendingChange& change : changes) {
        QJsonObject entry{
            {u"id"_s, double(change.id)},
            {u"kind"_s, kindName(change.kind)},
            {u"add"_s, QJsonArray::fromStringList(change.add)},
            {u"remove"_s, QJsonArray::fromStringList(change.remove)},
            {u"subject"_s, change.subject},
            {u"made"_s, change.madeAt.toUTC().toString(Qt::ISODateWithMs)},
        };
        if (change.threadIds.size() == 1)
            entry.insert(u"thread"_s, change.threadIds.constFirst());
        else
            entry.insert(u"threads"_s, QJsonArray::fromStringList(change.threadIds));
        list.append(entry);
    }
    const QJsonObject root{
        {u"version"_s, s_version}, {u"next"_s, double(nextId)}, {u"changes"_s, list}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<ChangeJournal::Decoded> ChangeJournal::decode(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject root = document.object();
    const std::optional<quint64> next = count(root.value(u"next"));
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        root.value(u"version").toInt() != s_version || !next || !root.value(u"changes").isArray())
        return std::nullopt;
    Decoded decoded;
    decoded.nextId = *next;
    quint64 previous = 0;
    const QJsonArray changes = root.value(u"changes").toArray();
    for (const auto& value : changes) {
        std::optional<PendingChange> change = changeFrom(value);
        // Ids grow with each change and stay below the next one: anything
        // else was not written by us.
        if (!change || change->id <= previous || change->id >= decoded.nextId)
            return std::nullopt;
        previous = change->id;
        decoded.changes.append(std::move(*change));
    }
    return decoded;
}

void ChangeJournal::load()
{
    if (m_filePath.isEmpty())
        return;
    QFile file(m_filePath);
    if (!file.exists())
        return;
    std::optional<Decoded> decoded;
    if (file.size() <= maxFileSize && file.open(QIODevice::ReadOnly))
        decoded = decode(file.readAll());
    file.close();
    if (decoded) {
        m_changes = std::move(decoded->changes);
        m_nextId = decoded->nextId;
        return;
    }
    // Kept for the person to look at rather than deleted: it may hold
    // changes they made. The first free name, so that nothing is replaced.
    for (int n = 1; n < 1000; ++n) {
        const QString aside = m_filePath + QStringLiteral(".damaged-%1").arg(n);
        if (!QFile::exists(aside) && QFile::rename(m_filePath, aside)) {
            m_damagedFile = aside;
            return;
        }
    }
    // Nowhere to put it: not read, not overwritten until a change is made.
    m_damagedFile = m_filePath;
}

bool ChangeJournal::save() const
{
    if (m_filePath.isEmpty())
        return true;
    PrivateFile::makeFolder(QFileInfo(m_filePath).path());
    return PrivateFile::write(m_filePath, encode(m_changes, m_nextId));
}

PendingChange ChangeJournal::record(PendingChange change, bool* written)
{
    change.id = m_nextId++;
    if (!change.madeAt.isValid())
        change.madeAt = QDateTime::currentDateTimeUtc();
    m_changes.append(change);
    const bool saved = save();
    if (written)
        *written = saved;
    return change;
}

void ChangeJournal::remove(quint64 changeId)
{
    if (m_changes.removeIf([changeId](const PendingChange& c) { return c.id == changeId; }) > 0)
        save();
}

void ChangeJournal::wipe()
{
    m_changes.clear();
    if (!m_filePath.isEmpty())
        QFile::remove(m_filePath);
}

} // namespace vesk
