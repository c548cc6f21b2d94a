// SPDX-License-Identifier: MIT
// The address text: its numeric value, the rounding to a 16-bit integer and the Set operation.
// The input is the text, decoded as UTF-8 (malformed sequences become U+FFFD).

#include "drawnanswers.h"
#include "fakedriver.h"
#include "offscreenwindow.h"
#include "require.h"

#include "gpib/statusmirror.h"
#include "operations/addressselection.h"
#include "operations/numericvalue.h"
#include "panel/form1.h"
#include "ui_Form1.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

using fuzz::require;

void checkRounding(const QString &text) {
    const double value = operations::numericValue(text);
    require(!std::isnan(value), "the numeric value is a number", text);
    const std::optional<std::int16_t> rounded = operations::roundedInt16(value);
    // The default rounding mode takes a half to the even neighbour.
    const double nearest = std::nearbyint(value);
    const bool fits = nearest >= -32768 && nearest <= 32767;
    require(rounded.has_value() == fits,
            "roundedInt16 has a result exactly when the nearest integer fits 16 bits", text);
    if (!rounded)
        return;
    const double distance = std::fabs(value - *rounded);
    require(distance <= 0.5, "roundedInt16 lies within 0.5 of the value", text);
    require(distance < 0.5 || *rounded % 2 == 0, "roundedInt16 takes a half to the even integer",
            text);
}

// Every driver call succeeds with zero answers: descriptor 0, no listener.
void checkSet(const QString &text) {
    fuzz::ByteSource noAnswers(nullptr, 0);
    FakeDriver driver;
    fuzz::answerFromInput(driver, noAnswers);
    panel::Form1 &form = fuzz::freshWindow();
    form.ui->txtAddr->setText(text);
    form.ui->txtCmd->setText(QStringLiteral("*IDN?"));
    const std::int16_t before = operations::TargetAddr;

    form.ui->cmdSet->setEnabled(true);
    form.ui->cmdSet->click();

    require(form.ui->txtCmd->text().isEmpty(), "Set empties the command box", text);
    const int opened = driver.callsOf(QStringLiteral("ibdev"));
    require(opened <= 1, "Set opens at most one device", text);
    if (opened == 0) {
        require(operations::TargetAddr == before, "TargetAddr stays when no device was opened",
                text);
        return;
    }
    const operations::BenchState &b = form.bench;
    require(b.sad == 0 || (b.sad >= 96 && b.sad <= 127), "an opened sad is 0 or 96..127", text);
    require(operations::TargetAddr == b.pad + 256 * b.sad,
            "an opened TargetAddr is pad + 256 * sad", text);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) {
    fuzz::startOffscreenApplication((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkRounding(text);
    checkSet(text);
    return 0;
}
