// SPDX-License-Identifier: MIT
// Definition files read into instruments: resource names, the library of our own definitions,
// and every kind of bad file, each refused with its file, line and column.
#include "driverfront/api/address.h"
#include "gpibsim/bus/setup.h"
#include "gpibsim/definitions/definition.h"
#include "gpibsim/definitions/loader.h"
#include "gpibsim/definitions/resourcename.h"
#include "gpibsim/system/files.h"

#include <QMap>
#include <QTest>

using namespace gpibsim;
using namespace gpibsim::definitions;

namespace {

const std::string kLibrary = GPIBSIM_INSTRUMENTS;

// Files in a list, separated as PATH separates folders.
std::string fileList(std::initializer_list<std::string> files) {
    std::string list;
    for (const std::string &file : files)
        list += (list.empty() ? "" : std::string(1, kPathSeparator)) + file;
    return list;
}

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
    void resourcesSkippedOrReplaced();
    void namesAlsoLookedForInTheLibrary();
    void onlyRegularFilesAreRead();
    void benchItemsAddToDefinedInstruments();
};

void DefinitionLoadTest::resourceNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("address");
    constexpr int instrument = static_cast<int>(ResourceName::Kind::Instrument);
    constexpr int skipped = static_cast<int>(ResourceName::Kind::Skipped);
    constexpr int malformed = static_cast<int>(ResourceName::Kind::Malformed);
    QTest::newRow("board left out") << "GPIB::8::INSTR" << instrument << 8;
    QTest::newRow("board 0") << "GPIB0::8::INSTR" << instrument << 8;
    QTest::newRow("lower case, no class") << "gpib0::8" << instrument << 8;
    QTest::newRow("zero first") << "GPIB0::08::INSTR" << instrument << 8;
    QTest::newRow("secondary 3") << "GPIB0::5::3::INSTR" << instrument << (5 | 99 << 8);
    QTest::newRow("secondary 0") << "GPIB0::5::0::INSTR" << instrument << (5 | 96 << 8);
    QTest::newRow("secondary 30") << "GPIB0::30::30::INSTR" << instrument << (30 | 126 << 8);
    QTest::newRow("board 1") << "GPIB1::8::INSTR" << skipped << 0;
    QTest::newRow("serial") << "ASRL1::INSTR" << skipped << 0;
    QTest::newRow("network") << "TCPIP::localhost::INSTR" << skipped << 0;
    QTest::newRow("interface") << "GPIB0::INTFC" << skipped << 0;
    QTest::newRow("GPIB-VXI, board -VXI0 to PyVISA") << "GPIB-VXI0::1::INSTR" << skipped << 0;
    QTest::newRow("board's address") << "GPIB0::0::INSTR" << skipped << 0;
    QTest::newRow("primary 31") << "GPIB0::31::INSTR" << skipped << 0;
    QTest::newRow("secondary 31") << "GPIB0::5::31::INSTR" << skipped << 0;
    QTest::newRow("primary not a number") << "GPIB0::x::INSTR" << skipped << 0;
    QTest::newRow("class in lower case, a secondary to PyVISA")
        << "GPIB0::8::instr" << skipped << 0;
    QTest::newRow("too many parts") << "GPIB0::1::2::3::INSTR" << malformed << 0;
    QTest::newRow("no primary") << "GPIB0" << malformed << 0;
    QTest::newRow("empty secondary") << "GPIB0::8::" << malformed << 0;
    QTest::newRow("interface with an address") << "GPIB0::3::INTFC" << malformed << 0;
    QTest::newRow("unknown interface type") << "COM1" << malformed << 0;
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

    const Loaded two = loadFiles(fileList({"multimeter.yaml", "", "power-supply.yaml"}), kLibrary);
    QCOMPARE(addressesOf(two.instruments), (QList<Addr4882_t>{3, 6}));

    const Loaded twice = loadFiles(fileList({"bench.yaml", "multimeter.yaml"}), kLibrary);
    QVERIFY2(twice.error.empty(), twice.error.c_str());
    QCOMPARE(addressesOf(twice.instruments), (QList<Addr4882_t>{3, 6, 9 | 98 << 8, 10}));
    QCOMPARE(twice.instruments[0].definition->origin, kLibrary + "/multimeter.yaml:32:3");
    QCOMPARE(twice.notes, std::vector<std::string>{kLibrary +
                                                   "/multimeter.yaml:32:3: resource "
                                                   "GPIB0::3::INSTR takes the place of the "
                                                   "resource at " +
                                                   kLibrary +
                                                   "/bench.yaml:5:3, at the same "
                                                   "address"});
}

