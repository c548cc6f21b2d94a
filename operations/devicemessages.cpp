#include "operations/devicemessages.h"

#include "gpib/gpib32.h"
#include "operations/errorbox.h"
#include "operations/response.h"
#include "panel/form1.h"
#include "status/numberforms.h"

namespace operations {

namespace {

// End mode 1: the driver ends every message with END (EOI); the program appends nothing.
constexpr std::int16_t kEndWithEoi = 1;
// Termination 2: below 256 it names an end-of-string byte, here the byte of value 2.
constexpr std::int16_t kTermination = 2;

void SendCommon(Form1 &form, const QString &command) {
    form.ui.txtResults->setText(QString());
    form.ui.txtCmd->setText(QString());
    QString message = command;
    GPIB32::Send(form.bench.BD, GPIB32::TargetAddr, message, kEndWithEoi);
    if (CheckCall(form, "Send error"))
        form.ui.txtResults->setText(command + QStringLiteral(" sent to device") +
                                    SignedForm(form.bench.Device));
}

} // namespace

void SendCommand(Form1 &form) {
    QString line = form.ui.txtCmd->text();
    form.ui.txtResults->setText(QString());
    GPIB32::Send(form.bench.BD, GPIB32::TargetAddr, line, kEndWithEoi);
    if (!CheckCall(form, "Send error"))
        return;
    // A greyed Auto Query box counts as off.
    if (line.contains(QLatin1Char('?')) && form.ui.ckAuto->checkState() == Qt::Checked)
        ReadResponse(form);
}

void ReadResponse(Form1 &form) {
    QString buffer = form.bench.ReadBuf;
    GPIB32::Receive(form.bench.BD, GPIB32::TargetAddr, buffer, kTermination);
    if (CheckCall(form, "Receive Error"))
        form.ui.txtResults->setText(FirstLine(buffer));
}

void SendCLS(Form1 &form) {
    SendCommon(form, QStringLiteral("*CLS"));
}

void SendRST(Form1 &form) {
    SendCommon(form, QStringLiteral("*RST"));
}

} // namespace operations
