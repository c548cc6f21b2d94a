// SPDX-License-Identifier: MIT
#include "gpibsim/adapter/firmware.h"

#include "gpibsim/adapter/ar488.h"
#include "gpibsim/adapter/prologix.h"

namespace gpibsim::adapter {

namespace {

constexpr std::string_view kToolName = "gpibsim-adapter " GPIBSIM_ADAPTER_VERSION;

std::unique_ptr<DialectFirmware> makeDialect(const FirmwareSettings &settings, Cable &cable,
                                             Firmware::Output output) {
    Controller controller(cable, settings.timeScale);
    Host host(std::move(output));
    if (settings.dialect == Dialect::Ar488)
        return std::make_unique<Ar488>(controller, std::move(host),
                                       std::string(kToolName) +
                                           " (AR488-compatible controller, ver. 0.53.04)",
                                       settings.versionText.value_or(""));
    return std::make_unique<Prologix>(
        controller, std::move(host),
        settings.versionText.value_or(std::string(kToolName) +
                                      " (Prologix-compatible controller)"));
}

} // namespace

class Firmware::Impl {
public:
    std::unique_ptr<DialectFirmware> dialect;
};

Firmware::Firmware(const FirmwareSettings &settings, Cable &cable, Output output)
    : impl_(std::make_unique<Impl>(Impl{makeDialect(settings, cable, std::move(output))})) {}

Firmware::~Firmware() = default;

std::size_t Firmware::receive(std::string_view bytes) {
    return impl_->dialect->receive(bytes);
}

void Firmware::hostGone() {
    impl_->dialect->hostGone();
}

void Firmware::restart() {
    impl_->dialect->restart();
}

} // namespace gpibsim::adapter