// What pyvisa-sim refuses as it loads a file, each refused here with the place at fault.
void DefinitionLoadTest::badFiles_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("error");
    QTest::newRow("malformed YAML") << QByteArray("spec: \"1.1\"\ndevices: [a\n")
                                    << QByteArray("lab/bad.yaml:3:1: malformed YAML: ");
    QTest::newRow("two documents") << QByteArray("spec: \"1.1\"\n---\nspec: \"1.1\"\n")
                                   << QByteArray("lab/bad.yaml:2:1: malformed YAML: a second "
                                                 "document");
    QTest::newRow("a list as a key") << QByteArray("spec: \"1.1\"\n? [a]\n: 1\n")
                                     << QByteArray("lab/bad.yaml:2:3: malformed YAML: a list or "
                                                   "mapping as a mapping's key");
    QTest::newRow("an alias in its own anchor")
        << QByteArray("spec: \"1.1\"\nx: &a [*a]\n")
        << QByteArray("lab/bad.yaml:2:8: malformed YAML: an alias inside its own anchor");
    QTest::newRow("not a mapping")
        << QByteArray("- 1\n") << QByteArray("lab/bad.yaml:1:1: no spec version");
    QTest::newRow("empty") << QByteArray("") << QByteArray("lab/bad.yaml: no spec version");
    QTest::newRow("no spec") << QByteArray("devices: {}\n")
                             << QByteArray("lab/bad.yaml:1:1: no spec");
    QTest::newRow("spec 2.0") << QByteArray("spec: \"2.0\"\n")
                              << QByteArray("lab/bad.yaml:1:7: spec 2.0 is not 1.0 or 1.1");
    QTest::newRow("spec 1.2") << QByteArray("spec: 1.2\n")
                              << QByteArray("lab/bad.yaml:1:7: spec 1.2 is not 1.0 or 1.1");
    QTest::newRow("spec 0.9") << QByteArray("spec: 0.9\n")
                              << QByteArray("lab/bad.yaml:1:7: spec 0.9 is not 1.0 or 1.1");
    QTest::newRow("spec not a version")
        << QByteArray("spec: one\n") << QByteArray("1:7: spec \"one\"");
    QTest::newRow("resources empty") << QByteArray("spec: \"1.1\"\nresources:\n")
                                     << QByteArray("lab/bad.yaml:3:1: resources is not a mapping");
    QTest::newRow("unknown device")
        << QByteArray("spec: \"1.0\"\ndevices: {}\nresources:\n  GPIB0::8::INSTR:\n    device: "
                      "nowhere\n")
        << QByteArray("lab/bad.yaml:5:13: unknown device \"nowhere\"");
    QTest::newRow("no devices")
        << QByteArray("spec: \"1.0\"\nresources:\n  GPIB0::8::INSTR:\n    device: d\n")
        << QByteArray("lab/bad.yaml:1:1: no devices");
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
    QTest::newRow("unknown interface type")
        << withDevice("    {}\n").replace("GPIB0::8::INSTR", "COM1")
        << QByteArray("lab/bad.yaml:6:3: resource COM1: unknown interface type");
    QTest::newRow("GPIB name with too many parts")
        << withDevice("    {}\n").replace("::8::", "::1::2::3::")
        << QByteArray("lab/bad.yaml:6:3: resource GPIB0::1::2::3::INSTR: too many parts");
    QTest::newRow("a bad device where the bus holds nothing")
        << withDevice("    bases: [x]\n").replace("GPIB0::8::INSTR", "ASRL1::INSTR")
        << QByteArray("4:12: bases is not supported");
    QTest::newRow("eom of one word")
        << withDevice("    eom:\n      GPIB: {q: \"\\n\"}\n")
        << QByteArray("lab/bad.yaml:5:7: eom \"GPIB\" is not an interface type and a resource");
    QTest::newRow("eom of an unknown interface")
        << withDevice("    eom:\n      SERIAL INSTR: {q: \"\\n\"}\n")
        << QByteArray("lab/bad.yaml:5:7: eom \"SERIAL INSTR\": unknown interface type");
    QTest::newRow("eom without q")
        << withDevice("    eom:\n      GPIB INSTR:\n        r: \"\\n\"\n")
        << QByteArray("lab/bad.yaml:6:9: no q");
    QTest::newRow("properties empty")
        << withDevice("    properties:\n")
        << QByteArray("lab/bad.yaml:5:1: properties is not a mapping");
    QTest::newRow("dialogue without q")
        << withDevice("    dialogues:\n      - {r: x}\n") << QByteArray("lab/bad.yaml:5:9: no q");
    QTest::newRow("getter without q") << withDevice(R"(    properties:
      f:
        getter: {r: "{}"}
)") << QByteArray("lab/bad.yaml:6:17: no q");
    QTest::newRow("setter stringparser refuses") << withDevice(R"(    properties:
      f:
        setter: {q: "F {:c}"}
)") << QByteArray("lab/bad.yaml:6:21: setter of f: c is not a type code stringparser reads");
    QTest::newRow("setter with # and f") << withDevice(R"(    properties:
      f:
        setter: {q: "F {:#f}"}
)") << QByteArray("lab/bad.yaml:6:21: setter of f: '#' is not allowed with f");
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
    QTest::newRow("valid not an int") << withDevice(R"(    properties:
      f:
        default: 1
        specs: {type: int, valid: [1, x]}
)") << QByteArray("lab/bad.yaml:7:35: a valid value \"x\" is not a int");
    QTest::newRow("no default of a float") << withDevice(R"(    properties:
      f:
        specs: {type: float}
)") << QByteArray("lab/bad.yaml:6:9: default of f is not a float");
    QTest::newRow("default outside its specs") << withDevice(R"(    properties:
      f:
        default: 7
        specs: {type: int, valid: [0, 1]}
)") << QByteArray("lab/bad.yaml:6:18: default of f outside its specs");
    QTest::newRow("default a list of an int") << withDevice(R"(    properties:
      f:
        default: [1]
        specs: {type: int}
)") << QByteArray("lab/bad.yaml:6:18: default of f is not a int");
    QTest::newRow("default of too many items, through aliases")
        << withDevice(R"(    a: &a [x, x, x, x, x, x, x, x, x, x]
    b: &b [*a, *a, *a, *a, *a, *a, *a, *a, *a, *a]
    c: &c [*b, *b, *b, *b, *b, *b, *b, *b, *b, *b]
    e: &e [*c, *c, *c, *c, *c, *c, *c, *c, *c, *c]
    properties:
      f:
        default: [*e, *e, *e, *e, *e, *e, *e, *e, *e, *e]
)") << QByteArray("lab/bad.yaml:10:18: a value of more than 100000 items");
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
    QTest::newRow("bases") << withDevice("    bases: [x]\n")
                           << QByteArray("4:12: bases is not supported");
}

