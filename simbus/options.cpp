#include "simbus/options.h"

#include "simbus/timeout.h"

#include <algorithm>

namespace gpibsim {

namespace {

enum class Applies { Board, Device, Both };

struct Option {
    int number;
    Applies applies;
    int (*get)(const Settings &);
    bool (*set)(Settings &, int); // false for a value out of range; null when only asked
};

constexpr bool isByte(int value) {
    return value >= 0 && value <= 0xFF;
}

template <auto Field> int get(const Settings &settings) {
    return settings.*Field;
}

// Stores the value when Valid accepts it.
template <auto Field, auto Valid> bool set(Settings &settings, int value) {
    if (!Valid(value))
        return false;
    settings.*Field = value;
    return true;
}

template <auto Field> bool setFlag(Settings &settings, int value) {
    settings.*Field = value != 0;
    return true;
}

template <int Bit> int getEosBit(const Settings &settings) {
    return (settings.eos.mode & Bit) != 0 ? 1 : 0;
}

template <int Bit> bool setEosBit(Settings &settings, int value) {
    settings.eos.mode = value != 0 ? settings.eos.mode | Bit : settings.eos.mode & ~Bit;
    return true;
}

int getEosByte(const Settings &settings) {
    return settings.eos.mode & 0xFF;
}

bool setEosByte(Settings &settings, int value) {
    if (!isByte(value))
        return false;
    settings.eos.mode = (settings.eos.mode & ~0xFF) | value;
    return true;
}

// Devices sit on board 0, the only board.
int boardIndex(const Settings &) {
    return 0;
}

int offered(const Settings &) {
    return 1;
}

constexpr Option kOptions[] = {
    {IbaPAD, Applies::Both, get<&Settings::pad>, set<&Settings::pad, isPrimary>},
    {IbaSAD, Applies::Both, get<&Settings::sad>, set<&Settings::sad, isSecondary>},
    {IbaTMO, Applies::Both, get<&Settings::timeout>, set<&Settings::timeout, isTimeout>},
    {IbaEOT, Applies::Both, get<&Settings::eot>, setFlag<&Settings::eot>},
    {IbaREADDR, Applies::Device, get<&Settings::readdress>, setFlag<&Settings::readdress>},
    {IbaAUTOPOLL, Applies::Board, get<&Settings::autopoll>, setFlag<&Settings::autopoll>},
    {IbaEOSrd, Applies::Both, getEosBit<REOS>, setEosBit<REOS>},
    {IbaEOSwrt, Applies::Both, getEosBit<XEOS>, setEosBit<XEOS>},
    {IbaEOScmp, Applies::Both, getEosBit<BIN>, setEosBit<BIN>},
    {IbaEOSchar, Applies::Both, getEosByte, setEosByte},
    {IbaSPollTime, Applies::Device, get<&Settings::pollTimeout>,
     set<&Settings::pollTimeout, isTimeout>},
    {IbaBNA, Applies::Device, boardIndex, nullptr},
    {Iba7BitEOS, Applies::Board, offered, nullptr},
};

constexpr int kUnmodelled[] = {
    IbaPPC,        IbaCICPROT,       IbaIRQ,     IbaSC,         IbaSRE,
    IbaPP2,        IbaTIMING,        IbaDMA,     IbaReadAdjust, IbaWriteAdjust,
    IbaEventQueue, IbaSPollBit,      IbaSendLLO, IbaPPollTime,  IbaEndBitIsNormal,
    IbaUnAddr,     IbaHSCableLength, IbaIst,     IbaRsv,
};

// The option, or the iberr for an option that cannot be used here.
struct Found {
    const Option *option = nullptr;
    int iberr = EARG;
};

Found lookUp(bool device, int number) {
    if (std::ranges::find(kUnmodelled, number) != std::ranges::end(kUnmodelled))
        return {.iberr = ECAP};
    const auto *option = std::ranges::find(kOptions, number, &Option::number);
    if (option == std::ranges::end(kOptions) ||
        option->applies == (device ? Applies::Board : Applies::Device))
        return {};
    return {.option = option};
}

} // namespace

Asked askOption(const Settings &settings, bool device, int option) {
    const Found found = lookUp(device, option);
    if (found.option == nullptr)
        return {.iberr = found.iberr};
    return {.value = found.option->get(settings)};
}

std::optional<int> configureOption(Settings &settings, bool device, int option, int value) {
    const Found found = lookUp(device, option);
    if (found.option == nullptr)
        return found.iberr;
    if (found.option->set == nullptr || !found.option->set(settings, value))
        return EARG;
    return std::nullopt;
}

} // namespace gpibsim
