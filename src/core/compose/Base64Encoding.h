#pragma once

#include <QtGlobal>

namespace vesk::Base64Encoding {

enum class Alphabet
{
    Standard,
    Url
};

/// Characters that `size` bytes encode to, with or without "=" padding.
qsizetype encodedSize(qsizetype size, bool padded);

/// Writes the base64 of `size` bytes at `out` and returns the end of what it
/// wrote. A table of every 12-bit group makes this several times faster than
/// QByteArray::toBase64, which counts when messages carry 25 MiB of files.
char* encode(const char* in, qsizetype size, char* out, Alphabet alphabet, bool padded);

/// Characters that foldedEncode() writes for `size` bytes.
qsizetype foldedSize(qsizetype size);

/// Standard padded base64 in lines of 76 characters joined with CR LF, with
/// no line end after the last line; returns the end of what it wrote.
char* foldedEncode(const char* in, qsizetype size, char* out);

} // namespace vesk::Base64Encoding
