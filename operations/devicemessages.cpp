// SPDX-License-Identifier: MIT
#include "operations/devicemessages.h"

#include "gpib/wrappers.h"
#include "operations/errorbox.h"
#include "operations/response.h"
#include "status/numberforms.h"

namespace operations {

namespace {

// Termination 2: below 256 it names an end-of-string byte, here the byte of value 2.
constexpr int16 kTermination = 2;

void sendCommon(View &view, BenchState &bench, const QString &command) {
    view.setText(View::Box::Results, QString());
    view.setText(View::Box::Command, QString());
    QString message = command;
    gpib::Send(bench.BD, TargetAddr, message, gpib::kEndWithEoi);
    if (checkCall(view, "Send error"))
        view.setText(View::Box::Results, command + QStringLiteral(" sent to device") +
                                             status::signedForm(bench.Device));
}

} // namespace

void sendCommand(View &view, BenchState &bench) {
    QString line = view.text(View::Box::Command);
    view.setText(View::Box::Results, QString());
    gpib::Send(bench.BD, TargetAddr, line, gpib::kEndWithEoi);
    if (!checkCall(view, "Send error"))
        return;
    if (line.contains(QLatin1Char('?')) && view.autoQuery())
        readResponse(view, bench);
}

void readResponse(View &view, BenchState &bench) {
    QString buffer = bench.ReadBuf;
    gpib::Receive(bench.BD, TargetAddr, buffer, kTermination);
    if (checkCall(view, "Receive Error"))
        view.setText(View::Box::Results, firstLine(buffer));
}

void sendCLS(View &view, BenchState &bench) {
    sendCommon(view, bench, QStringLiteral("*CLS"));
}

void sendRST(View &view, BenchState &bench) {
    sendCommon(view, bench, QStringLiteral("*RST"));
}

} // namespace operations
