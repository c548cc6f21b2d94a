#include "operations/busmanagement.h"

#include "gpib/gpib32.h"
#include "operations/errorbox.h"
#include "panel/form1.h"
#include "status/numberforms.h"

namespace operations {

void InterfaceClear(Form1 &form) {
    form.ui.txtCmd->setText(QString());
    GPIB32::SendIFC(form.bench.BD);
    if (CheckCall(form, "SendIFC Error"))
        form.ui.txtResults->setText(QStringLiteral("Interface Clear sent"));
}

void DeviceClear(Form1 &form) {
    form.ui.txtCmd->setText(QString());
    GPIB32::DevClear(form.bench.BD, GPIB32::TargetAddr);
    if (CheckCall(form, "DevCLr Error"))
        form.ui.txtResults->setText(QStringLiteral("Selected Device Clear sent to device") +
                                    SignedForm(form.bench.Device));
}

void SerialPoll(Form1 &form) {
    form.ui.txtCmd->setText(QString());
    std::int16_t status = 0;
    GPIB32::ReadStatusByte(form.bench.BD, GPIB32::TargetAddr, status);
    if (CheckCall(form, "SPoll Error"))
        form.ui.txtResults->setText(QStringLiteral("Serial poll response for device") +
                                    SignedForm(form.bench.Device) + QStringLiteral(" = ") +
                                    SignedForm(status));
}

} // namespace operations
