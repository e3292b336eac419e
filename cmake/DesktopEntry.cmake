# Installs a program with its menu entry and its 32 x 32 icon on freedesktop systems.
include(GNUInstallDirs)

function(vorlanth_install_desktop_entry target desktopFile iconPng)
  if(WIN32 OR APPLE)
    return()
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${desktopFile} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${iconPng} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
endfunction()
