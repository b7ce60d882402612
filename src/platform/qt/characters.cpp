// Counting characters as a person sees them.
#include "platform/qt/impl.h"

namespace platform::qt {

int characterCount(const QString& s) {
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        if (!s.at(i).isLowSurrogate()) ++n;
    return n;
}

qsizetype unitIndex(const QString& s, int characters) {
    qsizetype i = 0;
    for (int n = 0; n < characters && i < s.size(); ++n)
        i += s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate() ? 2 : 1;
    return i;
}

}  // namespace platform::qt
