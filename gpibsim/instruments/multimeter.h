// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/instruments/instrument.h"

namespace gpibsim {

// A DC voltmeter on top of the 488.2 core: MEAS:VOLT:DC?, READ? and a trigger answer a reading.
class Multimeter : public Instrument {
public:
    explicit Multimeter(std::string_view serial);

protected:
    bool execute(std::string_view unit) override;
    void onTrigger() override;

private:
    std::string nextReading();

    unsigned readings_ = 0;
};

} // namespace gpibsim
