#pragma once

#include <QString>

#include <optional>

namespace vesk {

/// Remembers the document last handed to a web view, so that rebuilding a
/// card with the same message and image setting does not reload the page
/// (which would flicker and, once images are shown, fetch them again).
class LastDocument final
{
public:
    /// True when `document` differs from the last one, which it then becomes:
    /// the caller must load it. False when it is the same: nothing to do.
    bool replace(const QString& document)
    {
        if (m_last == document)
            return false;
        m_last = document;
        return true;
    }

    const std::optional<QString>& last() const { return m_last; }

private:
    std::optional<QString> m_last;
};

} // namespace vesk
