// SPDX-License-Identifier: MIT
// Definition files read into instruments: resource names, the library of our own definitions,
// and every kind of bad file, each refused with its file, line and column.
#include "gpibsim/api/address.h"
#include "gpibsim/bus/setup.h"
#include "gpibsim/definitions/definition.h"
#include "gpibsim/definitions/loader.h"
#include "gpibsim/definitions/resourcename.h"

#include <QMap>
#include <QTest>

using namespace gpibsim;
using namespace gpibsim::definitions;

namespace {

const std::string kLibrary = GPIBSIM_INSTRUMENTS;

// Files held in memory, by path.
ReadFile filesOf(QMap<QString, QByteArray> files) {
    return [files](const std::string &path) -> FileText {
        const auto found = files.find(QString::fromStdString(path));
        if (found == files.end())
            return {.text = std::nullopt, .error = "No such file or directory"};
        return {.text = found->toStdString(), .error = {}};
    };
}

Loaded loadDefinition(const QByteArray &text, QMap<QString, QByteArray> others = {}) {
    return loadText(text.toStdString(), "lab/bad.yaml", filesOf(std::move(others)));
}

template <typename Placed> QList<Addr4882_t> addressesOf(const std::vector<Placed> &instruments) {
    QList<Addr4882_t> addresses;
    for (const Placed &placed : instruments)
        addresses.append(placed.address);
    return addresses;
}

// A definition whose device "d" is what a row gives, at GPIB0::8::INSTR.
QByteArray withDevice(const QByteArray &device) {
    return "spec: \"1.1\"\ndevices:\n  d:\n" + device +
           "resources:\n  GPIB0::8::INSTR:\n    device: d\n";
}

} // namespace

class DefinitionLoadTest : public QObject {
    Q_OBJECT

private slots:
    void resourceNames_data();
    void resourceNames();
    void libraryOfDefinitions();
    void badFiles_data();
    void badFiles();
    void skippedResources();
    void namesAlsoLookedForInTheLibrary();
    void onlyRegularFilesAreRead();
    void benchItemsAddToDefinedInstruments();
};

void DefinitionLoadTest::resourceNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("address");
    constexpr int instrument = static_cast<int>(ResourceName::Kind::Instrument);
    constexpr int elsewhere = static_cast<int>(ResourceName::Kind::Elsewhere);
    constexpr int malformed = static_cast<int>(ResourceName::Kind::Malformed);
    QTest::newRow("board left out") << "GPIB::8::INSTR" << instrument << 8;
    QTest::newRow("board 0") << "GPIB0::8::INSTR" << instrument << 8;
    QTest::newRow("lower case, no class") << "gpib0::8" << instrument << 8;
    QTest::newRow("secondary 3") << "GPIB0::5::3::INSTR" << instrument << (5 | 99 << 8);
    QTest::newRow("secondary 0") << "GPIB0::5::0::INSTR" << instrument << (5 | 96 << 8);
    QTest::newRow("secondary 30") << "GPIB0::30::30::INSTR" << instrument << (30 | 126 << 8);
    QTest::newRow("board 1") << "GPIB1::8::INSTR" << elsewhere << 0;
    QTest::newRow("serial") << "ASRL1::INSTR" << elsewhere << 0;
    QTest::newRow("network") << "TCPIP::localhost::INSTR" << elsewhere << 0;
    QTest::newRow("interface") << "GPIB0::INTFC" << elsewhere << 0;
    QTest::newRow("GPIB-VXI") << "GPIB-VXI0::1::INSTR" << elsewhere << 0;
    QTest::newRow("board's address") << "GPIB0::0::INSTR" << malformed << 0;
    QTest::newRow("primary 31") << "GPIB0::31::INSTR" << malformed << 0;
    QTest::newRow("secondary 31") << "GPIB0::5::31::INSTR" << malformed << 0;
    QTest::newRow("primary not a number") << "GPIB0::x::INSTR" << malformed << 0;
    QTest::newRow("too many parts") << "GPIB0::1::2::3::INSTR" << malformed << 0;
}

