# Release builds on Debian take the hardening that dpkg-buildflags gives Debian's own packages
# (stack protector, _FORTIFY_SOURCE, format security, relro and bindnow; PIE is the compiler's
# default), so a release build is built as Debian builds its packages (debian/rules gets the
# same flags from dpkg-buildpackage, with the build type None). The flags'
# -g -O2 are left out: the build type chooses optimisation and debug information.
if(CMAKE_BUILD_TYPE STREQUAL "Release" AND NOT CMAKE_CROSSCOMPILING AND NOT VORLANTH_SANITIZE)
  find_program(VORLANTH_DPKG_BUILDFLAGS dpkg-buildflags)
  if(VORLANTH_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" ${VORLANTH_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE result)
      if(NOT result EQUAL 0)
        message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed (${result})")
      endif()
      separate_arguments(flags UNIX_COMMAND "${flags}")
      if(kind STREQUAL "LDFLAGS")
        add_link_options(${flags})
      else()
        add_compile_options(${flags})
      endif()
    endforeach()
  endif()
endif()
