# Installs the build into an empty prefix and checks what lands where.
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(program ${PREFIX}/bin/vorlanth)
set(entry ${PREFIX}/share/applications/vorlanth.desktop)
set(icon ${PREFIX}/share/icons/hicolor/32x32/apps/vorlanth.png)
foreach(path ${program} ${entry} ${icon})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "not installed: ${path}\n${output}")
  endif()
endforeach()
if(IS_DIRECTORY ${program})
  message(FATAL_ERROR "${program} is a folder, not the program")
endif()

# The icon is the committed picture, byte for byte, and a 32 x 32 PNG.
file(SHA256 ${icon} installedIcon)
file(SHA256 ${SOURCE_DIR}/scene/vorlanth.png committedIcon)
if(NOT installedIcon STREQUAL committedIcon)
  message(FATAL_ERROR "the installed icon differs from scene/vorlanth.png")
endif()
file(READ ${icon} header LIMIT 24 HEX)
# Signature, IHDR chunk, width 32 (0x20), height 32.
if(NOT header STREQUAL "89504e470d0a1a0a0000000d494844520000002000000020")
  message(FATAL_ERROR "the installed icon is not a 32 x 32 PNG (header ${header})")
endif()

# The entry starts the installed program by name and uses the icon by name.
file(STRINGS ${entry} lines)
list(GET lines 0 first)
if(NOT first STREQUAL "[Desktop Entry]")
  message(FATAL_ERROR "${entry} does not start with its group header")
endif()
foreach(wanted "Type=Application" "Name=Vorlanth" "Exec=vorlanth" "Icon=vorlanth" "Terminal=false")
  list(FIND lines "${wanted}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${entry} lacks the line ${wanted}")
  endif()
endforeach()

find_program(validator desktop-file-validate)
if(validator)
  execute_process(COMMAND ${validator} ${entry} RESULT_VARIABLE result OUTPUT_VARIABLE report ERROR_VARIABLE report)
  if(NOT result EQUAL 0 OR NOT report STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${report}")
  endif()
endif()
