// SPDX-License-Identifier: MIT
// AR488's commands that tell about the interface itself: its identity, its help, its macros
// and its pins.
#include "gpibsim/adapter/ar488.h"

#include "gpibsim/adapter/ctext.h"

#include <cstdio>
#include <string>

namespace gpibsim::adapter {

namespace {

// ++help's entries as the firmware prints them: "P" marks the commands of the other dialect,
// "C" AR488's own. The firmware's text lacks the line end after "unt", so "verbose" shares its
// line and cannot be asked for alone.
struct HelpEntry {
    std::string_view name;
    char kind;
    std::string_view text;
};

constexpr HelpEntry kHelp[] = {
    {"addr", 'P', "Display/set device address"},
    {"auto", 'P', "Automatically request talk and read response"},
    {"clr", 'P', "Send Selected Device Clear to current GPIB address"},
    {"eoi", 'P', "Enable/disable assertion of EOI signal"},
    {"eor", 'P', "Show or set end of receive character(s)"},
    {"eos", 'P', "Specify GPIB termination character"},
    {"eot_char", 'P', "Set character to append to USB output when EOT enabled"},
    {"eot_enable", 'P',
     "Enable/Disable appending user specified character to USB output on EOI detection"},
    {"help", 'P', "This message"},
    {"ifc", 'P', "Assert IFC signal for 150 miscoseconds - make AR488 controller in charge"},
    {"llo", 'P', "Local lockout - disable front panel operation on instrument"},
    {"loc", 'P', "Enable front panel operation on instrument"},
    {"lon", 'P', "Put controller in listen-only mode (listen to all traffic)"},
    {"mode", 'P', "Set the interface mode (1=controller/0=device)"},
    {"read", 'P', "Read data from instrument"},
    {"read_tmo_ms", 'P', "Read timeout specified between 1 - 3000 milliseconds"},
    {"rst", 'P', "Reset the controller"},
    {"savecfg", 'P', "Save configration"},
    {"spoll", 'P', "Serial poll the addressed host or all instruments"},
    {"srq", 'P', "Return status of srq signal (1-srq asserted/0-srq not asserted)"},
    {"status", 'P',
     "Set the status byte to be returned on being polled (bit 6 = RQS, i.e SRQ asserted)"},
    {"trg", 'P', "Send trigger to selected devices (up to 15 addresses)"},
    {"ver", 'P', "Display firmware version"},
    {"aspoll", 'C', "Serial poll all instruments (alias: ++spoll all)"},
    {"dcl", 'C', "Send unaddressed (all) device clear  [power on reset] (is the rst?)"},
    {"default", 'C', "Set configuration to controller default settings"},
    {"id", 'C', "Show interface ID information - see also: 'id name'; 'id serial'; 'id verstr'"},
    {"id name", 'C', "Show/Set the name of the interface"},
    {"id serial", 'C', "Show/Set the serial number of the interface"},
    {"id verstr", 'C',
     "Show/Set the version string sent in reply to ++ver e.g. \"GPIB-USB\"). Max 47 chars, "
     "excess truncated."},
    {"idn", 'C', "Enable/Disable reply to *idn? (disabled by default)"},
    {"macro", 'C', "Run a macro (if macro support is compiled)"},
    {"fndl", 'C', "Find listners"},
    {"ppoll", 'C', "Conduct a parallel poll"},
    {"ren", 'C', "Assert or Unassert the REN signal"},
    {"repeat", 'C', "Repeat a given command and return result"},
    {"secread", 'C', "Read from a secondary address"},
    {"secsend", 'C', "Send data or command to a secondary address"},
    {"setvstr", 'C', "DEPRECATED - see id verstr"},
    {"srqauto", 'C', "Automatically conduct serial poll when SRQ is asserted"},
    {"tct", 'C', "Signal remote device to take control"},
    {"ton", 'C', "Put controller in talk-only mode (send data only)"},
    {"unl", 'C', "Unlisten the GPIB bus"},
    {"unt", 'C', "Untalk the GPIB busverbose:C Verbose (human readable) mode"},
    {"xdiag", 'C', "Bus diagnostics (see the doc)"},
};

// The Uno's pins for the bus lines, as ++xdiag shows them.
struct Pin {
    std::string_view name;
    int pin;
};
constexpr Pin kDataPins[] = {{"DIO1", 14}, {"DIO2", 15}, {"DIO3", 16}, {"DIO4", 17},
                             {"DIO5", 18}, {"DIO6", 19}, {"DIO7", 4},  {"DIO8", 5}};
constexpr Pin kControlPins[] = {{"IFC", 8},  {"NDAC", 9}, {"NRFD", 10}, {"DAV", 11},
                                {"EOI", 12}, {"SRQ", 2},  {"REN", 3},   {"ATN", 7}};
// The bit of each control pin in a byte ++xdiag 1 sets, in the order above.
constexpr int kControlBits[] = {0, 1, 2, 3, 4, 6, 5, 7};

} // namespace

// "name", "serial" and "verstr" set a value when followed by one, else show it, as does
// "fwver"; each word is taken by its start. Setting the version text also prints it.
void Ar488::id(Params params) {
    if (!params)
        return error(0);
    ctext::Tokens tokens(*params);
    const std::string_view keyword = tokens.next(" \t").value_or("");
    const std::size_t after =
        keyword.empty() ? params->size() : keyword.data() + keyword.size() - params->data() + 1;
    const std::string_view data = ctext::untilNul(params->substr(std::min(after, params->size())));
    if (!data.empty()) {
        if (ctext::startsNoCase(keyword, "verstr", 6)) {
            if (data.size() >= 48) {
                verbose("Length of version string must not exceed 48 characters!");
                return error(2);
            }
            config_.versionText = std::string(data);
            return host_.line((verbose_ ? "VerStr: " : "") + config_.versionText);
        }
        if (ctext::startsNoCase(keyword, "name", 4)) {
            if (data.size() >= 16) {
                verbose("Length of name must not exceed 15 characters!");
                return error(2);
            }
            config_.name = std::string(data);
            return;
        }
        if (ctext::startsNoCase(keyword, "serial", 6)) {
            if (data.size() >= 10) {
                verbose("Serial number must not exceed 9 characters!");
                return error(2);
            }
            config_.serial = static_cast<std::uint32_t>(ctext::toUnsigned(data));
            return;
        }
    } else if (ctext::startsNoCase(keyword, "verstr", 6)) {
        return host_.line(config_.versionText);
    } else if (ctext::startsNoCase(keyword, "fwver", 6)) {
        return host_.line(firmwareText_);
    } else if (ctext::startsNoCase(keyword, "name", 4)) {
        return host_.line(config_.name);
    } else if (ctext::startsNoCase(keyword, "serial", 6)) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "%09lu", static_cast<unsigned long>(config_.serial));
        return host_.line(serial);
    }
    error(0);
}

