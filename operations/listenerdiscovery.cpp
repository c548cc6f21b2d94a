#include "operations/listenerdiscovery.h"

#include "gpib/gpib32.h"
#include "operations/errorbox.h"
#include "panel/beep.h"
#include "panel/form1.h"
#include "status/numberforms.h"

#include <array>

namespace operations {

namespace {

using int16 = BenchState::int16;

constexpr int16 kLimit = 32;
constexpr int16 kEndOfList = -1;

// Every primary address but the controller's own, closed by the end mark.
std::array<int16, 33> AddressList(int16 controller) {
    std::array<int16, 33> list{};
    std::size_t i = 0;
    for (int16 address = 0; address <= 30; ++address)
        if (address != controller)
            list[i++] = address;
    list[i] = kEndOfList;
    return list;
}

// A word above 0x6000 carries a secondary address and shows as 100 * pad + (sad - 96); the
// split is kept in the bench fields. Any other word shows as it is.
int16 DisplayNumber(BenchState &b, int16 word) {
    if (word <= 24576)
        return word;
    b.sad = static_cast<int16>(word / 256);
    b.pad = static_cast<int16>(word - 256 * b.sad);
    b.ppss = static_cast<int16>(100 * b.pad + (b.sad - 96));
    return b.ppss;
}

// Lists the n listeners the driver found; false when n cannot be a count of its list.
bool ListListeners(Form1 &form, int16 n) {
    BenchState &b = form.bench;
    ResultsBox *results = form.ui.txtResults;
    if (n < 0 || n > kLimit) {
        form.ui.txtError->setText(
            QStringLiteral("ibcnt returned value > 63, check system and retry"));
        form.ui.txtError->show();
        panel::Beep();
        return false;
    }
    QString addresses;
    for (int16 i = 0; i < n; ++i) {
        const int16 word = b.ResultList[i];
        const int16 shown = DisplayNumber(b, word);
        addresses += SignedForm(shown) + QLatin1Char(' ');
        if (i == 0) {
            b.founddev = shown;
            b.foundaddr = word;
        }
    }
    b.FoundFlg = 1;
    if (n >= 2) {
        results->setText(QStringLiteral("FindLstn: Found") + SignedForm(n) +
                         QStringLiteral(" devices at addresses = ") + addresses);
        results->setText(results->text() + b.NL +
                         QStringLiteral("Multiple devices found! Enter correct device address "
                                        "and press SET button."));
    } else if (n == 1) {
        results->setText(QStringLiteral("FindLstn: Found") + SignedForm(n) +
                         QStringLiteral(" device at address = ") + addresses);
    } else {
        panel::Beep();
        results->setText(QStringLiteral("FindLstn: No devices found"));
        b.FoundFlg = 0;
        b.founddev = 0;
    }
    b.ResultList[n] = kEndOfList;
    return true;
}

} // namespace

void ListenerDiscovery(Form1 &form) {
    BenchState &b = form.bench;
    form.ui.txtCmd->setText(QString());
    form.ui.txtResults->setText(QStringLiteral("FindLstn: Wait while looking for devices"));
    // The search blocks the window: paint the wait message before it starts.
    form.ui.txtResults->viewport()->repaint();

    const std::array<int16, 33> addresses = AddressList(b.Ctlraddr);
    GPIB32::FindLstn(b.BD, addresses, b.ResultList, kLimit);
    // EBUS with the error bit set still delivers the listeners found.
    if (GPIB32::Failed() && GPIB32::iberr != GPIB32::EBUS)
        ShowErrorReport(form, "FindLstn error");
    else if (!ListListeners(form, GPIB32::ibcnt))
        return;
    form.ui.txtAddr->setText(SignedForm(b.founddev));
    GPIB32::TargetAddr = b.foundaddr;
}

} // namespace operations
