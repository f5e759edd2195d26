#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace vesk::fakegoogle {

class FakeGoogle;

// The demo mailboxes: two Portuguese-speaking accounts with labels,
// conversations, unread mail, an HTML newsletter with remote images, a
// plain-text conversation with a PDF and a picture, attachments of several
// kinds (one of several megabytes), a sent message, a draft, a message in
// the bin, and a label of receipts longer than one page of the list. Dates
// are relative to the moment of seeding.
class DemoSeed final
{
public:
    static constexpr auto clientId = "vesk-demo.apps.googleusercontent.com";
    static constexpr auto clientSecret = "GOCSPX-vesk-demo-segredo";
    static constexpr auto firstAccount = "ana.ribeiro@exemplo.pt";
    static constexpr auto secondAccount = "tiago.moreira@exemplo.pt";

    // Call once the stand-in listens: the newsletter's pictures are served
    // by the stand-in itself, at its own address.
    static void apply(FakeGoogle& google);
    // From now on, the PDF agenda of the planning conversation comes in
    // small, spaced chunks (about half a minute in all), so that saving it
    // shows a download in progress.
    static void serveAgendaSlowly(FakeGoogle& google);
    // The next list of messages (a label's or a search's page) is answered
    // only after `delay`, so that the list's loading of more shows.
    static void holdNextListing(FakeGoogle& google, std::chrono::milliseconds delay);
    // The n-th message of the "new mail every N seconds" option, addressed
    // to the demo account it is delivered to.
    static QByteArray arrival(int n, const QString& account);
};

} // namespace vesk::fakegoogle
