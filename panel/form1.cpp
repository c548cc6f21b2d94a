#include "panel/form1.h"

#include "gpib/statusmirror.h"
#include "operations/addressselection.h"
#include "operations/busmanagement.h"
#include "operations/devicemessages.h"
#include "operations/initialize.h"
#include "operations/listenerdiscovery.h"
#include "status/numberforms.h"

#include <QCoreApplication>
#include <QIcon>

Form1::Form1(QWidget *parent) : QWidget(parent) {
    // The artwork lives in the static library, whose resources register only when asked to.
    Q_INIT_RESOURCE(assets);
    ui.setupUi(this);
    applyLook();
    connectEvents();
    StartUp();
}

void Form1::applyLook() {
    // Sizes given, the images are read only when an icon of that size is drawn.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/assets/icons/quorin-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);

    // Two backgrounds use system colours of their own, mapped to the nearest palette roles:
    // the revision box takes the inactive title bar's text colour, a light grey close to the
    // button face (Button); the address frame takes the menu colour, which is the window
    // background on current desktops (Window), painted over the whole frame.
    QPalette revision = ui.txtRev->palette();
    revision.setColor(QPalette::Base, revision.color(QPalette::Button));
    ui.txtRev->setPalette(revision);
    ui.frmAddr->setBackgroundRole(QPalette::Window);
    ui.frmAddr->setAutoFillBackground(true);
}

void Form1::connectEvents() {
    const auto onClick = [this](QPushButton *button, void (*operation)(Form1 &)) {
        connect(button, &QPushButton::clicked, this, [this, operation] { operation(*this); });
    };
    onClick(ui.cmdInitialize, operations::Initialize);
    onClick(ui.cmdFindLstn, operations::ListenerDiscovery);
    onClick(ui.cmdSet, operations::SetAddress);
    onClick(ui.cmdSend, operations::SendCommand);
    onClick(ui.cmdRead, operations::ReadResponse);
    onClick(ui.cmdCLS, operations::SendCLS);
    onClick(ui.cmdRST, operations::SendRST);
    onClick(ui.cmdIFC, operations::InterfaceClear);
    onClick(ui.cmdDevClr, operations::DeviceClear);
    onClick(ui.cmdSpoll, operations::SerialPoll);
    // Exit ends the program at once: no question, no driver call.
    connect(ui.cmdExit, &QPushButton::clicked, this, [] { QCoreApplication::exit(0); });
    // Every change of the address text, typed or written by an operation, enables Set.
    connect(ui.txtAddr, &QLineEdit::textChanged, ui.cmdSet,
            [this] { ui.cmdSet->setEnabled(true); });
}

// Runs once, before the window is first shown.
void Form1::StartUp() {
    bench.NL = QStringLiteral("\r\n");
    bench.ReadBuf = QString(80, QLatin1Char(' '));
    ui.txtRev->setText(QStringLiteral("Revised 05-22-2007"));
    ui.txtError->setText(QString());
    ui.txtResults->setText(QString());
    bench.BD = 0;
    bench.Ctlraddr = 0;
    GPIB32::TargetAddr = 4;
    bench.Device = 4;
    bench.eos = 10;
    ui.txtAddr->setText(PlainForm(GPIB32::TargetAddr));
    ui.cmdInitialize->setEnabled(true);
    ui.cmdExit->setEnabled(true);
    for (QPushButton *button : {ui.cmdSet, ui.cmdRST, ui.cmdCLS, ui.cmdSend, ui.cmdRead, ui.cmdIFC,
                                ui.cmdFindLstn, ui.cmdSpoll, ui.cmdDevClr})
        button->setEnabled(false);
    ui.ckCR->setCheckState(Qt::Unchecked);
    ui.ckLF->setCheckState(Qt::Checked);
    ui.txtResults->setEnabled(true);
    ui.txtError->setEnabled(false);
    ui.cmdInitialize->setFocus();
}