void DefinitionLoadTest::resourceNames() {
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(int, address);
    const ResourceName parsed = parseResourceName(name.toStdString());
    QCOMPARE(static_cast<int>(parsed.kind), kind);
    QCOMPARE(parsed.address, Addr4882_t(address));
    QCOMPARE(parsed.why.empty(), kind == static_cast<int>(ResourceName::Kind::Instrument));
}

void DefinitionLoadTest::libraryOfDefinitions() {
    const Loaded bench = loadFiles("bench.yaml", kLibrary);
    QVERIFY2(bench.error.empty(), bench.error.c_str());
    QCOMPARE(addressesOf(bench.instruments), (QList<Addr4882_t>{3, 6, 9 | 98 << 8, 10}));
    QCOMPARE(bench.instruments[2].definition->name, "scanner");
    QCOMPARE(bench.instruments[2].definition->messageEnd, "\r\n");
    QCOMPARE(bench.instruments[2].definition->origin, kLibrary + "/bench.yaml:11:3");
    QVERIFY(bench.notes.empty());

    const Loaded two = loadFiles("multimeter.yaml::power-supply.yaml", kLibrary);
    QCOMPARE(addressesOf(two.instruments), (QList<Addr4882_t>{3, 6}));

    const Loaded twice = loadFiles("bench.yaml:multimeter.yaml", kLibrary);
    QCOMPARE(twice.error, kLibrary +
                              "/multimeter.yaml:32:3: GPIB0::3::INSTR is at the address "
                              "of the resource at " +
                              kLibrary + "/bench.yaml:5:3");
    QVERIFY(twice.instruments.empty());
}

