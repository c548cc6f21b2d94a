// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/api/endofstring.h"
#include "gpibsim/instruments/errorqueue.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim {

// An IEEE 488.2 device. It gathers program messages from the bus, runs the common commands
// and SYST:ERR?, queues one response message at a time, and keeps the status byte, the event
// status register and the error queue. Device-specific commands and the action on a trigger
// come from a subclass; used on its own it is the generic instrument, which has neither.
class Instrument {
public:
    static constexpr std::uint8_t kMessageAvailable = 0x10;
    static constexpr std::uint8_t kEventSummary = 0x20;
    static constexpr std::uint8_t kRequestService = 0x40;

    static constexpr std::uint8_t kOperationComplete = 0x01;
    static constexpr std::uint8_t kQueryError = 0x04;
    static constexpr std::uint8_t kDeviceError = 0x08;
    static constexpr std::uint8_t kExecutionError = 0x10;
    static constexpr std::uint8_t kCommandError = 0x20;

    // Longest program message kept; the rest of a longer one is dropped with an error.
    static constexpr std::size_t kInputCapacity = 4096;

    struct Talked {
        std::size_t count = 0;
        bool end = false;      // the last byte carried EOI or stopped the read as end of string
        bool eoi = false;      // the last byte carried EOI
        bool timedOut = false; // nothing to say
    };

    Instrument(std::string_view model, std::string_view serial);
    virtual ~Instrument() = default;

    // Data bytes heard as listener; `end` means EOI came with the last one.
    void listen(std::string_view bytes, bool end);
    // Talks into `buffer` until it is full, after the byte sent with EOI, or after an
    // end-of-string byte when `eos` stops reads.
    Talked talk(std::span<char> buffer, const driverfront::EndOfString &eos);
    // The status byte with RQS; the poll clears RQS.
    std::uint8_t serialPoll();
    // Device clear: drops the unread input and the pending response.
    void clear();
    // Group execute trigger, from the bus or *TRG.
    void trigger();
    bool requestsService() const { return requestingService_; }
    // From now on every read is answered with `text`, byte for byte.
    void answerEveryReadWith(std::string text);

protected:
    // Runs a device-specific program message unit, as it came between separators; false when
    // the device does not know it. The device's commands come before the common ones, so a
    // device may redefine those.
    virtual bool execute(std::string_view unit);
    // The device's action on a trigger; it may respond.
    virtual void onTrigger() {}
    // After a unit neither the device nor the common commands know was reported.
    virtual void onUndefinedHeader() {}
    // A read found nothing to say and times out: records -420 and the query error bit.
    virtual void onEmptyRead();
    // After *CLS cleared the status.
    virtual void onClearStatus() {}
    void respond(std::string text);
    // Records an error in the error queue and its bit in the event status register.
    void raise(DeviceError error);
    // One of the two alone, for a device whose own commands answer the other.
    void queueError(DeviceError error);
    void setEventStatus(std::uint8_t bits);
    // Messages end with `message` (or END), responses with `response`; both are LF at first.
    // An empty message terminator leaves END alone to end a message.
    void setTerminators(std::string message, std::string response);
    // What separates the units of a message, ';' at first; empty for one unit per message.
    void setUnitSeparator(std::string separator);

private:
    void runMessage();
    void queueResponses();
    void runUnit(std::string_view unit);
    bool runCommon(std::string_view header, std::string_view arguments);
    std::optional<std::uint8_t> registerValue(std::string_view arguments);
    std::uint8_t statusByte() const;
    bool serviceSummary() const;
    void updateServiceRequest();

    std::string identity_;
    std::string messageEnd_ = "\n";
    std::string responseEnd_ = "\n";
    std::string unitSeparator_ = ";";
    std::string input_;
    bool overrun_ = false;
    std::vector<std::string> responses_;
    std::string output_;
    std::optional<std::string> scriptedAnswer_;
    ErrorQueue errors_;
    std::uint8_t eventStatus_ = 0;
    std::uint8_t eventEnable_ = 0;
    std::uint8_t serviceEnable_ = 0;
    bool summary_ = false;
    bool requestingService_ = false;
};

} // namespace gpibsim
