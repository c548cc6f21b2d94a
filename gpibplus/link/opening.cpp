// SPDX-License-Identifier: MIT
// Opening: waiting for the adapter, telling its dialect, and putting back its settings.
#include "gpibplus/link/link.h"

#include "driverfront/text/escaped.h"

namespace gpibplus::link {

namespace {

using port::Clock;
using std::chrono::milliseconds;

// Probes while an Uno's bootloader drops what it is sent.
constexpr milliseconds kProbeEvery{300};
constexpr milliseconds kQuiet{200};
constexpr milliseconds kIdentifyWait{500};

} // namespace

Link::Link(std::unique_ptr<port::Port> port, Trace trace)
    : port_(std::move(port)), trace_(std::move(trace)), replies_(*port_, trace_) {}

Link::~Link() = default;

Answer<std::unique_ptr<Link>> Link::open(std::unique_ptr<port::Port> port, Trace trace) {
    std::unique_ptr<Link> link(new Link(std::move(port), std::move(trace)));
    const std::lock_guard lock(link->mutex_);
    Result started = link->start();
    if (!started.ok())
        return {std::move(started), nullptr};
    return {{}, std::move(link)};
}

Result Link::start() {
    const Deadline startBy = Clock::now() + kStartLimit;
    bool answered = false;
    while (!answered && Clock::now() < startBy) {
        if (!put("++ver"))
            return linkDown("cannot write to it");
        const Deadline probeBy = std::min(startBy, Clock::now() + kProbeEvery);
        answered = replies_.line(probeBy).has_value();
        if (replies_.broken())
            return linkDown("it closed while waiting for the adapter");
    }
    if (!answered)
        return failure(Status::LinkDown, "no answer to ++ver within " +
                                             std::to_string(kStartLimit.count() / 1000) +
                                             " s: is a \"++\" adapter there, and powered?");
    // Late answers to the probes, and AR488's ready flag, go.
    replies_.drain(kQuiet, Clock::now() + kMargin);
    if (Result started = startWith(Clock::now() + kMargin); !started.ok())
        return started;
    if (Result identified = identify(); !identified.ok())
        return identified;
    return restore();
}

// The adapter answers "++ver" the same twice, with verbose mode off: in verbose mode it echoes
// the command first, and "++verbose" only toggles it.
Result Link::startWith(Deadline deadline) {
    std::optional<std::string> first = query("++ver", deadline);
    if (first && *first == "++ver") {
        if (!put("++verbose"))
            return linkDown("cannot write to it");
        replies_.drain(kQuiet, deadline);
        first = query("++ver", deadline);
    }
    const std::optional<std::string> second = query("++ver", deadline);
    if (replies_.broken())
        return linkDown("it closed while the adapter was identified");
    if (!first || first->empty() || first != second)
        return failure(Status::LinkDown,
                       "what answers is not a \"++\" adapter (it answered ++ver with '" +
                           driverfront::escaped(first.value_or("")) + "')");
    version_ = *first;
    return {};
}

// "++ver real" gives AR488's own text even when it poses as a Prologix ("++id verstr").
Result Link::identify() {
    if (!put("++ver real"))
        return linkDown("cannot write to it");
    const std::optional<std::string> real = replies_.line(Clock::now() + kIdentifyWait);
    dialect_ =
        real && real->find("AR488") != std::string::npos ? Dialect::Ar488 : Dialect::Prologix;
    if (!real)
        replies_.drain(kQuiet, Clock::now() + kMargin);
    return replies_.broken() ? linkDown("it closed while the adapter was identified") : Result{};
}

// Controller mode first: in device mode AR488 refuses the other settings.
Result Link::restore() {
    const std::optional<std::string> unsaved = lines::keepSettingsUnsaved(dialect_);
    if (unsaved && !send(*unsaved))
        return linkDown("cannot write to it");
    const std::optional<std::string> mode = query(lines::modeShown(), Clock::now() + kMargin);
    if (!mode)
        return linkDown("the adapter did not answer ++mode");
    if (*mode != "1" && !send(lines::controllerMode()))
        return linkDown("cannot write to it");
    for (const std::string &line : lines::restore(dialect_))
        if (!send(line))
            return linkDown("cannot write to it");
    eoi_ = true;
    if (!sync(Clock::now() + kMargin))
        return linkDown("the adapter did not answer ++addr");
    return {};
}

} // namespace gpibplus::link
