#include "accounts/accountname.h"

namespace accountname {

Problem check(const QString &name)
{
    if (name != name.trimmed())
        return Problem::SurroundingBlanks;
    for (const QChar c : name) {
        // Cc: controls such as \x01, dropped on the way to the file but shown by the grid.
        // Cf: direction marks and overrides (U+202E shows "nimda" as "admin"), zero-width joiners
        // and the like, which make one name look like another.
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            return Problem::HiddenCharacters;
    }
    return Problem::None;
}

} // namespace accountname
