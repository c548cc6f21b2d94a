// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/definitions/definition.h"
#include "gpibsim/instruments/errorqueue.h"
#include "gpibsim/instruments/instrument.h"

#include <deque>
#include <memory>
#include <random>

namespace gpibsim::definitions {

// An IEEE 488.2 instrument whose own commands come from a definition file, answered as
// pyvisa-sim's code answers them: the device's dialogues, getters, status registers, error
// queues and setters, then each group of channels. A query none of them takes goes to the
// common commands, and else is a command error: it sets the definition's registers and queues
// and gets its command_error reply. Where pyvisa-sim raises an exception instead of answering,
// the query gets that reply alone.
class DefinedInstrument : public Instrument {
public:
    // `seed` starts the RANDOM readings, so that a bench gives the same ones on every run.
    DefinedInstrument(std::shared_ptr<const Definition> definition, std::string_view serial,
                      std::uint64_t seed);

protected:
    bool execute(std::string_view unit) override;
    void onUndefinedHeader() override;
    void onEmptyRead() override;

private:
    // What the definition makes of a query: nothing matched; matched with no reply; a reply;
    // or pyvisa-sim raises.
    struct Answer {
        enum class Kind { Unmatched, Silent, Reply, Raises };
        Kind kind = Kind::Unmatched;
        std::string bytes{};
    };

    // The values of a component's properties, for each of its channels.
    struct Values {
        std::vector<std::vector<pyformat::Value>> ofProperty{}; // [property][channel]
        std::optional<std::size_t> selected{}; // the channel last named, if one of the ids
    };

    Answer answerDevice(std::string_view query);
    Answer answerGroup(std::size_t group, std::string_view query);
    Answer run(const Component &component, Values &values, const Action &action,
               std::size_t channel);
    Answer setDevice(std::string_view query);
    Answer setChannel(std::size_t group, std::string_view query);
    Answer answered(const Response &response, const pyformat::Value *value);
    std::optional<std::string> randomReadings(const Response &response);
    Answer commandError();
    void deliver(const Answer &answer);
    void say(std::string bytes);

    std::shared_ptr<const Definition> definition_;
    Values device_;
    std::vector<Values> channels_;
    std::vector<std::int64_t> registers_;
    std::vector<std::deque<std::string>> queues_;
    std::mt19937_64 random_;
    // A value a device setter without e refused while a query is matched: where nothing else
    // takes the query, it is a command error.
    std::optional<DeviceError> refusal_;
};

} // namespace gpibsim::definitions
