// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace gpib {

// Text crosses to the driver as ISO 8859-1, one byte per character; a character outside
// Latin-1 becomes '?', so the byte count always equals the text's length. The bytes go into
// the caller's buffer, which keeps its allocation from call to call.
void toLatin1(const QString &text, QByteArray &bytes);

// Each byte back from the driver replaces the character at its place with the Latin-1
// character of its value, NUL bytes included; text and bytes are of one length.
void fromLatin1(const QByteArray &bytes, QString &text);

} // namespace gpib
