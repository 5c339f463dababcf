#pragma once
// Which account names can be stored.
#include <QString>

namespace accountname {

enum class Problem {
    None,
    SurroundingBlanks, // the login trims what is typed, so such a name could never log in
    HiddenCharacters,  // control or format characters: invisible, or reordering what is shown
};

// What keeps a name from being stored as an account name. An empty name is the caller's business.
Problem check(const QString &name);

} // namespace accountname
