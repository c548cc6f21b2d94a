#include "operations/initialize.h"

#include "gpib/gpib32.h"
#include "operations/errorbox.h"
#include "operations/listenerdiscovery.h"
#include "panel/form1.h"
#include "status/numberforms.h"

namespace operations {

namespace {

constexpr BenchState::int16 kTimeout3s = 12;

// The board steps up to remote enable; false when one failed and its report is shown.
bool TakeControl(Form1 &form) {
    BenchState &b = form.bench;
    GPIB32::ibfind(QStringLiteral("GPIB0"), &b.bud);
    if (GPIB32::Failed()) {
        ShowErrorReport(form, "ibfind error");
        return false;
    }
    b.Ctlraddr = 0;
    GPIB32::ibpad(b.bud, 0);
    if (GPIB32::Failed()) {
        ShowErrorReport(form, "ibpad error");
        return false;
    }
    GPIB32::SendIFC(b.BD);
    if (GPIB32::Failed()) {
        ShowErrorReport(form, "SendIFC error");
        return false;
    }
    // An earlier report stays on screen until the board answers as controller.
    form.ui.txtError->hide();
    GPIB32::ibsre(b.bud, 1);
    if (GPIB32::Failed()) {
        ShowErrorReport(form, "ibsre Error");
        return false;
    }
    return true;
}

} // namespace

void Initialize(Form1 &form) {
    if (!TakeControl(form))
        return;
    BenchState &b = form.bench;
    b.vtmo = kTimeout3s;
    ListenerDiscovery(form);
    if (b.FoundFlg == 1) {
        b.Device = b.founddev;
        form.ui.txtAddr->setText(PlainForm(b.Device));
    }
    Ui::Form1 &ui = form.ui;
    for (QPushButton *button : {ui.cmdSpoll, ui.cmdDevClr, ui.cmdSet, ui.cmdRST, ui.cmdCLS,
                                ui.cmdSend, ui.cmdRead, ui.cmdIFC, ui.cmdFindLstn})
        button->setEnabled(true);
    ui.ckAuto->setEnabled(true);
    ui.ckAuto->setCheckState(Qt::Checked);
}

} // namespace operations
