// SPDX-License-Identifier: MIT
#include "gpib/latin1.h"

namespace gpib {

void toLatin1(const QString &text, QByteArray &bytes) {
    bytes.resize(text.size());
    const QChar *in = text.constData();
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = in[i].unicode();
        out[i] = c < 256 ? static_cast<char>(c) : '?';
    }
}

void fromLatin1(const QByteArray &bytes, QString &text) {
    Q_ASSERT(bytes.size() == text.size());
    const char *in = bytes.constData();
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(static_cast<unsigned char>(in[i]));
}

} // namespace gpib
