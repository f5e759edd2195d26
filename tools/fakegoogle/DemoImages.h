#pragma once

#include "HttpCall.h"
#include "HttpReply.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace vesk::fakegoogle {

// The pictures of the demo newsletter, served by the stand-in itself at
// GET /demo-images/<name>.png, so that "show images" in the demo fetches real
// remote content without the internet. Drawn in code on first use (no binary
// samples in the repository) and kept. Thread-safe.
class DemoImages final
{
public:
    static bool owns(const QString& path);
    static HttpReply handle(const HttpCall& call);

    // The known names: "cabecalho", "fado", "feira-do-livro", "pixel".
    static QStringList names();
    // The image's address on a stand-in listening at `base`.
    static QUrl url(const QUrl& base, const QString& name);
    // PNG bytes; empty for an unknown name.
    static QByteArray png(const QString& name);
};

} // namespace vesk::fakegoogle