// The firmware builds "verstr " into a buffer sized by a pointer, which on the Uno keeps only
// the "v": so only a parameter starting "erstr " sets anything.
void Ar488::setVersion(Params params) {
    const std::string text = "v" + std::string(params.value_or("").substr(0, 47));
    id(Params{text});
}

// Each entry on its own line, ending with LF alone; a parameter picks the entry of that name.
void Ar488::help(Params params) {
    for (const HelpEntry &entry : kHelp)
        if (!params || *params == entry.name)
            host_.send("++" + std::string(entry.name) + ": [" + entry.kind + "] " +
                       std::string(entry.text) + "\n");
}

// The stock firmware is built without macros.
void Ar488::macro(Params) {
    host_.line("Disabled");
}

// "pins" shows each line's pin and level; "0 BYTE" or "1 BYTE" holds the data or the control
// lines at that value for ten seconds after showing them.
void Ar488::diagnose(Params params) {
    ctext::Tokens tokens(params.value_or(""));
    const std::optional<std::string_view> first = tokens.next(" ,\t");
    const auto show = [&](std::span<const Pin> pins, auto level) {
        for (std::size_t i = 0; i < pins.size(); ++i)
            host_.line(std::string(pins[i].name) + ": \t[" + std::to_string(pins[i].pin) + "] \t" +
                       std::to_string(level(i)));
    };
    const int serviceRequest = bus_.serviceRequested() ? 0 : 1;
    const int remote = remoteEnabled() ? 0 : 1;
    const auto idle = [&](std::size_t i) {
        return i == 5 ? serviceRequest : i == 6 ? remote : 1;
    };
    if (first && ctext::startsNoCase(*first, "pins", 4)) {
        show(kDataPins, [](std::size_t) { return 1; });
        return show(kControlPins, idle);
    }
    const int mode = first && first->size() < 4 ? ctext::toInt(first) & 0xFF : 0;
    if (mode > 2)
        return host_.line("Invalid: 0=data bus; 1=control bus");
    const std::optional<std::string_view> second = tokens.next(" \t");
    if (!second)
        return;
    const int value = second->size() < 4 ? ctext::toInt(second) & 0xFF : 0;
    if (mode == 0)
        show(kDataPins, [&](std::size_t i) { return (value >> i) & 1 ? 0 : 1; });
    else if (mode == 1)
        show(kControlPins, [&](std::size_t i) { return (~value >> kControlBits[i]) & 1; });
    else
        return;
    bus_.wait(std::chrono::milliseconds(10000));
}

} // namespace gpibsim::adapter
