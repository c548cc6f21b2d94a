// SPDX-License-Identifier: MIT
// The exchange table of the adapter's firmware (tests/adapter/exchanges.txt), each case against
// a gpibsim-adapter process of its own, over the pseudo-terminal and over TCP.
#include "adapterclient.h"
#include "adapterprocess.h"
#include "exchangetable.h"

#include <QTest>

using namespace adaptertest;

namespace {

// A line whose answer the case's own exchanges cannot change, and that answer: sent after the
// last exchange, it shows that nothing else came back.
struct Closing {
    QByteArray line;
    QByteArray answer;
};

Closing closingExchange(const exchangetable::Case &exchanges) {
    if (exchanges.dialect == "ar488")
        return {"++ver real\r\n", "gpibsim-adapter " GPIBSIM_VERSION
                                  " (AR488-compatible controller, ver. 0.53.04)\r\n"};
    QByteArray version = "gpibsim-adapter " GPIBSIM_VERSION " (Prologix-compatible controller)";
    const std::string option = "--version-text=";
    for (const std::string &argument : exchanges.options)
        if (argument.starts_with(option))
            version = QByteArray::fromStdString(argument.substr(option.size()));
    return {"++ver\n", version + "\r\n"};
}

} // namespace

class AdapterExchanges : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void exchanges_data();
    void exchanges();

private:
    std::vector<exchangetable::Case> cases_;
};

void AdapterExchanges::initTestCase() {
    cases_ = exchangetable::readFile(ADAPTER_EXCHANGES);
    QVERIFY(!cases_.empty());
}

void AdapterExchanges::exchanges_data() {
    QTest::addColumn<Transport>("transport");
    QTest::addColumn<int>("index");
    for (int index = 0; index < static_cast<int>(cases_.size()); ++index) {
        const char *name = cases_[index].name.c_str();
        QTest::addRow("%s over the pty", name) << Transport::Pty << index;
        QTest::addRow("%s over TCP", name) << Transport::Tcp << index;
    }
}

void AdapterExchanges::exchanges() {
    QFETCH(Transport, transport);
    QFETCH(int, index);
    const exchangetable::Case &exchanges = cases_[index];
    QStringList arguments{"--dialect", QString::fromStdString(exchanges.dialect),
                          servingOption(transport)};
    for (const std::string &option : exchanges.options)
        arguments << QString::fromStdString(option);
    QStringList environment;
    for (const auto &[name, value] : exchanges.environment)
        environment << QString::fromStdString(name + "=" + value);
    AdapterProcess adapter(arguments, environment);
    AdapterClient client(transport, adapter.nextPlace(announcement(transport)));
    QVERIFY2(client.isOpen(), qPrintable(adapter.standardError()));

    for (const exchangetable::Exchange &exchange : exchanges.exchanges) {
        const QByteArray sent = QByteArray::fromStdString(exchange.sent);
        const QByteArray answer = QByteArray::fromStdString(exchange.answer);
        QVERIFY(client.send(sent));
        const QByteArray got = client.receive(answer.size());
        QVERIFY2(got == answer,
                 qPrintable(QStringLiteral("case of line %1: sent %2, got %3, not %4")
                                .arg(exchanges.line)
                                .arg(escaped(sent), escaped(got), escaped(answer))));
    }
    const Closing closing = closingExchange(exchanges);
    QVERIFY(client.send(closing.line));
    QCOMPARE(client.receive(closing.answer.size()), closing.answer);
}

QTEST_GUILESS_MAIN(AdapterExchanges)
#include "tst_adapterexchanges.moc"
