// SPDX-License-Identifier: MIT
// A client that ends while its other threads are inside calls of the simulated bus, as a
// program's main thread returns with workers still polling an instrument.
#include "gpibsim/api/gpibsim.h"

#include <chrono>
#include <thread>

int main() {
    for (int i = 0; i < 4; ++i)
        std::thread([] {
            char reply[100];
            for (;;) {
                Send(0, 4, "*IDN?", 5, DABend);
                Receive(0, 4, reply, sizeof reply, STOPend);
            }
        }).detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return 0;
}
