#pragma once

#include <QString>

/// The page a message's HTML body is shown in: the body, with its remote
/// image addresses defused unless the reader asked for them, inside a fixed
/// head that sets the brand's text colour on a transparent background and
/// draws the page's scroll bars in the brand's violet.
/// Pure text work, usable from any thread.
namespace vesk::HtmlDocument {

/// Everything before the body: charset, the style rules, then "<body>".
QString head();
/// Closes what head() opened.
QString tail();

/// Points `src="http…` and `src='http…` attributes at about:blank, keeping
/// the original address after "#" and marking the element. The match is
/// literal and case-sensitive on purpose: anything it misses (capitals,
/// CSS, srcset, …) is stopped by the page's request policy instead.
QString blockRemoteImages(const QString& html);

/// The complete document for `html`, rewritten unless `showImages`.
QString build(const QString& html, bool showImages);

} // namespace vesk::HtmlDocument
