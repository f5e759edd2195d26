#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

class QWebEngineProfile;

namespace vesk {

class LargeDocumentHandler;

/// The web engine context every HTML card of the reader shares: one
/// off-the-record profile (no cookies, cache or history on disk) whose pages
/// run no scripts, and the handler that serves documents too large to load
/// inline. The engine starts with the first HTML card, not before: a
/// conversation of plain text costs no web engine. Outlives the pages made
/// on it. GUI thread only.
class MessageWebProfile final : public QObject
{
    Q_OBJECT

public:
    explicit MessageWebProfile(QObject* parent = nullptr);
    ~MessageWebProfile() override;

    /// Made on the first call.
    QWebEngineProfile* profile();
    LargeDocumentHandler& documents();

    /// Whether `document` (UTF-8) can go through `setHtml`, whose data: URL
    /// holds at most 2 MB once the bytes are percent-encoded.
    static bool fitsInline(const QByteArray& document);

private:
    /// Registers the reader's scheme and, when running as root (where the
    /// engine's sandbox cannot start), turns the sandbox off; both must
    /// happen before the engine's first object exists.
    static void prepareEngine();

    QWebEngineProfile* m_profile = nullptr;
    LargeDocumentHandler* m_documents = nullptr;
};

} // namespace vesk
