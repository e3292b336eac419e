# What turns a target into a Windows program: GUI subsystem (WinMain entry, no console),
# the icon resource, and with MinGW the compiler's run-time libraries linked in, so the
# program needs no DLL beyond those every Windows has.
function(vorlanth_windows_executable target resourceFile)
  if(NOT WIN32)
    return()
  endif()
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  target_sources(${target} PRIVATE ${resourceFile})
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
