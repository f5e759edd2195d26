#pragma once

#include <QByteArray>
#include <QString>

namespace vesk::fakegoogle {

class FakeGoogle;

// The demo mailboxes: two Portuguese-speaking accounts with labels,
// conversations, unread mail, a newsletter with remote images, attachments of
// several kinds (one of several megabytes), a sent message, a draft and a
// message in the bin. Dates are relative to the moment of seeding.
class DemoSeed final
{
public:
    static constexpr auto clientId = "vesk-demo.apps.googleusercontent.com";
    static constexpr auto clientSecret = "GOCSPX-vesk-demo-segredo";
    static constexpr auto firstAccount = "ana.ribeiro@exemplo.pt";
    static constexpr auto secondAccount = "tiago.moreira@exemplo.pt";

    static void apply(FakeGoogle& google);
    // The n-th message of the "new mail every N seconds" option.
    static QByteArray arrival(int n);
};

} // namespace vesk::fakegoogle
