#pragma once

#include "simbus/bench.h"
#include "simbus/instrument.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace gpibsim {

// One simulated GPIB: board 0 (descriptor 0, the system controller), the instruments of a
// bench, and the device descriptors ibdev hands out. Each member does one driver call: it
// leaves ibsta, iberr and the count in the calling thread's status, and returns ibsta where
// the driver call does. Calls from several threads take turns.
class Bus {
public:
    static constexpr int kBoard = 0;
    static constexpr int kFirstDevice = 16;
    static constexpr int kDescriptorLimit = 4096;

    explicit Bus(const Bench &bench);

    int find(const char *name); // the descriptor, or -1
    int setPrimaryAddress(int ud, int pad);
    int setRemoteEnable(int ud, int enable);
    int openDevice(int boardIndex, int pad, int sad, int timeout, int eos); // the descriptor, or -1
    int checkListener(int ud, int pad, int sad, short *found);
    int setOnline(int ud, int online);
    void interfaceClear(int board);
    void findListeners(int board, const Addr4882_t *pads, Addr4882_t *results, int limit);
    void clearDevice(int board, Addr4882_t address);
    void readStatusByte(int board, Addr4882_t address, short *status);
    void send(int board, Addr4882_t address, const void *data, long count, int endMode);
    void receive(int board, Addr4882_t address, void *buffer, long count, int termination);

private:
    struct Outcome {
        std::optional<int> iberr{}; // set when the call fails
        int bits = 0;               // TIMO and END
        long count = 0;
    };

    struct Board {
        bool controller = false;
        bool remoteEnable = false;
        bool attention = false;
        bool talker = false;
        bool listener = false;

        // Addressing and other commands go with ATN asserted, leaving the board unaddressed.
        void commandMode() {
            attention = true;
            talker = listener = false;
        }
        void dataMode(bool talks) {
            attention = false;
            talker = talks;
            listener = !talks;
        }
    };

    template <typename Operation> int call(Entry entry, Operation operation);
    bool isDescriptor(int ud) const;
    std::optional<int> refusal(int board, bool argumentsValid) const;
    int boardStatus() const;
    Instrument *at(Addr4882_t address) const;
    std::vector<Addr4882_t> secondaryListeners(int pad) const;

    const std::array<Fault, kEntryCount> faults_;
    const std::optional<int> listeners_;
    std::mutex mutex_;
    std::map<Addr4882_t, std::unique_ptr<Instrument>> instruments_;
    // Open device descriptors. Their addresses never matter: the calls that take a device
    // descriptor address the bus through their own arguments.
    std::set<int> devices_;
    Board board_;
};

// The process's bus, built from GPIBSIM_BENCH on first use.
Bus &bus();

} // namespace gpibsim
