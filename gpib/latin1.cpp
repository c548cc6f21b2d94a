#include "gpib/latin1.h"

namespace gpib {

QByteArray ToLatin1(const QString &text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        bytes[i] = c < 256 ? static_cast<char>(c) : '?';
    }
    return bytes;
}

} // namespace gpib
