# Runs the Windows executables under Wine: one prefix inside the build tree (32-bit, or 64-bit
# for the 64-bit test build), a Chinese locale (ANSI code page 936), the project's ODBC
# configuration. The ODBC drivers are native libraries loaded into the Wine process, so they
# are of the program's width.
find_program(VZ_WINE wine REQUIRED)
set(VZ_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
set(VZ_ODBCSYSINI ${PROJECT_BINARY_DIR}/odbc)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VZ_WINEARCH win64)
  set(VZ_WINE_LOADER /usr/lib/wine/wine64)
  set(VZ_WINE_SERVER /usr/lib/wine/wineserver64)
  set(VZ_NATIVE_ODBC_DIR /usr/lib/x86_64-linux-gnu/odbc)
  set(VZ_NATIVE_CFLAGS -m64)
else()
  set(VZ_WINEARCH win32)
  set(VZ_WINE_LOADER /usr/lib/wine/wine)
  set(VZ_WINE_SERVER /usr/lib/wine/wineserver)
  set(VZ_NATIVE_ODBC_DIR /usr/lib/i386-linux-gnu/odbc)
  set(VZ_NATIVE_CFLAGS -m32)
endif()
set(VZ_SQLITE_ODBC_DRIVER ${VZ_NATIVE_ODBC_DIR}/libsqlite3odbc.so CACHE FILEPATH "SQLite3 ODBC driver")
set(VZ_PSQL_ODBC_DRIVER ${VZ_NATIVE_ODBC_DIR}/psqlodbca.so CACHE FILEPATH "psqlODBC ANSI driver")
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
