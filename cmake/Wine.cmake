# Runs the Windows executables under Wine: one 32-bit prefix inside the build tree, a Chinese
# locale (ANSI code page 936), the project's ODBC configuration.
find_program(VZ_WINE wine REQUIRED)
set(VZ_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
set(VZ_ODBCSYSINI ${PROJECT_BINARY_DIR}/odbc)
set(VZ_SQLITE_ODBC_DRIVER /usr/lib/i386-linux-gnu/odbc/libsqlite3odbc.so CACHE FILEPATH "SQLite3 ODBC driver (i386)")
set(VZ_PSQL_ODBC_DRIVER /usr/lib/i386-linux-gnu/odbc/psqlodbca.so CACHE FILEPATH "psqlODBC ANSI driver (i386)")
set(VZ_ACCESS_STANDIN ${PROJECT_BINARY_DIR}/tools/odbc-access/libvzaccessodbc.so)

configure_file(${PROJECT_SOURCE_DIR}/scripts/wine-exec.in ${PROJECT_BINARY_DIR}/wine-exec @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
configure_file(${PROJECT_SOURCE_DIR}/tools/odbc-access/odbcinst.ini.in ${VZ_ODBCSYSINI}/odbcinst.ini @ONLY)
file(TOUCH ${VZ_ODBCSYSINI}/odbc.ini)
# A machine that has only the older Access driver name, for the tests of the driver check.
set(VZ_ODBCSYSINI_OLDER ${PROJECT_BINARY_DIR}/odbc-older)
configure_file(${PROJECT_SOURCE_DIR}/tools/odbc-access/odbcinst-older.ini.in ${VZ_ODBCSYSINI_OLDER}/odbcinst.ini @ONLY)
file(TOUCH ${VZ_ODBCSYSINI_OLDER}/odbc.ini)

set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-exec)

# The prefix is made once, before any test runs.
add_test(NAME wine_prefix COMMAND ${PROJECT_BINARY_DIR}/wine-exec --init-prefix)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wineprefix TIMEOUT 300)
