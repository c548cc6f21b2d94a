// SPDX-License-Identifier: MIT
// The "++" link reading whatever an adapter might send: any bytes, handed over in pieces, as
// the answers to opening and to a round of operations. Nothing crashes, no read returns more
// than it was asked for, and every wait ends when the bytes do. The first byte sizes the
// pieces; a byte 0xFF is a pause, where the port has nothing for a while.

#include "require.h"
#include "scriptedport.h"

#include "gpibplus/link/link.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace gpibplus;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    auto [result, link] =
        link::Link::open(std::make_unique<plustest::ScriptedPort>(bytes, 1 + data[0] % 64),
                         link::Trace::fromEnvironment());
    require(result.ok() == (link != nullptr), "a link comes only with success");
    if (!link)
        return 0;
    constexpr link::Address kInstrument{4};
    constexpr link::Link::Timeout kTimeout{1};
    link->write(kInstrument, "*IDN?", true, kTimeout);
    for (const std::size_t count : {std::size_t(5), std::size_t(100)}) {
        const auto read = link->read(kInstrument, count, ',', kTimeout);
        require(read.value.data.size() <= count, "a read returns no more than asked");
    }
    link->serialPoll(kInstrument, kTimeout);
    link->listens(link::Address{6}, kTimeout);
    link->serviceRequested(kTimeout);
    link->deviceClear(kInstrument, kTimeout);
    return 0;
}
