# SPDX-License-Identifier: MIT
"""The simulated bus through Python's ctypes, as a binding written for the driver library uses it:
loaded by file name, called with the C prototypes, its status read from the exported globals.

Usage: test_ctypes.py LIBRARY [unittest arguments]
"""

import ctypes
import sys
import unittest

ERR, TIMO, END, CMPL = 0x8000, 0x4000, 0x2000, 0x100
EARG, EABO = 4, 6
T3S = 12
MESSAGE_AVAILABLE = 0x10
IDENTITY = b"QUORIN,Simulated Multimeter,SIM0004,1.0\n"


def load(path):
    library = ctypes.CDLL(path)
    c_int, c_long, c_char_p = ctypes.c_int, ctypes.c_long, ctypes.c_char_p
    library.ibdev.argtypes = [c_int] * 6
    library.ibwrt.argtypes = [c_int, c_char_p, c_long]
    library.ibrd.argtypes = [c_int, c_char_p, c_long]
    library.ibrsp.argtypes = [c_int, ctypes.POINTER(ctypes.c_char)]
    library.ibclr.argtypes = [c_int]
    library.ibonl.argtypes = [c_int, c_int]
    library.gpib_error_string.argtypes = [c_int]
    library.gpib_error_string.restype = c_char_p
    return library


class MultimeterSession(unittest.TestCase):
    library = None

    @classmethod
    def setUpClass(cls):
        cls.ibsta = ctypes.c_int.in_dll(cls.library, "ibsta")
        cls.iberr = ctypes.c_int.in_dll(cls.library, "iberr")
        cls.ibcnt = ctypes.c_int.in_dll(cls.library, "ibcnt")

    def setUp(self):
        self.ud = self.library.ibdev(0, 4, 0, T3S, 1, 0)
        self.assertGreater(self.ud, 0)

    def tearDown(self):
        self.library.ibonl(self.ud, 0)

    def write(self, message):
        return self.library.ibwrt(self.ud, message, len(message))

    def read(self):
        buffer = ctypes.create_string_buffer(256)
        status = self.library.ibrd(self.ud, buffer, len(buffer))
        return status, buffer.raw[: self.ibcnt.value]

    def poll(self):
        status_byte = ctypes.c_char()
        self.assertEqual(self.library.ibrsp(self.ud, ctypes.byref(status_byte)) & ERR, 0)
        return status_byte.value[0]

    def test_identify_query_is_answered(self):
        status = self.write(b"*IDN?\n")
        self.assertEqual(status, CMPL)
        self.assertEqual(self.ibsta.value, status)
        self.assertEqual(self.ibcnt.value, 6)
        self.assertEqual(self.poll(), MESSAGE_AVAILABLE)
        status, reply = self.read()
        self.assertEqual(status & (ERR | END), END)
        self.assertEqual(reply, IDENTITY)
        self.assertEqual(self.poll(), 0)

    def test_clear_drops_the_reply(self):
        self.write(b"*IDN?\n")
        self.assertEqual(self.library.ibclr(self.ud) & ERR, 0)
        self.assertEqual(self.poll(), 0)
        status, reply = self.read()
        self.assertEqual(status & (ERR | TIMO), ERR | TIMO)
        self.assertEqual(self.iberr.value, EABO)
        self.assertEqual(reply, b"")

    def test_closed_descriptor_is_refused(self):
        self.library.ibonl(self.ud, 0)
        self.assertEqual(self.write(b"*IDN?\n") & ERR, ERR)
        self.assertEqual(self.iberr.value, EARG)
        self.assertTrue(self.library.gpib_error_string(self.iberr.value).startswith(b"EARG"))


if __name__ == "__main__":
    MultimeterSession.library = load(sys.argv.pop(1))
    unittest.main()
