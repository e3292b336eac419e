# Installs the program on freedesktop systems as Debian places a game: the program in games/,
# its menu entry, icons, AppStream metainfo and manual page (section 6) from data/.
include(GNUInstallDirs)

set(VORLANTH_ICON_SIZES 16 32 48 64 128 256)

function(vorlanth_install_desktop_entry target)
  if(WIN32 OR APPLE)
    return()
  endif()
  set(data ${PROJECT_SOURCE_DIR}/data)
  install(TARGETS ${target} RUNTIME DESTINATION games)
  set(installed "\${CMAKE_INSTALL_PREFIX}/games/$<TARGET_FILE_NAME:${target}>")
  # The backend modules the program loads, where it looks for them (platform/CMakeLists.txt).
  if(TARGET platform_wayland_module)
    install(TARGETS platform_wayland_module LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vorlanth)
    string(APPEND installed
      " \${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/vorlanth/$<TARGET_FILE_NAME:platform_wayland_module>")
  endif()
  # Debian's programs carry no compiler identification: strip's default keeps .comment.
  install(CODE "
    foreach(file ${installed})
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\$ENV{DESTDIR}\${file}\"
                      RESULT_VARIABLE result)
      if(NOT result EQUAL 0)
        message(FATAL_ERROR \"objcopy could not remove .comment from \${file}\")
      endif()
    endforeach()")
  install(FILES ${data}/vorlanth.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${data}/invalid.vorlanth.vorlanth.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The 32 x 32 one is the program's own file icon; tools/render_icons draws the others.
  foreach(size ${VORLANTH_ICON_SIZES})
    set(icon ${data}/icons/vorlanth-${size}.png)
    if(size EQUAL 32)
      set(icon ${PROJECT_SOURCE_DIR}/scene/vorlanth.png)
    endif()
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vorlanth.png)
  endforeach()

  # Manual pages are installed compressed, without a timestamp in the gzip header.
  set(manual ${CMAKE_CURRENT_BINARY_DIR}/vorlanth.6.gz)
  add_custom_command(OUTPUT ${manual}
                     COMMAND gzip -9n -c ${data}/vorlanth.6 > ${manual}
                     DEPENDS ${data}/vorlanth.6 VERBATIM)
  add_custom_target(${target}_manual ALL DEPENDS ${manual})
  # Building the program alone, as the packaging steps do, makes what its install needs.
  add_dependencies(${target} ${target}_manual)
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endfunction()
