#pragma once

#include "BrowserOpening.h"

namespace vesk {

/// The production browser: QDesktopServices::openUrl (xdg-open or the
/// desktop portal). Kept in its own unit so that only it needs Qt GUI.
class DesktopBrowser final : public BrowserOpening
{
public:
    bool open(const QUrl& url) override;
};

} // namespace vesk
