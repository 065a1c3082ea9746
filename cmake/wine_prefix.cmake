# Readies wine for the tests of a Windows build: sets up the wine prefix
# (WINEPREFIX, or ~/.wine) when wine has never run there, and starts one
# wineserver that every test process then shares. ctest runs this before it
# lists the GoogleTest tests, which it does by running them under wine: the
# first start of wine in a new prefix builds the prefix, which takes from
# seconds to minutes, longer than that listing waits.
#
# Usage: cmake -DWINE=<wine64> [-DWINESERVER=<wineserver>] -DLOG=<file>
#              -P wine_prefix.cmake
if(DEFINED ENV{WINEPREFIX} AND NOT "$ENV{WINEPREFIX}" STREQUAL "")
  set(prefix "$ENV{WINEPREFIX}")
else()
  set(prefix "$ENV{HOME}/.wine")
endif()
if(NOT EXISTS "${prefix}/drive_c")
  message("Setting up the wine prefix ${prefix} for the tests: once, up to a few minutes")
endif()
file(MAKE_DIRECTORY "${prefix}")

# One server for all test processes, kept until a minute after the last one
# ends: each start of wine then takes a tenth of a second instead of several,
# and no test's output pipe stays open on a server started on its behalf.
# When a server already runs for this prefix, that one serves and this
# command fails, harmlessly. Files, not pipes, for the output: the server
# and wine's background programs keep them open.
if(WINESERVER)
  execute_process(COMMAND "${WINESERVER}" -p60 OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
endif()
execute_process(COMMAND "${WINE}" cmd /c exit TIMEOUT 900
                RESULT_VARIABLE result OUTPUT_FILE "${LOG}" ERROR_FILE "${LOG}")
if(NOT result EQUAL 0)
  message(WARNING "wine did not start in ${prefix} (${result}; see ${LOG}): "
                  "the tests under wine will fail")
endif()
