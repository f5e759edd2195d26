#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

class QWebEngineProfile;

namespace vesk {

class LargeDocumentHandler;
class PacedQueue;

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
    bool hasProfile() const { return m_profile != nullptr; }
    LargeDocumentHandler& documents();
    /// Where the cards' costly steps queue up, to run one per turn of the
    /// event loop.
    PacedQueue& pacer() const { return *m_pacer; }

    /// Whether `document` (UTF-8) can go through `setHtml`, whose data: URL
    /// holds at most 2 MB once the bytes are percent-encoded.
    static bool fitsInline(const QByteArray& document);

    /// Starts the web engine, which takes the GUI thread for a tenth of a
    /// second: at start-up, while the window is not up yet, rather than when
    /// the first HTML message opens. Profiles made later start at once.
    static void startEngine();

private:
    /// Registers the reader's scheme, limits the engine to one renderer
    /// process and, when running as root (where the engine's sandbox cannot
    /// start), turns the sandbox off; all must happen before the engine's
    /// first object exists.
    static void prepareEngine();

    PacedQueue* m_pacer;
    QWebEngineProfile* m_profile = nullptr;
    LargeDocumentHandler* m_documents = nullptr;
};

} // namespace vesk
