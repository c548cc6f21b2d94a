# SPDX-License-Identifier: MIT
# The code in each program file (executable or DLL) of the Windows package, its licence and the
# files of its licence's text: one part of the code a row, the program files it is in, its texts.
#   quorin_part(FOLDER LICENCE IN FILE... TEXTS TEXT...)
# FOLDER names the part and its folder under LICENSES; a FILE is a program file's path in the
# package, or * for every program file. A TEXT is qt:PATH in Qt's source (the cross build keeps
# these files beside the cross-built Qt), an absolute path on the build machine, or a path in the
# package. A part applies only where one of its files is packaged. Packaging fails on a program
# file that no row names (* does not count).

quorin_part(Quorin-Velmar-Demo "MIT" IN quorin-demo.exe gpibsim.dll gpibplus.dll
    TEXTS LICENSE.txt)

# Qt, and the third-party code that Qt's own source tree builds into its DLLs on Windows (the
# qt_attribution.json files of the parts built into these DLLs).
quorin_part(Qt "LGPL-3.0-only"
    IN Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll
    TEXTS LICENSES/Qt/README.txt qt:LICENSES/LGPL-3.0-only.txt qt:LICENSES/GPL-3.0-only.txt)
quorin_part(double-conversion "BSD-3-Clause" IN Qt6Core.dll
    TEXTS qt:src/3rdparty/double-conversion/LICENSE)
quorin_part(PCRE2 "BSD-3-Clause, its JIT compiler BSD-2-Clause" IN Qt6Core.dll
    TEXTS qt:src/3rdparty/pcre2/LICENCE qt:src/3rdparty/pcre2/LICENCE-SLJIT)
quorin_part(zlib "Zlib" IN Qt6Core.dll TEXTS qt:src/3rdparty/zlib/LICENSE)
quorin_part(TinyCBOR "MIT" IN Qt6Core.dll TEXTS qt:src/3rdparty/tinycbor/LICENSE)
quorin_part(easing-equations "BSD-3-Clause" IN Qt6Core.dll TEXTS qt:src/3rdparty/easing/LICENSE)
quorin_part(BLAKE2 "CC0-1.0 OR Apache-2.0" IN Qt6Core.dll TEXTS qt:src/3rdparty/blake2/COPYING)
quorin_part(SHA-3 "CC0-1.0, its endianness header BSD-2-Clause" IN Qt6Core.dll
    TEXTS qt:src/3rdparty/sha3/CC0_LICENSE qt:src/3rdparty/sha3/BRG_ENDIAN_LICENSE)
quorin_part(RFC-6234 "BSD-3-Clause" IN Qt6Core.dll TEXTS qt:src/3rdparty/rfc6234/LICENSE)
quorin_part(MD4-MD5-SHA-1 "public domain, no licence" IN Qt6Core.dll)
quorin_part(Unicode-data "Unicode-DFS-2016 (UCD and CLDR)" IN Qt6Core.dll
    TEXTS qt:src/corelib/text/UNICODE_LICENSE.txt)
quorin_part(SipHash "CC0-1.0" IN Qt6Core.dll TEXTS qt:src/corelib/tools/LICENSE.siphash)
# Qt's own rasterizer comes from FreeType too.
quorin_part(FreeType "FTL, its BDF and PCF drivers MIT, its gzip module Zlib" IN Qt6Gui.dll
    TEXTS qt:src/3rdparty/freetype/LICENSE.txt qt:src/3rdparty/freetype/BDF-LICENSE.txt
          qt:src/3rdparty/freetype/PCF-LICENSE.txt qt:src/3rdparty/freetype/ZLIB-LICENSE.txt)
quorin_part(HarfBuzz "MIT" IN Qt6Gui.dll TEXTS qt:src/3rdparty/harfbuzz-ng/COPYING)
quorin_part(libpng "Libpng AND libpng-2.0" IN Qt6Gui.dll TEXTS qt:src/3rdparty/libpng/LICENSE)
quorin_part(md4c "MIT" IN Qt6Gui.dll TEXTS qt:src/3rdparty/md4c/LICENSE.md)
quorin_part(sRGB-profile "ICC" IN Qt6Gui.dll TEXTS qt:src/3rdparty/icc/LICENSE.txt)
quorin_part(smooth-scaling "BSD-2-Clause AND Imlib2" IN Qt6Gui.dll
    TEXTS qt:src/gui/painting/QIMAGETRANSFORM_LICENSE.txt)
quorin_part(X-server-region "X11 AND HPND" IN Qt6Gui.dll
    TEXTS qt:src/gui/painting/XCONSORTIUM_LICENSE.txt)
quorin_part(AGLFN "BSD-3-Clause" IN Qt6Gui.dll TEXTS qt:src/gui/text/AGLFN_LICENSE.txt)
quorin_part(WebGradients "MIT" IN Qt6Gui.dll TEXTS qt:util/gradientgen/WEBGRADIENTS_LICENSE.txt)

# The MinGW-w64 runtime: its startup code is linked into every program file built here;
# winpthreads.
quorin_part(MinGW-w64 "ZPL-2.1, public domain; winpthreads MIT (Debian's copyright file)"
    IN libwinpthread-1.dll *
    TEXTS /usr/share/doc/mingw-w64-i686-dev/copyright)
quorin_part(GCC-runtime "GPL-3.0-or-later WITH GCC-exception-3.1 (its text in copyright)"
    IN libstdc++-6.dll libgcc_s_dw2-1.dll gpibsim.dll gpibplus.dll
    TEXTS /usr/share/common-licenses/GPL-3
          /usr/share/doc/gcc-mingw-w64-i686-posix-runtime/copyright)

# Built statically into the simulated bus's DLL, with the C++ runtime, from Debian's source
# packages: the texts name the package and version and hold the licence of the source built.
quorin_part(yaml-cpp "MIT" IN gpibsim.dll TEXTS LICENSES/yaml-cpp/README.txt)
quorin_part(fmt "MIT" IN gpibsim.dll TEXTS LICENSES/fmt/README.txt)

# The uninstaller, made by NSIS, holds its code.
quorin_part(NSIS "Zlib, its LZMA decoder CPL-1.0 with an exception (Debian's copyright file)"
    IN Uninstall.exe TEXTS /usr/share/doc/nsis/copyright)
