# GoogleTest from the distribution's sources, built with the cross compiler.
set(VZ_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${VZ_GTEST_SOURCE_DIR}/googletest/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest sources not found in ${VZ_GTEST_SOURCE_DIR}; run scripts/setup")
endif()
set(GT ${VZ_GTEST_SOURCE_DIR}/googletest)
set(GM ${VZ_GTEST_SOURCE_DIR}/googlemock)
add_library(vz_gtest STATIC ${GT}/src/gtest-all.cc ${GM}/src/gmock-all.cc)
target_include_directories(vz_gtest SYSTEM PUBLIC ${GT}/include ${GM}/include)
target_include_directories(vz_gtest PRIVATE ${GT} ${GM})
# Our own main: it sets up what every test process shares (error mode, console code page).
add_library(vz_gtest_main STATIC ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
target_include_directories(vz_gtest_main PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(vz_gtest_main PUBLIC vz_gtest)
