# The flags Debian builds every package with, all hardening on (DEB_BUILD_MAINT_OPTIONS=
# hardening=+all): a stack protector, fortified functions, format checks, read-only relocations
# and immediate binding. The programs parse radio input and servers' answers. Optimisation and
# debug information stay the build type's: dpkg-buildflags' own -g and -O2 are left out.
find_program(ORVELT_DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags REQUIRED)
set(orvelt_hardening_compile)
set(orvelt_hardening_link)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  # Run from the source folder, so that -ffile-prefix-map maps its paths to ".".
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${ORVELT_DPKG_BUILDFLAGS_PROGRAM} --get ${kind}
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE flags
                  OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(g[0-9]*|O[0-9sgz]?)$")
  if(kind STREQUAL LDFLAGS)
    list(APPEND orvelt_hardening_link ${flags})
  else()
    list(APPEND orvelt_hardening_compile ${flags})
  endif()
endforeach()
# Stack clash protection and control-flow protection (CET on x86) are hardening features that
# newer dpkg-buildflags turn on with the others (stackclash, branch) and Debian 12's does not
# know yet. (On Debian 12 the program as a whole cannot be marked as protected: its C library's
# start files carry no mark. Our own code has the instructions all the same.)
include(CheckCXXCompilerFlag)
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "ORVELT_HAS${flag}" supported)
  check_cxx_compiler_flag(${flag} ${supported})
  if(${supported} AND NOT flag IN_LIST orvelt_hardening_compile)
    list(APPEND orvelt_hardening_compile ${flag})
  endif()
endforeach()
message(STATUS "dpkg-buildflags: compile ${orvelt_hardening_compile}; link ${orvelt_hardening_link}")
add_compile_options(${orvelt_hardening_compile})
add_link_options(${orvelt_hardening_link})
