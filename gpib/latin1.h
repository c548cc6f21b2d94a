#pragma once

#include <QByteArray>
#include <QString>

namespace gpib {

// Text crosses to the driver as ISO 8859-1, one byte per character; a character outside
// Latin-1 becomes '?', so the byte count always equals the text's length.
QByteArray ToLatin1(const QString &text);

// Each byte back from the driver is the Latin-1 character of its value, NUL bytes included.
inline QString FromLatin1(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

} // namespace gpib