void DefinitionLoadTest::badFiles() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, error);
    const Loaded loaded = loadDefinition(text, {{"other.yaml", "spec: \"1.1\"\ndevices: {}\n"}});
    QVERIFY2(QByteArray::fromStdString(loaded.error).contains(error), loaded.error.c_str());
    QCOMPARE(loaded.error.find('\n'), std::string::npos);
    QVERIFY(loaded.instruments.empty());
}

// A resource the bus cannot hold is skipped, and a later one at an address takes the place of
// the earlier, each with a note; the rest of the file loads.
void DefinitionLoadTest::resourcesSkippedOrReplaced() {
    const Loaded loaded = loadDefinition(R"(spec: "1.1"
devices:
  d: {}
  e: {}
resources:
  GPIB0::8::INSTR: {device: d}
  ASRL1::INSTR: {device: d}
  GPIB1::3::INSTR: {device: d}
  GPIB0::0::INSTR: {device: d}
  GPIB0::31::INSTR: {device: d}
  GPIB0::5::31::INSTR: {device: d}
  GPIB0::INTFC: {device: d}
  GPIB0::4::INSTR: {device: device 1, filename: default.yaml, bundled: true}
  GPIB::4::INSTR: {device: d, bundled: "false"}
  GPIB::8::INSTR: {device: e}
)");
    QVERIFY2(loaded.error.empty(), loaded.error.c_str());
    QCOMPARE(addressesOf(loaded.instruments), (QList<Addr4882_t>{8, 4}));
    QCOMPARE(loaded.instruments[0].definition->name, "e");
    const std::vector<std::string> notes = {
        "lab/bad.yaml:7:3: resource ASRL1::INSTR skipped: not a GPIB resource; the simulated bus "
        "holds the instruments of GPIB board 0",
        "lab/bad.yaml:8:3: resource GPIB1::3::INSTR skipped: on board 1; the simulated bus holds "
        "the instruments of GPIB board 0",
        "lab/bad.yaml:9:3: resource GPIB0::0::INSTR skipped: primary address 0 not 1..30 (0 is "
        "the board's)",
        "lab/bad.yaml:10:3: resource GPIB0::31::INSTR skipped: primary address 31 not 1..30 (0 is "
        "the board's)",
        "lab/bad.yaml:11:3: resource GPIB0::5::31::INSTR skipped: secondary address 31 not 0..30",
        "lab/bad.yaml:12:3: resource GPIB0::INTFC skipped: the interface, not an instrument",
        "lab/bad.yaml:13:3: resource GPIB0::4::INSTR skipped: it names a file of pyvisa-sim's own",
        "lab/bad.yaml:15:3: resource GPIB::8::INSTR takes the place of the resource at "
        "lab/bad.yaml:6:3, at the same address"};
    QCOMPARE(loaded.notes, notes);
}

