#include "app/Messages.h"

namespace quelvane::app::messages {

QString withFullStop(const QString& text)
{
    if (text.endsWith(u'.')) {
        return text;
    }
    return text + u'.';
}

} // namespace quelvane::app::messages
