# What `cmake --install` places: the program, its help and manual page, the systemd user unit
# of the headless background mode and, with the window, the desktop entry, the metainfo file
# and the icon in the hicolor theme.
include(GNUInstallDirs)

set(QUILLMOR_DESKTOP_ID org.quillmor.Quillmor)

install(TARGETS quillmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# F1 looks for the help at <exe dir>/../share/doc/quillmor/, then beside the executable, where
# the build tree keeps a copy.
install(FILES doc/Quillmor.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmor)
configure_file(doc/Quillmor.html ${PROJECT_BINARY_DIR}/Quillmor.html COPYONLY)
install(FILES doc/quillmor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The unit names the installed program, so it is written when the install prefix is known:
# `cmake --install --prefix ~/.local` and the package each get their own path.
install(CODE "
  set(CMAKE_INSTALL_FULL_BINDIR [[${CMAKE_INSTALL_BINDIR}]])
  if(NOT IS_ABSOLUTE \"\${CMAKE_INSTALL_FULL_BINDIR}\")
    set(CMAKE_INSTALL_FULL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/\${CMAKE_INSTALL_FULL_BINDIR}\")
  endif()
  configure_file([[${PROJECT_SOURCE_DIR}/contrib/quillmor.service]]
                 [[${PROJECT_BINARY_DIR}/contrib/quillmor.service]] @ONLY)")
install(FILES ${PROJECT_BINARY_DIR}/contrib/quillmor.service DESTINATION lib/systemd/user)

if(QUILLMOR_GUI)
  install(FILES data/${QUILLMOR_DESKTOP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/${QUILLMOR_DESKTOP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The icon files are drawn by the code that draws the window's icon, so the two never differ.
  add_executable(quillmor_icons src/qt/icon_tool/quillmor_icons.cpp)
  target_link_libraries(quillmor_icons PRIVATE qm_qt)
  set(icon_sizes 16 22 24 32 48 64 128 256)
  set(icon_root ${PROJECT_BINARY_DIR}/icons/hicolor)
  set(icon_files)
  foreach(size IN LISTS icon_sizes)
    list(APPEND icon_files ${icon_root}/${size}x${size}/apps/${QUILLMOR_DESKTOP_ID}.png)
  endforeach()
  add_custom_command(
    OUTPUT ${icon_files}
    COMMAND quillmor_icons ${icon_root} ${QUILLMOR_DESKTOP_ID} ${icon_sizes}
    DEPENDS quillmor_icons
    COMMENT "Drawing the hicolor icons")
  add_custom_target(quillmor_icon_files ALL DEPENDS ${icon_files})
  install(DIRECTORY ${icon_root} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/QuillmorPackage.cmake)
