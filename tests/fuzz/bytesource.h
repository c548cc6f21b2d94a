// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace fuzz {

// Reads a fuzz input from the front, in order, so that seed files can be written by hand:
// integers little-endian, byte strings as they stand. Past the end every value is 0 and every
// string empty.
class ByteSource {
public:
    ByteSource(const std::uint8_t *data, std::size_t size) : data_(data), left_(size) {}

    bool empty() const { return left_ == 0; }

    template <std::integral T> T take() {
        std::make_unsigned_t<T> value = 0;
        for (std::size_t i = 0; i < sizeof(T) && left_ > 0; ++i, ++data_, --left_)
            value |= static_cast<std::make_unsigned_t<T>>(*data_) << (8 * i);
        return static_cast<T>(value);
    }

    QByteArray takeBytes(std::size_t count) {
        const std::size_t n = std::min(count, left_);
        const QByteArray bytes(reinterpret_cast<const char *>(data_), static_cast<qsizetype>(n));
        data_ += n;
        left_ -= n;
        return bytes;
    }

private:
    const std::uint8_t *data_;
    std::size_t left_;
};

} // namespace fuzz
