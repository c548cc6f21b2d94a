// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/link/address.h"
#include "gpibplus/link/dialect.h"
#include "gpibplus/link/replies.h"
#include "gpibplus/link/result.h"
#include "gpibplus/link/trace.h"
#include "gpibplus/port/port.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace gpibplus::link {

// A "++" adapter on its port, as a GPIB controller: each call is one exchange with the adapter,
// serialized across threads, and ends within its timeout plus a bounded margin whatever the
// adapter does. A reply is complete when the adapter has answered a "++ver" sent behind the
// request, so the end of every exchange is known without guessing from silence.
class Link {
public:
    // How long the instrument may take; zero waits as long as the adapter keeps answering.
    using Timeout = std::chrono::milliseconds;
    // What the adapter itself may take beyond the instrument's timeout, for each exchange.
    static constexpr std::chrono::milliseconds kMargin{2000};
    // How long an Uno's bootloader and the adapter's start may take after the port opens.
    static constexpr std::chrono::milliseconds kStartLimit{4000};

    // Finds a "++" adapter on the port, its dialect, and puts its settings back (see
    // lines::restore). Fails when nothing answers or the answers are not an adapter's.
    static Answer<std::unique_ptr<Link>> open(std::unique_ptr<port::Port> port,
                                              Trace trace = Trace::fromEnvironment());
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    Dialect dialect() const { return dialect_; }
    const std::string &version() const { return version_; }
    const std::string &portName() const { return port_->name(); }

    // Sends `data` to the instrument, EOI with the last byte when asked.
    Result write(Address address, std::string_view data, bool eoi, Timeout timeout);

    struct Read {
        std::string data;
        // The reply ended: the whole of it has been handed out, or the terminator was reached.
        // A reply that ended by the adapter's timeout cannot be told from one that ended with
        // END.
        bool ended = false;
    };
    // Reads at most `count` bytes, stopping after `terminator` when one is given. What the
    // instrument sent beyond is kept for the next read of the same address.
    Answer<Read> read(Address address, std::size_t count, std::optional<char> terminator,
                      Timeout timeout);
    Answer<int> serialPoll(Address address, Timeout timeout);
    Result deviceClear(Address address, Timeout timeout);
    Result universalClear(Timeout timeout);
    Result trigger(Address address, Timeout timeout);
    Result interfaceClear(Timeout timeout);
    Result remoteEnable(bool on, Timeout timeout);
    Result goToLocal(Address address, Timeout timeout);
    Result localLockout(Address address, Timeout timeout);
    Result universalLocalLockout(Timeout timeout);
    // Whether an instrument listens at the address (lines::findListeners).
    Answer<bool> listens(Address address, Timeout timeout);
    // The instruments that listen at a secondary address of `pad`: one search on AR488 (which
    // finds only some, see lines::findListeners), a probe of each on a Prologix.
    Answer<std::vector<Address>> secondaryListeners(int pad, Timeout timeout);
    Answer<bool> serviceRequested(Timeout timeout);
    // The port failed or closed: nothing more can go through this link.
    bool lost();

private:
    Link(std::unique_ptr<port::Port> port, Trace trace);

    Result start();
    Result startWith(Deadline deadline);
    Result identify();
    Result restore();

    // Each call starts here: a link out of step is brought back first.
    Result begin();
    Result failure(Status status, const std::string &what) const;
    Result linkDown(const std::string &what);
    Result refused(const std::string &what) const;

    // Writes one line; more than the adapter's input buffer ahead of it waits for it first.
    bool send(std::string_view line);
    bool put(std::string_view line);
    // A lone "++addr" answered with the address: the adapter has carried out what came before.
    bool sync(Deadline deadline);
    // Sends "++ver" and returns what came before its answer: the rest of the last reply.
    std::optional<std::string> closeWithVersion(Deadline deadline);
    std::optional<std::string> query(std::string_view line, Deadline deadline);
    // A line the adapter answers only when the instrument does ("++spoll"): its answer, none,
    // or nullopt when the link is out of step.
    std::optional<std::optional<std::string>> answerIfAny(std::string_view line, int perByteMs);
    Result command(std::string_view line, std::optional<Address> address, Timeout timeout);
    // A Prologix's listener check: whether a serial poll at the address is answered, known
    // once the adapter answers "++ver" behind it.
    Answer<bool> answersPoll(Address address, int perByteMs);
    // AR488's listener search at a primary address, and "++unl" after it.
    Answer<std::vector<Address>> search(int pad);

    template <typename Value>
    bool use(std::optional<Value> &held, const Value &wanted, std::string (*line)(Value));
    bool useAddress(Address address);
    bool useReadTimeout(int ms);
    bool useEoi(bool on);
    int perByteMs(Timeout timeout) const;
    Read handOut(std::string &reply, std::size_t count, std::optional<char> terminator) const;

    std::mutex mutex_;
    std::unique_ptr<port::Port> port_;
    Trace trace_;
    Replies replies_;
    Dialect dialect_ = Dialect::Prologix;
    std::string version_;
    // The adapter's settings as last sent: nothing is sent again that is already so.
    std::optional<Address> address_;
    std::optional<int> readTimeoutMs_;
    std::optional<bool> eoi_;
    std::size_t ahead_ = 0; // bytes sent since the adapter last answered
    bool outOfStep_ = false;
    std::map<Address, std::string> surplus_;
};

} // namespace gpibplus::link
