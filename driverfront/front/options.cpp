// SPDX-License-Identifier: MIT
#include "driverfront/front/options.h"

#include "driverfront/api/timeout.h"

#include <algorithm>
#include <utility>

namespace driverfront {

namespace {

enum class Applies { Board, Device, Both };

using Getter = int (*)(const Settings &);
using Setter = Outcome (*)(Settings &, int);

// An option as ibask reads it (get) and ibconfig changes it (set); either may be missing.
struct Option {
    int number;
    Applies applies;
    Getter get;
    Setter set;
};

constexpr bool isByte(int value) {
    return value >= 0 && value <= 0xFF;
}

constexpr Outcome kOutOfRange{.iberr = EARG};
constexpr Outcome kNotOffered{.iberr = ECAP};

template <auto Field> int get(const Settings &settings) {
    return settings.*Field;
}

// Stores the value when Valid accepts it.
template <auto Field, auto Valid> Outcome set(Settings &settings, int value) {
    if (!Valid(value))
        return kOutOfRange;
    settings.*Field = value;
    return {};
}

template <auto Field> Outcome setFlag(Settings &settings, int value) {
    settings.*Field = value != 0;
    return {};
}

// Answers ibask with a fixed value, for what the hardware would report but nothing models.
template <int Value> int fixed(const Settings &) {
    return Value;
}

// Accepts the value that is already the case and refuses the rest as not offered.
template <auto Offered> Outcome only(Settings &, int value) {
    return Offered(value) ? Outcome{} : kNotOffered;
}

template <auto Valid> Outcome accept(Settings &, int value) {
    return Valid(value) ? Outcome{} : kOutOfRange;
}

constexpr bool isZero(int value) {
    return value == 0;
}

constexpr bool isNonZero(int value) {
    return value != 0;
}

constexpr bool isAny(int) {
    return true;
}

// ibask gives the bit itself, as it sits in the ibeos mode.
template <int Bit> int getEosBit(const Settings &settings) {
    return settings.eos.mode & Bit;
}

template <int Bit> Outcome setEosBit(Settings &settings, int value) {
    settings.eos.mode = value != 0 ? settings.eos.mode | Bit : settings.eos.mode & ~Bit;
    return {};
}

int getEosByte(const Settings &settings) {
    return settings.eos.mode & 0xFF;
}

Outcome setEosByte(Settings &settings, int value) {
    if (!isByte(value))
        return kOutOfRange;
    settings.eos.mode = (settings.eos.mode & ~0xFF) | value;
    return {};
}

constexpr bool isT1Delay(int value) {
    return value >= T1_DELAY_2000ns && value <= T1_DELAY_350ns;
}

constexpr bool isCableLength(int metres) {
    return metres >= 0 && metres <= 15;
}

// Devices sit on board 0, the only board, and can only be moved there.
Outcome setBoardIndex(Settings &, int value) {
    return value == 0 ? Outcome{} : kOutOfRange;
}

// The board answers parallel polls with its own configuration only in local mode.
Outcome setBoardParallelPoll(Settings &settings, int value) {
    const std::optional<int> byte = parallelPollByte(value);
    if (!byte)
        return kOutOfRange;
    if (!settings.localParallelPoll)
        return kNotOffered;
    return {.previous = std::exchange(settings.parallelPoll, *byte)};
}

Outcome setIst(Settings &settings, int value) {
    return {.previous = std::exchange(settings.ist, value != 0) ? 1 : 0};
}

constexpr Option kOptions[] = {
    {IbaPAD, Applies::Both, get<&Settings::pad>, set<&Settings::pad, isPrimary>},
    {IbaSAD, Applies::Both, get<&Settings::sad>, set<&Settings::sad, isSecondary>},
    {IbaTMO, Applies::Both, get<&Settings::timeout>, set<&Settings::timeout, isTimeout>},
    {IbaEOT, Applies::Both, get<&Settings::eot>, setFlag<&Settings::eot>},
    {IbaEOSrd, Applies::Both, getEosBit<REOS>, setEosBit<REOS>},
    {IbaEOSwrt, Applies::Both, getEosBit<XEOS>, setEosBit<XEOS>},
    {IbaEOScmp, Applies::Both, getEosBit<BIN>, setEosBit<BIN>},
    {IbaEOSchar, Applies::Both, getEosByte, setEosByte},
    {IbaBNA, Applies::Both, fixed<0>, nullptr},
    {IbcBNA, Applies::Device, nullptr, setBoardIndex},
    {IbaReadAdjust, Applies::Both, fixed<0>, only<isZero>},
    {IbaWriteAdjust, Applies::Both, fixed<0>, only<isZero>},
    {IbaEndBitIsNormal, Applies::Both, fixed<1>, only<isNonZero>},

    {IbaPPC, Applies::Board, get<&Settings::parallelPoll>, setBoardParallelPoll},
    {IbaAUTOPOLL, Applies::Board, get<&Settings::autopoll>, setFlag<&Settings::autopoll>},
    {IbaCICPROT, Applies::Board, fixed<0>, only<isZero>},
    {IbaIRQ, Applies::Board, fixed<0>, only<isNonZero>},
    {IbaSC, Applies::Board, get<&Settings::systemController>, setFlag<&Settings::systemController>},
    {IbaSRE, Applies::Board, fixed<1>, nullptr},
    {IbaPP2, Applies::Board, get<&Settings::localParallelPoll>,
     setFlag<&Settings::localParallelPoll>},
    {IbaTIMING, Applies::Board, get<&Settings::t1Delay>, set<&Settings::t1Delay, isT1Delay>},
    {IbaDMA, Applies::Board, fixed<0>, only<isNonZero>},
    {IbaEventQueue, Applies::Board, get<&Settings::eventQueue>, setFlag<&Settings::eventQueue>},
    {IbaSPollBit, Applies::Board, fixed<1>, accept<isAny>},
    {IbaSendLLO, Applies::Board, fixed<0>, only<isZero>},
    {IbaPPollTime, Applies::Board, get<&Settings::parallelPollTimeout>,
     set<&Settings::parallelPollTimeout, isTimeout>},
    {IbaHSCableLength, Applies::Board, fixed<0>, accept<isCableLength>},
    {IbaIst, Applies::Board, get<&Settings::ist>, setIst},
    {IbaRsv, Applies::Board, get<&Settings::statusByte>, set<&Settings::statusByte, isByte>},
    {Iba7BitEOS, Applies::Board, fixed<1>, nullptr},

    {IbaREADDR, Applies::Device, get<&Settings::readdress>, setFlag<&Settings::readdress>},
    {IbaSPollTime, Applies::Device, get<&Settings::pollTimeout>,
     set<&Settings::pollTimeout, isTimeout>},
    {IbaUnAddr, Applies::Device, get<&Settings::unaddress>, setFlag<&Settings::unaddress>},
};

// The option with that number for this kind of descriptor that can be asked (or configured).
const Option *lookUp(bool device, int number, bool configure) {
    const Applies other = device ? Applies::Board : Applies::Device;
    const auto *option = std::ranges::find_if(kOptions, [&](const Option &candidate) {
        return candidate.number == number && candidate.applies != other &&
               (configure ? candidate.set != nullptr : candidate.get != nullptr);
    });
    return option == std::ranges::end(kOptions) ? nullptr : option;
}

} // namespace

Asked askOption(const Settings &settings, bool device, int option) {
    const Option *found = lookUp(device, option, false);
    if (found == nullptr)
        return {.iberr = EARG};
    return {.value = found->get(settings)};
}

Outcome configureOption(Settings &settings, bool device, int option, int value) {
    const Option *found = lookUp(device, option, true);
    if (found == nullptr)
        return {.iberr = EARG};
    return found->set(settings, value);
}

std::optional<int> parallelPollByte(int value) {
    constexpr int kCommandBits = 0xE0;
    if (value != 0 && (value & kCommandBits) != PPE)
        return std::nullopt;
    return value == 0 || (value & PPC_DISABLE) != 0 ? PPD : value;
}

} // namespace driverfront
