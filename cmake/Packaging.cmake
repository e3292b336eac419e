# The Debian package: cpack -G DEB in a release build gives vorlanth_<version>_amd64.deb with
# the program, its menu entry and its icon.
set(CPACK_PACKAGE_NAME vorlanth)
set(CPACK_PACKAGE_VENDOR "The Vorlanth project")
set(CPACK_PACKAGE_CONTACT "The Vorlanth project <maintainers@vorlanth.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running animation of glossy 3D lettering among bubbles")
set(CPACK_PACKAGE_DESCRIPTION
    "Vorlanth shows its name as glossy, bevelled 3D lettering among five translucent bubble
clusters that drift, bounce off the window's edges, grow, shrink, spin and cycle their
colours. It draws with OpenGL 1.1 and runs until Escape or closing the window ends it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries it links, from dpkg-shlibdeps; and Mesa's drivers, which OpenGL loads at run
# time without the program linking them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
