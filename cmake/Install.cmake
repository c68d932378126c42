# Installing like a desktop game (program, menu entry, themed icons) and the Debian package.
include(GNUInstallDirs)

# Windows players get a zip, made by platforms/windows/build.sh; nothing here applies to them.
if(WIN32)
  return()
endif()

# The theme's icons are made at build time from the committed window icon, whatever it shows.
add_executable(sombrial-icon-png tools/icon_png/icon_png.cpp)
set(SOMBRIAL_ICON_FILE ${CMAKE_CURRENT_SOURCE_DIR}/assets/data/icon.ico)
foreach(size 16 32 48 64)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size})
  add_custom_command(OUTPUT ${folder}/sombrial.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND sombrial-icon-png ${SOMBRIAL_ICON_FILE} ${size} ${folder}/sombrial.png
    DEPENDS sombrial-icon-png ${SOMBRIAL_ICON_FILE}
    VERBATIM)
  list(APPEND SOMBRIAL_ICON_PNGS ${folder}/sombrial.png)
  install(FILES ${folder}/sombrial.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(sombrial-icons ALL DEPENDS ${SOMBRIAL_ICON_PNGS})

# Debian keeps games in /usr/games, which is on every player's PATH.
install(TARGETS sombrial RUNTIME DESTINATION games)
install(FILES assets/sombrial.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sombrial)

set(CPACK_PACKAGE_NAME sombrial)
set(CPACK_PACKAGE_VENDOR "Sombrial")
set(CPACK_PACKAGE_CONTACT "Sombrial <sombrial@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "aventura conversacional gráfica en español")
set(CPACK_PACKAGE_DESCRIPTION "Los sótanos de un laboratorio de noche, cuatro salas y una\n\
cadena de enigmas: una aventura de texto con dibujos que se juega escribiendo\n\
órdenes en castellano.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# dpkg-shlibdeps finds the runtime packages of every library the program links:
# libsdl1.2debian, libsdl-image1.2, the C and C++ runtimes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
