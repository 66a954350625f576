# vz_library(<name> SOURCES <files...> [DEPENDS <libs...>])
#   One static library per folder; its headers are included as "folder/Unit.h" from the source root.
function(vz_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_compile_options(${name} PRIVATE ${VZ_WARNINGS})
  if(ARG_DEPENDS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  endif()
endfunction()

# vz_test(<name> SOURCES <files...> [LIBS <libs...>] [LABELS <labels...>])
#   A GoogleTest executable run by CTest through Wine as one test (one Wine start per executable).
function(vz_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests
                                             ${PROJECT_BINARY_DIR}/generated)
  target_compile_options(${name} PRIVATE ${VZ_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vz_gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wineprefix
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "VZ_SOURCE_DIR=${PROJECT_SOURCE_DIR};VZ_BINARY_DIR=${PROJECT_BINARY_DIR}"
    TIMEOUT 900)
endfunction()

# vz_split_debug(<target>)
#   A program users run carries no debug information: it moves to <file>.debug beside the
#   program, which names it by a debug link, so a debugger still finds it for crash analysis.
function(vz_split_debug target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
            $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
