# The downloads, made by cpack in a release build: on Linux vorlanth_<version>_amd64.deb
# (cpack -G DEB), a Debian package that lintian accepts; in the Windows cross build
# vorlanth-<version>-win64.zip (cpack -G ZIP) with the program, its licence and a README.
set(CPACK_PACKAGE_NAME vorlanth)
set(CPACK_PACKAGE_VENDOR "The Vorlanth project")
set(CPACK_PACKAGE_CONTACT "The Vorlanth project <maintainers@vorlanth.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

if(WIN32)
  # Everything at the top of the zip: vorlanth.exe is static and needs no DLL beside it.
  install(TARGETS vorlanth RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/data/README.txt DESTINATION .)
  set(CPACK_PACKAGE_FILE_NAME vorlanth-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_GENERATOR ZIP)
  include(CPack)
  return()
endif()

# Lines of the long description are at most 80 characters, as lintian wants.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running animation of glossy 3D lettering among bubbles")
set(CPACK_PACKAGE_DESCRIPTION
    "Vorlanth shows its name as glossy, bevelled 3D lettering among five
translucent bubble clusters that drift, bounce off the window's edges, grow,
shrink, spin and cycle their colours. It draws with OpenGL 1.1 and runs until
Escape or closing the window ends it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# An amusement to watch, placed as Debian places its games: /usr/games, manual section 6.
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries it links, from dpkg-shlibdeps; and Mesa's drivers, which OpenGL loads at run
# time without the program linking them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

# What Debian wants in every package's documentation folder: the copyright in the
# machine-readable format and, for a package made outside Debian, a native changelog.
set(docDir ${CMAKE_INSTALL_DATADIR}/doc/vorlanth)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
                   COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/changelog > ${changelog}
                   DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog VERBATIM)
add_custom_target(vorlanth_changelog ALL DEPENDS ${changelog})
add_dependencies(vorlanth vorlanth_changelog)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright ${changelog} DESTINATION ${docDir})
include(CPack)
