// SPDX-License-Identifier: MIT
#include "panel/form1.h"

#include "operations/addressselection.h"
#include "operations/busmanagement.h"
#include "operations/devicemessages.h"
#include "operations/initialize.h"
#include "operations/listenerdiscovery.h"
#include "panel/beep.h"
#include "status/numberforms.h"
#include "ui_Form1.h"

#include <QApplication>
#include <QIcon>

// The artwork lives in a static library, whose resources register only when asked to. The
// macro declares a function of its own and must stand outside any namespace.
static void registerArtwork() {
    Q_INIT_RESOURCE(assets);
}

namespace panel {

Form1::Form1(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::Form1>()) {
    registerArtwork();
    ui->setupUi(this);
    applyLook();
    connectEvents();
    startUp();
}

Form1::~Form1() = default;

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
    QPalette revision = ui->txtRev->palette();
    revision.setColor(QPalette::Base, revision.color(QPalette::Button));
    ui->txtRev->setPalette(revision);
    ui->frmAddr->setBackgroundRole(QPalette::Window);
    ui->frmAddr->setAutoFillBackground(true);
}

void Form1::connectEvents() {
    const auto onClick = [this](QPushButton *button, Operation operation) {
        connect(button, &QPushButton::clicked, this,
                [this, operation] { runOperation(operation); });
    };
    onClick(ui->cmdInitialize, operations::initialize);
    onClick(ui->cmdFindLstn, operations::listenerDiscovery);
    onClick(ui->cmdSet, operations::setAddress);
    onClick(ui->cmdSend, operations::sendCommand);
    onClick(ui->cmdRead, operations::readResponse);
    onClick(ui->cmdCLS, operations::sendCLS);
    onClick(ui->cmdRST, operations::sendRST);
    onClick(ui->cmdIFC, operations::interfaceClear);
    onClick(ui->cmdDevClr, operations::deviceClear);
    onClick(ui->cmdSpoll, operations::serialPoll);
    // Exit ends the program at once: no question, no driver call.
    connect(ui->cmdExit, &QPushButton::clicked, this, [] { QCoreApplication::exit(0); });
    // Every change of the address text, typed or written by an operation, enables Set.
    connect(ui->txtAddr, &QLineEdit::textChanged, ui->cmdSet,
            [this] { ui->cmdSet->setEnabled(true); });
}

// An operation runs to its end on this thread, its driver calls blocking the window; the busy
// cursor shows for the whole of it, however it ends.
void Form1::runOperation(Operation operation) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    operation(*this, bench);
    QApplication::restoreOverrideCursor();
}

// Runs once, before the window is first shown.
void Form1::startUp() {
    ui->txtRev->setText(QStringLiteral("Revised 05-22-2007"));
    ui->txtError->setText(QString());
    ui->txtResults->setText(QString());
    operations::startUp(bench);
    ui->txtAddr->setText(status::plainForm(operations::TargetAddr));
    ui->cmdInitialize->setEnabled(true);
    ui->cmdExit->setEnabled(true);
    for (QPushButton *button : busButtons())
        button->setEnabled(false);
    ui->ckCR->setCheckState(Qt::Unchecked);
    ui->ckLF->setCheckState(Qt::Checked);
    ui->txtResults->setEnabled(true);
    ui->txtError->setEnabled(false);
    ui->cmdInitialize->setFocus();
}

std::array<QPushButton *, 9> Form1::busButtons() const {
    return {ui->cmdSet, ui->cmdRST,      ui->cmdCLS,   ui->cmdSend,  ui->cmdRead,
            ui->cmdIFC, ui->cmdFindLstn, ui->cmdSpoll, ui->cmdDevClr};
}

QString Form1::text(Box box) const {
    switch (box) {
    case Box::Address:
        return ui->txtAddr->text();
    case Box::Command:
        return ui->txtCmd->text();
    case Box::Results:
        return ui->txtResults->text();
    case Box::Error:
        return ui->txtError->text();
    }
    return QString();
}

void Form1::setText(Box box, const QString &text) {
    switch (box) {
    case Box::Address:
        ui->txtAddr->setText(text);
        break;
    case Box::Command:
        ui->txtCmd->setText(text);
        break;
    case Box::Results:
        ui->txtResults->setText(text);
        break;
    case Box::Error:
        ui->txtError->setText(text);
        break;
    }
}

void Form1::showError(bool shown) {
    ui->txtError->setVisible(shown);
}

void Form1::paintResults() {
    ui->txtResults->viewport()->repaint();
}

void Form1::enableBusButtons() {
    for (QPushButton *button : busButtons())
        button->setEnabled(true);
}

bool Form1::autoQuery() const {
    return ui->ckAuto->checkState() == Qt::Checked;
}

void Form1::turnOnAutoQuery() {
    ui->ckAuto->setEnabled(true);
    ui->ckAuto->setCheckState(Qt::Checked);
}

void Form1::beep() {
    panel::beep();
}

} // namespace panel
