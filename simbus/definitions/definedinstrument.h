// SPDX-License-Identifier: MIT
#pragma once

#include "simbus/definitions/definition.h"
#include "simbus/instrument.h"

#include <deque>
#include <memory>
#include <random>

namespace gpibsim::definitions {

// An IEEE 488.2 instrument whose own commands come from a definition file: its dialogues,
// properties, channels and error handling answer first, then the common commands. A query
// nothing matches is a command error, as is a value a setter refuses (unless the setter has
// its own reply for that); both go to the definition's status registers, error queues and
// error response, and to the 488.2 error queue.
class DefinedInstrument : public Instrument {
public:
    // `seed` starts the RANDOM readings, so that a bench gives the same ones on every run.
    DefinedInstrument(std::shared_ptr<const Definition> definition, std::string_view serial,
                      std::uint64_t seed);

protected:
    bool execute(std::string_view header, std::string_view arguments) override;
    void onUndefinedHeader() override;
    void onEmptyRead() override;
    void onClearStatus() override;

private:
    // The values of a component's properties, for each of its channels.
    struct Values {
        std::vector<std::vector<Value>> ofProperty{}; // [property][channel]
        std::size_t selected = 0;                     // the channel last named
    };

    bool answer(const Component &component, Values &values, std::string_view query,
                std::optional<std::size_t> channel, std::span<const std::string> ids);
    void run(const Component &component, Values &values, const Action &action, std::size_t channel);
    void set(const Component &component, Values &values, const Setter &setter,
             SetterPattern::Match match);
    void say(const Response &response, const Value *value);
    std::optional<std::string> randomReadings(const Response &response);
    void flagCommandError();
    void commandError();
    // The channel the device's selected_channel names, when it is one of `ids`.
    std::optional<std::size_t> selectedChannel(std::span<const std::string> ids) const;

    std::shared_ptr<const Definition> definition_;
    Values device_;
    std::vector<Values> channels_;
    std::vector<std::int64_t> registers_;
    std::vector<std::deque<std::string>> queues_;
    std::mt19937_64 random_;
};

} // namespace gpibsim::definitions
