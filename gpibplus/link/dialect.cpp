// SPDX-License-Identifier: MIT
#include "gpibplus/link/dialect.h"

#include <utility>

namespace gpibplus::link {

namespace lines {

namespace {

std::string numbers(Address address, char separator = ' ') {
    std::string text = std::to_string(address.pad);
    if (address.hasSecondary())
        text += separator + std::to_string(address.sad);
    return text;
}

} // namespace

std::optional<std::string> keepSettingsUnsaved(Dialect dialect) {
    if (dialect == Dialect::Prologix)
        return "++savecfg 0";
    return std::nullopt;
}

std::string modeShown() {
    return "++mode";
}

std::string controllerMode() {
    return "++mode 1";
}

std::vector<std::string> restore(Dialect dialect) {
    if (dialect == Dialect::Prologix)
        return {"++auto 0", "++eos 3", "++eoi 1", "++eot_enable 0"};
    return {"++auto 0", "++eos 3", "++eoi 1",   "++eot_enable 0",
            "++eor 0",  "++idn 0", "++flags 0", "++srqauto 0"};
}

std::string addressShown(Dialect dialect, Address address) {
    return numbers(address, dialect == Dialect::Ar488 ? ',' : ' ');
}

std::string selectAddress(Address address) {
    return "++addr " + numbers(address);
}

int longestReadTimeoutMs(Dialect dialect) {
    return dialect == Dialect::Prologix ? 3000 : 32000;
}

std::string readTimeout(int ms) {
    return "++read_tmo_ms " + std::to_string(ms);
}

std::string eoi(bool on) {
    return on ? "++eoi 1" : "++eoi 0";
}

std::string readToEnd() {
    return "++read eoi";
}

std::vector<std::string> dataLines(Dialect dialect, std::string_view data) {
    const std::string all = escaped(data);
    if (dialect == Dialect::Prologix || all.size() < kLongestAhead)
        return {all};
    std::vector<std::string> pieces;
    std::string piece;
    for (const char byte : data) {
        const std::string one = escaped(std::string_view(&byte, 1));
        if (piece.size() + one.size() + 1 > kLongestAhead)
            pieces.push_back(std::exchange(piece, {}));
        piece += one;
    }
    pieces.push_back(piece);
    return pieces;
}

std::optional<std::string> serialPoll(Dialect dialect, Address address) {
    if (dialect == Dialect::Ar488 && address.hasSecondary())
        return std::nullopt;
    return "++spoll " + numbers(address);
}

std::string deviceClear() {
    return "++clr";
}

std::optional<std::string> universalClear(Dialect dialect) {
    if (dialect == Dialect::Prologix)
        return std::nullopt;
    return "++dcl";
}

std::optional<std::string> trigger(Dialect dialect, Address address) {
    if (dialect == Dialect::Ar488 && address.hasSecondary())
        return std::nullopt;
    return "++trg " + numbers(address);
}

std::string interfaceClear() {
    return "++ifc";
}

std::optional<std::string> remoteEnable(Dialect dialect, bool on) {
    if (dialect == Dialect::Ar488)
        return on ? "++ren 1" : "++ren 0";
    if (on)
        return "";
    return std::nullopt;
}

std::string goToLocal() {
    return "++loc";
}

std::string localLockout() {
    return "++llo";
}

std::string universalLocalLockout(Dialect dialect) {
    return dialect == Dialect::Ar488 ? "++llo all" : "++llo";
}

std::vector<std::string> findListeners(Dialect dialect, Address address) {
    if (dialect == Dialect::Ar488)
        return {"++fndl " + std::to_string(address.pad), "++unl"};
    return {"++spoll " + numbers(address)};
}

std::string serviceRequest() {
    return "++srq";
}

} // namespace lines

std::string escaped(std::string_view data) {
    constexpr char kEscape = 0x1B;
    std::string line;
    line.reserve(data.size() + 8);
    for (const char byte : data) {
        if (byte == '\r' || byte == '\n' || byte == kEscape || byte == '+')
            line.push_back(kEscape);
        line.push_back(byte);
    }
    return line;
}

} // namespace gpibplus::link
