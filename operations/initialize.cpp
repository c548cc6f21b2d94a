// SPDX-License-Identifier: MIT
#include "operations/initialize.h"

#include "gpib/wrappers.h"
#include "operations/errorbox.h"
#include "operations/listenerdiscovery.h"
#include "status/numberforms.h"

namespace operations {

namespace {

constexpr int16 kTimeout3s = 12;

// The board steps up to remote enable; false when one failed and its report is shown.
bool takeControl(View &view, BenchState &b) {
    gpib::ibfind(QStringLiteral("GPIB0"), &b.bud);
    if (gpib::failed()) {
        showErrorReport(view, "ibfind error");
        return false;
    }
    b.Ctlraddr = 0;
    gpib::ibpad(b.bud, 0);
    if (gpib::failed()) {
        showErrorReport(view, "ibpad error");
        return false;
    }
    gpib::SendIFC(b.BD);
    if (gpib::failed()) {
        showErrorReport(view, "SendIFC error");
        return false;
    }
    // An earlier report stays on screen until the board answers as controller.
    view.showError(false);
    gpib::ibsre(b.bud, 1);
    if (gpib::failed()) {
        showErrorReport(view, "ibsre Error");
        return false;
    }
    return true;
}

} // namespace

void initialize(View &view, BenchState &bench) {
    if (!takeControl(view, bench))
        return;
    bench.vtmo = kTimeout3s;
    listenerDiscovery(view, bench);
    if (bench.FoundFlg == 1) {
        bench.Device = bench.founddev;
        view.setText(View::Box::Address, status::plainForm(bench.Device));
    }
    view.enableBusButtons();
    view.turnOnAutoQuery();
}

} // namespace operations
