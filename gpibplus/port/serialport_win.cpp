// SPDX-License-Identifier: MIT
#include "gpibplus/port/serialport.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <windows.h>

namespace gpibplus::port {

namespace {

using std::chrono::milliseconds;

// A read returns once the reply has paused this long (an interval timeout), or at its deadline
// with nothing come. The mode that returns as soon as anything has come (MAXDWORD interval and
// multiplier) is not used: Wine ignores it and waits for the whole buffer.
constexpr DWORD kPauseMs = 1;
// Longer waits are made of several of these, so that no count of milliseconds overflows.
constexpr milliseconds kLongestWait{60'000};

// The milliseconds until the deadline, at least 1: a total timeout of 0 would wait forever.
DWORD millisecondsUntil(Deadline deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    return static_cast<DWORD>(std::clamp(left, milliseconds(1), kLongestWait).count());
}

// A COM port's handle, closed when it goes. On a serial port a read or a write fails only when
// the device has gone, as a USB adapter pulled out does.
class ComPort final : public Port {
public:
    ComPort(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}
    ~ComPort() override { CloseHandle(handle_); }
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    Transfer write(std::string_view bytes, Deadline deadline) override {
        Transfer transfer;
        while (transfer.count < bytes.size()) {
            COMMTIMEOUTS timeouts{};
            timeouts.WriteTotalTimeoutConstant = millisecondsUntil(deadline);
            DWORD written = 0;
            if (!SetCommTimeouts(handle_, &timeouts) ||
                !WriteFile(handle_, bytes.data() + transfer.count,
                           static_cast<DWORD>(bytes.size() - transfer.count), &written, nullptr))
                return {Transfer::Status::Closed, transfer.count, static_cast<int>(GetLastError())};
            transfer.count += written;
            if (transfer.count < bytes.size() && Clock::now() >= deadline)
                return {Transfer::Status::TimedOut, transfer.count, 0};
        }
        return transfer;
    }

    Transfer read(std::span<char> buffer, Deadline deadline) override {
        for (;;) {
            COMMTIMEOUTS timeouts{};
            timeouts.ReadIntervalTimeout = kPauseMs;
            timeouts.ReadTotalTimeoutConstant = millisecondsUntil(deadline);
            DWORD got = 0;
            if (!SetCommTimeouts(handle_, &timeouts) ||
                !ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
                return {Transfer::Status::Closed, 0, static_cast<int>(GetLastError())};
            if (got > 0)
                return {Transfer::Status::Done, got, 0};
            if (Clock::now() >= deadline)
                return {Transfer::Status::TimedOut, 0, 0};
        }
    }

    const std::string &name() const override { return name_; }

private:
    HANDLE handle_;
    std::string name_;
};

// Raw 8-bit data with the settings' frame, no flow control of either kind, DTR and RTS raised
// as a terminal program raises them (an Arduino's bootloader starts when DTR rises), and no
// character replaced or dropped.
bool setLine(HANDLE handle, const SerialSettings &settings) {
    DCB line{};
    line.DCBlength = sizeof line;
    if (!GetCommState(handle, &line))
        return false;
    line.BaudRate = static_cast<DWORD>(settings.baud);
    line.ByteSize = static_cast<BYTE>(settings.dataBits);
    line.Parity = settings.parity == 'E'   ? EVENPARITY
                  : settings.parity == 'O' ? ODDPARITY
                                           : NOPARITY;
    line.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = settings.parity != 'N';
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fErrorChar = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    return SetCommState(handle, &line);
}

constexpr std::string_view kDevicePrefix = "\\\\.\\";

} // namespace

bool namesSerialPort(std::string_view port) {
    if (port.starts_with(kDevicePrefix))
        return true;
    const auto isDigit = [](char c) {
        return c >= '0' && c <= '9';
    };
    return port.size() > 3 && _strnicmp(port.data(), "COM", 3) == 0 &&
           std::all_of(port.begin() + 3, port.end(), isDigit);
}

// COM1 to COM9 have names of their own; COM10 and above only the device's, \\.\COM10, which
// serves the others as well. Share mode 0: no other handle can have the port meanwhile.
Opened openSerialPort(const std::string &port, const SerialSettings &settings) {
    const std::string device =
        port.starts_with(kDevicePrefix) ? port : std::string(kDevicePrefix) + port;
    const std::filesystem::path path(std::u8string(device.begin(), device.end()));
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return failedWith(static_cast<int>(error), "it is in use by another program");
        return failedWith(static_cast<int>(error), "cannot open it");
    }
    auto opened = std::make_unique<ComPort>(handle, port);
    if (!setLine(handle, settings)) {
        const DWORD error = GetLastError();
        return failedWith(static_cast<int>(error), "cannot set its line to " + textOf(settings));
    }
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return {std::move(opened), 0, {}};
}

} // namespace gpibplus::port
