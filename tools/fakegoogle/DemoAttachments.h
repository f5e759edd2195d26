#pragma once

#include <QByteArray>
#include <QString>

namespace vesk::fakegoogle::demofiles {

// Small but well-formed files for the demo mailbox, made on the spot so the
// repository carries no binary samples. Viewers open them.

// A PDF with one page of text; `paddingBytes` of embedded data make it large.
QByteArray pdf(const QString& text, qsizetype paddingBytes = 0);
// A width x height RGB gradient.
QByteArray png(int width, int height);
// A Word document holding one paragraph per line of `text`.
QByteArray docx(const QString& text);

} // namespace vesk::fakegoogle::demofiles
