# The product: 32-bit Windows.
set(VZ_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw32.cmake)