void DefinitionLoadTest::badFiles_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("error");
    QTest::newRow("malformed YAML") << QByteArray("spec: \"1.1\"\ndevices: [a\n")
                                    << QByteArray("lab/bad.yaml:3:1: malformed YAML: ");
    QTest::newRow("not a mapping")
        << QByteArray("- 1\n") << QByteArray("lab/bad.yaml:1:1: not a mapping");
    QTest::newRow("no spec") << QByteArray("devices: {}\n")
                             << QByteArray("lab/bad.yaml:1:1: no spec");
    QTest::newRow("spec 2.0") << QByteArray("spec: \"2.0\"\n")
                              << QByteArray("lab/bad.yaml:1:7: spec 2.0 is not 1.0 or 1.1");
    QTest::newRow("spec not a version")
        << QByteArray("spec: one\n") << QByteArray("1:7: spec \"one\"");
    QTest::newRow("unknown device")
        << QByteArray("spec: \"1.0\"\nresources:\n  GPIB0::8::INSTR:\n    device: nowhere\n")
        << QByteArray("lab/bad.yaml:4:13: unknown device \"nowhere\"");
    QTest::newRow("no device") << QByteArray(
                                      "spec: \"1.0\"\nresources:\n  GPIB0::8::INSTR:\n    x: 1\n")
                               << QByteArray("lab/bad.yaml:4:5: no device");
    QTest::newRow("unknown device in another file")
        << QByteArray("spec: \"1.0\"\nresources:\n  GPIB0::8::INSTR:\n    device: d\n    filename: "
                      "../other.yaml\n")
        << QByteArray("lab/bad.yaml:4:13: unknown device \"d\" in other.yaml");
    QTest::newRow("another file unreadable")
        << QByteArray("spec: \"1.0\"\nresources:\n  GPIB0::8::INSTR:\n    device: d\n    filename: "
                      "gone.yaml\n")
        << QByteArray("lab/bad.yaml:5:15: cannot read lab/gone.yaml: No such file");
    QTest::newRow("two at one address")
        << withDevice("    {}\n").append("  GPIB::8::INSTR:\n    device: d\n")
        << QByteArray("lab/bad.yaml:8:3: GPIB::8::INSTR is at the address of the resource at "
                      "lab/bad.yaml:6:3");
    QTest::newRow("resource at the board's address")
        << QByteArray("spec: \"1.0\"\nresources:\n  GPIB0::0::INSTR:\n    device: d\n")
        << QByteArray("lab/bad.yaml:3:3: resource GPIB0::0::INSTR: primary address not 1..30");
    QTest::newRow("bases") << withDevice("    bases: [x]\n")
                           << QByteArray("4:12: bases is not supported");
    QTest::newRow("eom without r")
        << withDevice("    eom:\n      GPIB INSTR:\n        q: \"\\n\"\n")
        << QByteArray("lab/bad.yaml:6:9: no r");
    QTest::newRow("getter format") << withDevice(R"(    properties:
      f:
        default: 1.0
        getter: {q: "F?", r: "{:.2q}"}
        specs: {type: float}
)") << QByteArray("lab/bad.yaml:7:30: getter of f: unknown format code 'q' for a float value");
    QTest::newRow("getter format of a str") << withDevice(R"(    properties:
      f:
        default: abc
        getter: {q: "F?", r: "{:d}"}
)") << QByteArray("lab/bad.yaml:7:30: getter of f: cannot format the default \"abc\"");
    QTest::newRow("getter with two values") << withDevice(R"(    properties:
      f:
        getter: {q: "F?", r: "{} {}"}
)") << QByteArray("lab/bad.yaml:6:30: more than one {} for one value in \"{} {}\"");
    QTest::newRow("setter without a value") << withDevice(R"(    properties:
      f:
        setter: {q: "F"}
)") << QByteArray("lab/bad.yaml:6:21: setter of f: a setter without a value field");
    QTest::newRow("specs without a type") << withDevice(R"(    properties:
      f:
        default: 1
        specs: {min: 0}
)") << QByteArray("lab/bad.yaml:7:16: specs need a type");
    QTest::newRow("min not a float") << withDevice(R"(    properties:
      f:
        default: 1
        specs: {type: float, min: low}
)") << QByteArray("lab/bad.yaml:7:35: min \"low\" is not a float");
    QTest::newRow("no default of a float") << withDevice(R"(    properties:
      f:
        specs: {type: float}
)") << QByteArray("lab/bad.yaml:6:9: property f has no default float");
    QTest::newRow("default outside its specs") << withDevice(R"(    properties:
      f:
        default: 7
        specs: {type: int, valid: [0, 1]}
)") << QByteArray("lab/bad.yaml:6:18: default of f outside its specs");
    QTest::newRow("RANDOM outside its field")
        << withDevice("    dialogues:\n      - {q: \"R?\", r: \"RANDOM(0, 1, 2){:.2f}\"}\n")
        << QByteArray("lab/bad.yaml:5:22: RANDOM outside a reply's only field");
    QTest::newRow("RANDOM without its count")
        << withDevice("    dialogues:\n      - {q: \"R?\", r: \"{RANDOM(0, 10.5):.2f}\"}\n")
        << QByteArray("lab/bad.yaml:5:22: RANDOM takes (min, max, count)");
    QTest::newRow("RANDOM of a str format")
        << withDevice("    dialogues:\n      - {q: \"R?\", r: \"{RANDOM(0, 1, 1):s}\"}\n")
        << QByteArray("lab/bad.yaml:5:22: unknown format code 's' for a float value");
    QTest::newRow("BYTES above xff")
        << withDevice("    dialogues:\n      - {q: \"B?\", r: \"BYTES(\\u0100)\"}\n")
        << QByteArray("lab/bad.yaml:5:22: BYTES(...) holds a character above U+00FF");
    QTest::newRow("register not a number")
        << withDevice(
               "    error:\n      status_register:\n        - {q: \"*ESR?\", command_error: x}\n")
        << QByteArray("lab/bad.yaml:6:39: command_error is not an integer");
    QTest::newRow("queue without default")
        << withDevice("    error:\n      error_queue:\n        - {q: \"E?\"}\n")
        << QByteArray("lab/bad.yaml:6:11: no default");
    QTest::newRow("channel query with a value field") << withDevice(R"(    channels:
      ch:
        ids: [1]
        dialogues:
          - {q: "C{}?", r: "x"}
)") << QByteArray("lab/bad.yaml:8:17: channel query \"C{}?\": field {} where only {ch_id}");
    QTest::newRow("channels without selected_channel") << withDevice(R"(    channels:
      ch:
        ids: [1]
        can_select: False
)") << QByteArray("lab/bad.yaml:7:21: channels that cannot select need");
}

