#include "ui/reader/web/HtmlDocument.h"

namespace vesk::HtmlDocument {

QString head()
{
    return QStringLiteral(
        "<html><head><meta charset=\"utf-8\">\n"
        "<style>body{font-family: Inter, sans-serif;font-size:14px;color:#F4F0FA;"
        "background:transparent;margin:0;padding:4px;}\n"
        "a{color:#B44AE0} img{max-width:100%;height:auto}\n"
        // The page draws its own scroll bars: the same thin
        // violet handles as the window's, wider under the pointer.
        "::-webkit-scrollbar{width:12px;height:12px;background:transparent}\n"
        "::-webkit-scrollbar-track,::-webkit-scrollbar-corner{background:transparent}\n"
        "::-webkit-scrollbar-thumb{background-color:rgba(180,74,224,0.45);"
        "background-clip:padding-box;border:solid transparent;border-radius:6px}\n"
        "::-webkit-scrollbar-thumb:vertical{border-width:2px 2px 2px 6px}\n"
        "::-webkit-scrollbar-thumb:horizontal{border-width:6px 2px 2px 2px}\n"
        "::-webkit-scrollbar-thumb:hover{background-color:rgba(180,74,224,0.75);"
        "border-width:2px}\n"
        "::-webkit-scrollbar-thumb:active{background-color:#A855F7;border-width:2px}"
        "</style></head>\n"
        "<body>");
}

QString tail()
{
    return QStringLiteral("</body></html>");
}

QString blockRemoteImages(const QString& html)
{
    QString result = html;
    // Double quotes first: the single-quote pattern cannot occur in what the
    // first replacement writes, so the order changes nothing but is fixed.
    result.replace(QStringLiteral("src=\"http"),
                   QStringLiteral("data-blocked=\"1\" src=\"about:blank#http"), Qt::CaseSensitive);
    result.replace(QStringLiteral("src='http"),
                   QStringLiteral("data-blocked='1' src='about:blank#http"), Qt::CaseSensitive);
    return result;
}

QString build(const QString& html, bool showImages)
{
    return head() + (showImages ? html : blockRemoteImages(html)) + tail();
}

} // namespace vesk::HtmlDocument
