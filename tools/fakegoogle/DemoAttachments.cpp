#include "DemoAttachments.h"

#include <QList>
#include <QRandomGenerator>
#include <QStringList>

#include <zlib.h>

namespace vesk::fakegoogle::demofiles {

namespace {

void putLe(QByteArray& out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xff);
}

void putBe32(QByteArray& out, quint32 value)
{
    for (int i = 3; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xff);
}

quint32 crc(const QByteArray& bytes)
{
    return quint32(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray chunk;
    putBe32(chunk, quint32(data.size()));
    chunk += type + data;
    putBe32(chunk, crc(type + data));
    return chunk;
}

// A zip archive with stored (uncompressed) entries, enough for a .docx.
QByteArray zip(const QList<QPair<QByteArray, QByteArray>>& entries)
{
    QByteArray out;
    QByteArray directory;
    for (const auto& [name, data] : entries) {
        const quint32 offset = quint32(out.size());
        const quint32 checksum = crc(data);
        QByteArray common;
        putLe(common, 20, 2);     // version needed
        putLe(common, 0, 2);      // flags
        putLe(common, 0, 2);      // stored
        putLe(common, 0, 2);      // time
        putLe(common, 0x5c21, 2); // date: 2026-01-01
        putLe(common, checksum, 4);
        putLe(common, quint32(data.size()), 4);
        putLe(common, quint32(data.size()), 4);
        putLe(common, quint32(name.size()), 2);
        putLe(common, 0, 2); // extra length
        putLe(out, 0x04034b50, 4);
        out += common + name + data;
        putLe(directory, 0x02014b50, 4);
        putLe(directory, 20, 2); // made by
        directory += common;
        putLe(directory, 0, 2); // comment length
        putLe(directory, 0, 2); // disk
        putLe(directory, 0, 2); // internal attributes
        putLe(directory, 0, 4); // external attributes
        putLe(directory, offset, 4);
        directory += name;
    }
    const quint32 directoryOffset = quint32(out.size());
    out += directory;
    putLe(out, 0x06054b50, 4);
    putLe(out, 0, 4);
    putLe(out, quint32(entries.size()), 2);
    putLe(out, quint32(entries.size()), 2);
    putLe(out, quint32(directory.size()), 4);
    putLe(out, directoryOffset, 4);
    putLe(out, 0, 2);
    return out;
}

QByteArray pdfText(const QString& text)
{
    // Standard fonts speak Latin-1; keep the accents, escape PDF's specials.
    QByteArray latin = text.toLatin1();
    latin.replace('\\', "\\\\").replace('(', "\\(").replace(')', "\\)");
    return latin;
}

} // namespace

QByteArray pdf(const QString& text, qsizetype paddingBytes)
{
    QByteArray content = "BT /F1 18 Tf 72 760 Td 22 TL\n";
    for (const QString& line : text.split(u'\n'))
        content += "(" + pdfText(line) + ") Tj T*\n";
    content += "ET\n";
    QByteArray padding(paddingBytes, Qt::Uninitialized);
    QRandomGenerator generator(2026);
    for (qsizetype i = 0; i < padding.size(); ++i)
        padding[i] = char(generator.bounded(256));

    QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        // One object written on two lines, not a missing comma.
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        "<< /Length " + QByteArray::number(padding.size()) + " >>\nstream\n" + padding +
            "\nendstream"};
    QByteArray out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray png(int width, int height)
{
    QByteArray pixels;
    for (int y = 0; y < height; ++y) {
        pixels += char(0); // no filter
        for (int x = 0; x < width; ++x) {
            pixels += char(40 + 180 * x / std::max(1, width - 1));
            pixels += char(90 + 120 * y / std::max(1, height - 1));
            pixels += char(200);
        }
    }
    uLongf packedSize = compressBound(uLong(pixels.size()));
    QByteArray packed(qsizetype(packedSize), Qt::Uninitialized);
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef*>(pixels.constData()), uLong(pixels.size()));
    packed.truncate(qsizetype(packedSize));
    QByteArray header;
    putBe32(header, quint32(width));
    putBe32(header, quint32(height));
    header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", packed) + pngChunk("IEND", {});
}

QByteArray docx(const QString& text)
{
    QByteArray paragraphs;
    for (const QString& line : text.split(u'\n'))
        paragraphs += "<w:p><w:r><w:t xml:space=\"preserve\">" + line.toHtmlEscaped().toUtf8() +
                      "</w:t></w:r></w:p>";
    const QByteArray types =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
        R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
        R"(<Default Extension="xml" ContentType="application/xml"/>)"
        R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
        R"(</Types>)";
    const QByteArray rels =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
        R"(</Relationships>)";
    const QByteArray document =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)" +
        paragraphs + "</w:body></w:document>";
    return zip(
        {{"[Content_Types].xml", types}, {"_rels/.rels", rels}, {"word/document.xml", document}});
}

} // namespace vesk::fakegoogle::demofiles
