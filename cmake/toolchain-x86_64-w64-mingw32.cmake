# 64-bit Windows, for the tests on hosts that run no 32-bit code.
set(VZ_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw32.cmake)
