// SPDX-License-Identifier: MIT
#include "operations/listenerdiscovery.h"

#include "gpib/wrappers.h"
#include "operations/errorbox.h"
#include "status/numberforms.h"

namespace operations {

namespace {

using status::signedForm;

using AddressList = std::array<int16, gpib::kAddressListSize>;

// Every primary address but the controller's own, closed by the end mark.
AddressList addressList(int16 controller) {
    AddressList list{};
    std::size_t i = 0;
    for (int16 address = 0; address <= 30; ++address)
        if (address != controller)
            list[i++] = address;
    list[i] = gpib::kEndOfList;
    return list;
}

// A word above 0x6000 carries a secondary address and shows as 100 * pad + (sad - 96); the
// split is kept in the bench fields. Any other word shows as it is.
int16 displayNumber(BenchState &b, int16 word) {
    if (word <= 0x6000)
        return word;
    b.sad = static_cast<int16>(word / 256);
    b.pad = static_cast<int16>(word - 256 * b.sad);
    b.ppss = static_cast<int16>(100 * b.pad + (b.sad - 96));
    return b.ppss;
}

// Lists the n listeners the driver found; false when n cannot be a count of its list.
bool listListeners(View &view, BenchState &b, int16 n) {
    if (n < 0 || n > gpib::kListenerLimit) {
        view.setText(View::Box::Error,
                     QStringLiteral("ibcnt returned value > 63, check system and retry"));
        view.showError(true);
        view.beep();
        return false;
    }
    QString addresses;
    for (int16 i = 0; i < n; ++i) {
        const int16 word = b.ResultList[i];
        const int16 shown = displayNumber(b, word);
        addresses += signedForm(shown) + QLatin1Char(' ');
        if (i == 0) {
            b.founddev = shown;
            b.foundaddr = word;
        }
    }
    b.FoundFlg = 1;
    const auto results = View::Box::Results;
    if (n >= 2) {
        view.setText(results, QStringLiteral("FindLstn: Found") + signedForm(n) +
                                  QStringLiteral(" devices at addresses = ") + addresses);
        view.setText(results, view.text(results) + b.NL +
                                  QStringLiteral("Multiple devices found! Enter correct device "
                                                 "address and press SET button."));
    } else if (n == 1) {
        view.setText(results, QStringLiteral("FindLstn: Found") + signedForm(n) +
                                  QStringLiteral(" device at address = ") + addresses);
    } else {
        view.beep();
        view.setText(results, QStringLiteral("FindLstn: No devices found"));
        b.FoundFlg = 0;
        b.founddev = 0;
    }
    b.ResultList[n] = gpib::kEndOfList;
    return true;
}

} // namespace

void listenerDiscovery(View &view, BenchState &bench) {
    view.setText(View::Box::Command, QString());
    view.setText(View::Box::Results, QStringLiteral("FindLstn: Wait while looking for devices"));
    // The search blocks the window: paint the wait message before it starts.
    view.paintResults();

    const AddressList addresses = addressList(bench.Ctlraddr);
    gpib::FindLstn(bench.BD, addresses, bench.ResultList, gpib::kListenerLimit);
    // EBUS with the error bit set still delivers the listeners found.
    if (gpib::failed() && gpib::iberr != gpib::EBUS)
        showErrorReport(view, "FindLstn error");
    else if (!listListeners(view, bench, gpib::ibcnt))
        return;
    view.setText(View::Box::Address, signedForm(bench.founddev));
    TargetAddr = bench.foundaddr;
}

} // namespace operations
