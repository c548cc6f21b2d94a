// SPDX-License-Identifier: MIT
#include "operations/busmanagement.h"

#include "gpib/wrappers.h"
#include "operations/errorbox.h"
#include "status/numberforms.h"

namespace operations {

using status::signedForm;

void interfaceClear(View &view, BenchState &bench) {
    view.setText(View::Box::Command, QString());
    gpib::SendIFC(bench.BD);
    if (checkCall(view, "SendIFC Error"))
        view.setText(View::Box::Results, QStringLiteral("Interface Clear sent"));
}

void deviceClear(View &view, BenchState &bench) {
    view.setText(View::Box::Command, QString());
    gpib::DevClear(bench.BD, TargetAddr);
    if (checkCall(view, "DevCLr Error"))
        view.setText(View::Box::Results, QStringLiteral("Selected Device Clear sent to device") +
                                             signedForm(bench.Device));
}

void serialPoll(View &view, BenchState &bench) {
    view.setText(View::Box::Command, QString());
    int16 status = 0;
    gpib::ReadStatusByte(bench.BD, TargetAddr, status);
    if (checkCall(view, "SPoll Error"))
        view.setText(View::Box::Results, QStringLiteral("Serial poll response for device") +
                                             signedForm(bench.Device) + QStringLiteral(" = ") +
                                             signedForm(status));
}

} // namespace operations
