// SPDX-License-Identifier: MIT
// Random sequences of the operator's actions on the window, against a driver whose every
// answer comes from the input. The input is read in order: one byte picks the action (modulo
// 13: click one of the ten operation buttons, type an address, type a command, set Auto
// Query); typing takes a length byte (modulo 64) and that many Latin-1 characters, Auto Query
// one byte (modulo 3: off, greyed, on); each driver call then draws its answers in turn.

#include "drawnanswers.h"
#include "fakedriver.h"
#include "offscreenwindow.h"
#include "require.h"

#include "panel/form1.h"
#include "ui_Form1.h"

#include <QApplication>
#include <array>
#include <cstddef>
#include <cstdint>

namespace {

using fuzz::require;

constexpr int kActions = 13;
constexpr int kTypeAddress = 10;
constexpr int kTypeCommand = 11;
constexpr int kTypedMax = 64;
constexpr qsizetype kReadMax = 80;

// Every text an operation may put into the error box: a report headed by its label, or one
// of two messages.
bool knownErrorText(const QString &text) {
    static const std::array kLabels{
        "ibfind error", "ibpad error",   "SendIFC error", "ibsre Error",  "FindLstn error",
        "Send error",   "Receive Error", "SendIFC Error", "DevCLr Error", "SPoll Error"};
    for (const char *label : kLabels)
        if (text.startsWith(QLatin1String(label) + QLatin1String(",  ibsta = &H")))
            return true;
    return text == QLatin1String("Length of address is out of range, reenter") ||
           text == QLatin1String("ibcnt returned value > 63, check system and retry");
}

QString takeText(fuzz::ByteSource &input) {
    return QString::fromLatin1(input.takeBytes(input.take<std::uint8_t>() % kTypedMax));
}

// Clicks the button as the operator would; a disabled one does nothing.
void click(panel::Form1 &form, FakeDriver &driver, QPushButton *button) {
    Ui::Form1 &ui = *form.ui;
    const QString error = ui.txtError->text();
    const QString results = ui.txtResults->text();
    const QString command = ui.txtCmd->text();
    driver.calls.clear();

    button->click();
    // The event loop runs before the operator's next click.
    QApplication::processEvents();

    const QString now = ui.txtError->text();
    require(now == error || now.isEmpty() || knownErrorText(now),
            "the error box holds a known report or message", now);
    // A failed read leaves the results box alone; Send empties it and may read at once.
    const QString shown = ui.txtResults->text();
    if (button == ui.cmdSend || (button == ui.cmdRead && shown != results))
        require(shown.size() <= kReadMax, "a read shows at most 80 characters", shown);
    const bool sent = driver.callsOf(QStringLiteral("Send")) > 0;
    if (button == ui.cmdSend && sent)
        require(driver.lastSent == command.toLatin1(), "Send hands over the command line as typed",
                command);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) {
    fuzz::startOffscreenApplication((*argv)[0]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::ByteSource input(data, size);
    FakeDriver driver;
    fuzz::answerFromInput(driver, input);
    panel::Form1 &form = fuzz::freshWindow();
    Ui::Form1 &ui = *form.ui;
    const std::array<QPushButton *, 10> buttons{
        ui.cmdInitialize, ui.cmdFindLstn, ui.cmdSet, ui.cmdSend,   ui.cmdRead,
        ui.cmdCLS,        ui.cmdRST,      ui.cmdIFC, ui.cmdDevClr, ui.cmdSpoll};
    while (!input.empty()) {
        const int action = input.take<std::uint8_t>() % kActions;
        if (action < static_cast<int>(buttons.size()))
            click(form, driver, buttons[action]);
        else if (action == kTypeAddress)
            ui.txtAddr->setText(takeText(input));
        else if (action == kTypeCommand)
            ui.txtCmd->setText(takeText(input));
        else
            ui.ckAuto->setCheckState(static_cast<Qt::CheckState>(input.take<std::uint8_t>() % 3));
    }
    return 0;
}
