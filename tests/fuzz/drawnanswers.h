// SPDX-License-Identifier: MIT
#pragma once

#include "bytesource.h"

class FakeDriver;

namespace fuzz {

// Makes the fake driver answer every call from the fuzz input: results and descriptors, the
// listener flag, the status byte, FindLstn's result words, Receive's bytes (up to twice the
// room given) and, after each call, ibsta, iberr, ibcnt and ibcntl. Like a real driver it
// writes no more than it is given room for. It aborts when the program hands it an empty board
// name, a Receive count other than 80, a FindLstn limit other than 32, an address list not
// closed by 0xFFFF within 33 entries or a negative Send count.
void answerFromInput(FakeDriver &driver, ByteSource &input);

} // namespace fuzz