void DefinitionLoadTest::namesAlsoLookedForInTheLibrary() {
    const QByteArray psu = withDevice("    {}\n");
    const ReadFile read =
        filesOf({{"lib/psu.yaml", psu}, {"here.yaml", QByteArray(psu).replace("::8::", "::9::")}});
    const Loaded both = loadFiles(fileList({"here.yaml", "psu.yaml"}), "lib", read);
    QVERIFY2(both.error.empty(), both.error.c_str());
    QCOMPARE(addressesOf(both.instruments), (QList<Addr4882_t>{9, 8}));
    QCOMPARE(QString::fromStdString(both.instruments[1].definition->origin), "lib/psu.yaml:6:3");

    QCOMPARE(loadFiles("./psu.yaml", "lib", read).error,
             "./psu.yaml: cannot read: No such file or directory");
    QCOMPARE(loadFiles("gone.yaml", "lib", read).error,
             "gone.yaml: cannot read: No such file or directory, nor in lib");
}

void DefinitionLoadTest::onlyRegularFilesAreRead() {
#if defined(_WIN32)
    QCOMPARE(readFile("NUL").error, "not a regular file");
#else
    QCOMPARE(readFile("/dev/zero").error, "not a regular file");
#endif
    QCOMPARE(readFile(kLibrary).error, "not a regular file");
    QVERIFY(readFile(kLibrary + "/bench.yaml").text.value_or("").starts_with("# The four"));
}

void DefinitionLoadTest::benchItemsAddToDefinedInstruments() {
    const std::vector<Resource> defined = loadFiles("multimeter.yaml", kLibrary).instruments;
    const ParsedSetup added = parseSetup("dmm@4;fail=Send:14", defined);
    QVERIFY2(added.error.empty(), added.error.c_str());
    QCOMPARE(addressesOf(added.setup.instruments), (QList<Addr4882_t>{3, 4}));
    QCOMPARE(added.setup.instruments[0].kind, InstrumentKind::Defined);
    QCOMPARE(added.setup.script.fault(driverfront::Entry::Send).iberr, 14);
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
