#pragma once

#include <QString>

namespace vesk {

/// Something that went wrong out of sight (a change Gmail refused, a file
/// set aside) that the window shows until the person dismisses it.
struct Notice
{
    quint64 id = 0;
    /// The Portuguese sentence, naming what it is about.
    QString text;
    /// What came in, for a tooltip.
    QString details;

    friend bool operator==(const Notice&, const Notice&) = default;
};

} // namespace vesk
