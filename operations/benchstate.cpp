// SPDX-License-Identifier: MIT
#include "operations/benchstate.h"

namespace operations {

void startUp(BenchState &bench) {
    bench.NL = QStringLiteral("\r\n");
    bench.ReadBuf = QString(80, QLatin1Char(' '));
    bench.BD = 0;
    bench.Ctlraddr = 0;
    TargetAddr = 4;
    bench.Device = 4;
    bench.eos = 10;
}

} // namespace operations
