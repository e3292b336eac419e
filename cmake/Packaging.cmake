# The Windows downloads, made by cpack in the cross build: vorlanth-<version>-win64.zip
# (cpack -G ZIP) with the program, its licence and a README, and the installer
# vorlanth-<version>-win64-setup.exe (cpack -G NSIS). On Linux the Debian package is built
# from debian/ (dpkg-buildpackage), with the files the install rules of DesktopEntry.cmake
# place.
if(NOT WIN32)
  return()
endif()

set(CPACK_PACKAGE_NAME vorlanth)
set(CPACK_PACKAGE_VENDOR "The Vorlanth project")
set(CPACK_PACKAGE_CONTACT "The Vorlanth project <maintainers@vorlanth.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

# Everything at the top of the zip and of the installed folder: vorlanth.exe is static and
# needs no DLL beside it.
install(TARGETS vorlanth RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/data/README.txt DESTINATION .)
set(CPACK_PACKAGE_FILE_NAME vorlanth-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)

# The installer: a 64-bit one (makensis builds 32-bit ones unless told), into
# Program Files\Vorlanth, a Start-menu entry "Vorlanth" whose icon is the program's, and an
# uninstaller listed under installed programs that removes every file and key it made.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_PACKAGE_NAME Vorlanth)
set(CPACK_NSIS_DISPLAY_NAME Vorlanth)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vorlanth)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vorlanth)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/scene/vorlanth.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/scene/vorlanth.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME vorlanth.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Vorlanth.lnk' '$INSTDIR\\\\vorlanth.exe' '' '$INSTDIR\\\\vorlanth.exe' 0")
# The template removes the program's key under the vendor's but leaves the vendor's own; these
# lines run after that removal (its extra uninstall commands would run before it).
set(CPACK_NSIS_DELETE_ICONS_EXTRA
    "Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\Vorlanth.lnk'
  DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingGenerator.cmake)
include(CPack)