void DefinitionLoadTest::badFiles() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, error);
    const Loaded loaded = loadDefinition(text, {{"other.yaml", "spec: \"1.1\"\ndevices: {}\n"}});
    QVERIFY2(QByteArray::fromStdString(loaded.error).contains(error), loaded.error.c_str());
    QCOMPARE(loaded.error.find('\n'), std::string::npos);
    QVERIFY(loaded.instruments.empty());
}

void DefinitionLoadTest::skippedResources() {
    const Loaded loaded = loadDefinition(withDevice("    {}\n") + R"(  ASRL1::INSTR:
    device: d
  GPIB1::3::INSTR:
    device: d
  GPIB0::4::INSTR:
    device: device 1
    filename: default.yaml
    bundled: true
)");
    QVERIFY2(loaded.error.empty(), loaded.error.c_str());
    QCOMPARE(addressesOf(loaded.instruments), QList<Addr4882_t>{8});
    QCOMPARE(loaded.notes.size(), 3u);
    QVERIFY(loaded.notes[0].starts_with("lab/bad.yaml:8:3: resource ASRL1::INSTR skipped: "));
    QVERIFY(loaded.notes[1].starts_with(
        "lab/bad.yaml:10:3: resource GPIB1::3::INSTR skipped: on board 1"));
    QVERIFY(loaded.notes[2].starts_with("lab/bad.yaml:12:3: resource GPIB0::4::INSTR skipped: "));
}

void DefinitionLoadTest::namesAlsoLookedForInTheLibrary() {
    const QByteArray psu = withDevice("    {}\n");
    const ReadFile read =
        filesOf({{"lib/psu.yaml", psu}, {"here.yaml", QByteArray(psu).replace("::8::", "::9::")}});
    const Loaded both = loadFiles("here.yaml:psu.yaml", "lib", read);
    QVERIFY2(both.error.empty(), both.error.c_str());
    QCOMPARE(addressesOf(both.instruments), (QList<Addr4882_t>{9, 8}));
    QCOMPARE(QString::fromStdString(both.instruments[1].definition->origin), "lib/psu.yaml:6:3");

    QCOMPARE(loadFiles("./psu.yaml", "lib", read).error,
             "./psu.yaml: cannot read: No such file or directory");
    QCOMPARE(loadFiles("gone.yaml", "lib", read).error,
             "gone.yaml: cannot read: No such file or directory, nor in lib");
}

void DefinitionLoadTest::onlyRegularFilesAreRead() {
    QCOMPARE(readFile("/dev/zero").error, "not a regular file");
    QCOMPARE(readFile(kLibrary).error, "not a regular file");
    QVERIFY(readFile(kLibrary + "/bench.yaml").text.value_or("").starts_with("# The four"));
}

void DefinitionLoadTest::benchItemsAddToDefinedInstruments() {
    const std::vector<Resource> defined = loadFiles("multimeter.yaml", kLibrary).instruments;
    const ParsedSetup added = parseSetup("dmm@4;fail=Send:14", defined);
    QVERIFY2(added.error.empty(), added.error.c_str());
    QCOMPARE(addressesOf(added.setup.instruments), (QList<Addr4882_t>{3, 4}));
    QCOMPARE(added.setup.instruments[0].kind, InstrumentKind::Defined);
    QCOMPARE(added.setup.fault(Entry::Send).iberr, 14);
    QCOMPARE(addressesOf(parseSetup("", std::vector<Resource>{}).setup.instruments),
             QList<Addr4882_t>{});

    const ParsedSetup clash = parseSetup("generic@3", defined);
    QCOMPARE(clash.error, "item \"generic@3\": the instrument of " + kLibrary +
                              "/multimeter.yaml:32:3 is already at that address");
    QCOMPARE(clash.setup, defaultSetup());
    QVERIFY(!parseSetup("none", defined).error.empty());
}

QTEST_GUILESS_MAIN(DefinitionLoadTest)
#include "tst_definitionload.moc"
