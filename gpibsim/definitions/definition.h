// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/definitions/response.h"
#include "gpibsim/pyformat/setterpattern.h"
#include "gpibsim/pyformat/value.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gpibsim::definitions {

// What a property's specs allow. Values outside them are refused as pyvisa-sim refuses them.
struct Specs {
    pyformat::ValueType type = pyformat::ValueType::Text;
    std::optional<pyformat::Value> min{};
    std::optional<pyformat::Value> max{};
    std::vector<pyformat::Value> valid{}; // any value when empty
};

struct Property {
    std::string name{};
    pyformat::Value initial{};
    std::optional<Specs> specs{}; // none: the value is kept as it comes, text at first
};

struct Getter {
    std::size_t property{};
    Response response{};
};

struct Setter {
    std::size_t property{};
    pyformat::SetterPattern pattern{};
    Response done{};                   // r
    std::optional<Response> refused{}; // e
};

// What a query does when it is one of the definition's queries, byte for byte.
struct Action {
    enum class Kind { Dialogue, Getter, Register, Queue };
    Kind kind{};
    std::size_t index{};     // of the dialogue or getter, or of the register or queue
    std::size_t channel = 0; // the channel whose id a selectable group's query shows
};

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};
using Actions = std::unordered_map<std::string, Action, TextHash, std::equal_to<>>;

// The dialogues and properties of a device, or of a group of its channels.
struct Component {
    std::vector<Response> dialogues{};
    std::vector<Property> properties{};
    std::vector<Getter> getters{};
    std::vector<Setter> setters{};
    Actions actions{};
};

// Channels that share their dialogues and properties; each channel keeps its own values.
struct ChannelGroup : Component {
    std::vector<std::string> ids{};
    // When false, the device's selected_channel property picks the channel, and the queries
    // are compared as written; when true, a query shows a channel's id in place of {ch_id}.
    bool canSelect = true;
    // Python raises as it puts an id into the dialogues' queries, or into the getters'.
    bool dialogueQueriesRaise = false;
    bool getterQueriesRaise = false;
};

// A status register of the definition: the bits a command error sets. Reading it answers its
// value and clears it. A query error is never raised, as in pyvisa-sim.
struct DefinedRegister {
    std::int64_t commandError = 0;
};

// An error queue of the definition: the entry a command error adds, and what reading the queue
// answers when it is empty.
struct DefinedQueue {
    std::string whenEmpty{};
    std::optional<std::string> commandError{};
};

// One device of a definition file, as a resource places it on the bus.
struct Definition {
    std::string name{};
    std::string origin{};          // file:line:column of the resource
    std::string messageEnd = "\n"; // the query terminator of "GPIB INSTR"
    // The response terminator; none when the eom gives no r, and then no reply can be sent.
    std::optional<std::string> responseEnd = "\n";
    std::string delimiter = ";"; // between the queries of a message; none when empty
    Response commandError{};     // answers a query nothing matches, or a refused value
    // Whether the device's own queries answer SYST:ERR? and *ESR?; where they do, an empty read
    // leaves the bus's own error queue, or event status register, alone.
    bool answersErrorQuery = false;
    bool answersEventStatus = false;
    std::vector<DefinedRegister> registers{};
    std::optional<std::size_t> commandErrorRegister{}; // the one a command error sets
    std::vector<DefinedQueue> queues{};
    Component device{};
    std::vector<ChannelGroup> channels{};
    // The device property naming the channel for groups that cannot select their own.
    std::optional<std::size_t> selectedChannel{};
};

} // namespace gpibsim::definitions
