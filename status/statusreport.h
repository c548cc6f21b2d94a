// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>

// The one-line report of a failed driver call: the label, the status word in hexadecimal with
// the names of its set bits, the error code with its name, and the count.
namespace status {

// The most recent report; empty until the first one. Defined once, in statusreport.cpp: as an
// inline variable, MinGW's GCC padded its copy to a different size in some files, which the
// linker warned of.
extern QString ErrMsg;

// The report for the given status values. Pure: reads nothing else.
QString statusReport(const QString &label, std::int16_t sta, std::int16_t err, std::int32_t cntl);

// Composes the report for the status mirror's current values (its 32-bit count is shown as
// "ibcnt") and leaves it both in label and in ErrMsg.
void ReportError(QString &label);

} // namespace status
