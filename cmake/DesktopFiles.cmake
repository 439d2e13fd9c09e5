# What a desktop and a packaged install add to the program: the menu entry and its
# icon, the manual page (written from `vornak --help` after each build, so the two
# never drift), the changelog, and the unpack-and-run archive's own layout.
find_program(VORNAK_GZIP gzip REQUIRED)
set(VORNAK_PACKAGE_SOURCE ${CMAKE_CURRENT_LIST_DIR}/package)
set(VORNAK_GENERATED ${PROJECT_BINARY_DIR}/generated)

# The icon, cut from the show's Christmas picture by our own tool, at the hicolor sizes.
add_executable(vornak_makeicon ${PROJECT_SOURCE_DIR}/tools/makeicon/main.cpp
                               ${PROJECT_SOURCE_DIR}/tools/makedata/ImageIO.cpp)
target_link_libraries(vornak_makeicon PRIVATE vornak_engine PNG::PNG PkgConfig::TURBOJPEG)
set(VORNAK_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VORNAK_ICONS "")
foreach(size IN LISTS VORNAK_ICON_SIZES)
  list(APPEND VORNAK_ICONS ${VORNAK_GENERATED}/icons/${size}x${size}/apps/vornak.png)
endforeach()
add_custom_command(OUTPUT ${VORNAK_ICONS}
  COMMAND vornak_makeicon ${PROJECT_SOURCE_DIR}/data/christmas.jpg ${VORNAK_GENERATED}/icons
  DEPENDS vornak_makeicon ${PROJECT_SOURCE_DIR}/data/christmas.jpg
  COMMENT "Drawing the icon from data/christmas.jpg")

# Compressed the Debian way (-n: no name or time stamp, so builds repeat byte for byte).
set(VORNAK_MAN_PAGE ${VORNAK_GENERATED}/vornak.1)
add_custom_command(OUTPUT ${VORNAK_MAN_PAGE} ${VORNAK_MAN_PAGE}.gz
  COMMAND ${CMAKE_COMMAND} -DVORNAK=$<TARGET_FILE:vornak> -DTEMPLATE=${VORNAK_PACKAGE_SOURCE}/vornak.1.in
          -DOUTPUT=${VORNAK_MAN_PAGE} -P ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
  COMMAND ${VORNAK_GZIP} -9nc ${VORNAK_MAN_PAGE} > ${VORNAK_MAN_PAGE}.gz
  DEPENDS vornak ${VORNAK_PACKAGE_SOURCE}/vornak.1.in ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
  COMMENT "Writing the manual page from vornak --help")
add_custom_command(OUTPUT ${VORNAK_GENERATED}/changelog.gz
  COMMAND ${VORNAK_GZIP} -9nc ${VORNAK_PACKAGE_SOURCE}/changelog > ${VORNAK_GENERATED}/changelog.gz
  DEPENDS ${VORNAK_PACKAGE_SOURCE}/changelog)
add_custom_target(vornak_desktop_files ALL DEPENDS ${VORNAK_ICONS} ${VORNAK_MAN_PAGE}.gz
                                                   ${VORNAK_GENERATED}/changelog.gz)

install(FILES ${VORNAK_PACKAGE_SOURCE}/vornak.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT vornak)
foreach(size IN LISTS VORNAK_ICON_SIZES)
  install(FILES ${VORNAK_GENERATED}/icons/${size}x${size}/apps/vornak.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT vornak)
endforeach()
install(FILES ${VORNAK_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT vornak)
install(FILES ${VORNAK_GENERATED}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vornak COMPONENT vornak)
install(FILES ${VORNAK_GENERATED}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libvornak-dev
  COMPONENT dev)

# The archive: one folder with the program, data/ beside it (where it looks first),
# the manual page as it is, a README and the licence. Only cpack installs it.
configure_file(${VORNAK_PACKAGE_SOURCE}/README.txt ${VORNAK_GENERATED}/README.txt @ONLY)
install(TARGETS vornak RUNTIME DESTINATION . COMPONENT archive EXCLUDE_FROM_ALL)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION data COMPONENT archive EXCLUDE_FROM_ALL)
install(FILES ${VORNAK_MAN_PAGE} ${VORNAK_GENERATED}/README.txt ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .
  COMPONENT archive EXCLUDE_FROM_ALL)
