#pragma once

#include <QString>

namespace vesk {

/// A person the account has written to or heard from, as the address fields
/// offer them.
struct Contact
{
    /// The display name last seen with the address; empty when none was.
    QString name;
    QString address;
    /// Higher ranks first: how often and how recently mail went to or came
    /// from the address, writing to it weighing most.
    double score = 0;

    /// What an address field holds for the contact: "Name <address>" (the
    /// name quoted when it needs to be), or the bare address.
    QString entry() const;
    /// The name, or the address for a contact without one.
    QString label() const { return name.isEmpty() ? address : name; }
};

} // namespace vesk
