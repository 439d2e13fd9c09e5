# The installed layout: lib/ the engine, include/vornak/ its headers, lib/cmake/Vornak/
# the package, lib/pkgconfig/vornak.pc, and with the demo bin/vornak and
# share/vornak/data/, where the installed program looks for its data.
# Every rule names its component, the Debian package it goes into: vornak (the
# program) or dev (libvornak-dev, the engine); cmake/Package.cmake makes them.
include(CMakePackageConfigHelpers)

install(TARGETS vornak_engine EXPORT VornakTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The same include lines as in the build: <vornak/Name.h>. Internal headers stay home.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/engine/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vornak COMPONENT dev
  FILES_MATCHING PATTERN "*.h" PATTERN "*internal*" EXCLUDE)

set(VORNAK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vornak)
install(EXPORT VornakTargets NAMESPACE Vornak:: DESTINATION ${VORNAK_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VornakConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VornakConfig.cmake INSTALL_DESTINATION ${VORNAK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VornakConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VornakConfig.cmake ${PROJECT_BINARY_DIR}/VornakConfigVersion.cmake
  DESTINATION ${VORNAK_CMAKE_DIR} COMPONENT dev)

# vornak.pc finds its prefix from where it lies, so `cmake --install --prefix` may move it.
file(RELATIVE_PATH VORNAK_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" VORNAK_PC_TO_PREFIX "${VORNAK_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/vornak.pc.in ${PROJECT_BINARY_DIR}/vornak.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vornak.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

if(VORNAK_BUILD_DEMO)
  install(TARGETS vornak RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT vornak)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vornak/data COMPONENT vornak)
  include(${CMAKE_CURRENT_LIST_DIR}/DesktopFiles.cmake)
endif()

# The zlib licence as Debian's copyright file, in each package's documentation.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE VORNAK_LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" VORNAK_COPYRIGHT "${VORNAK_LICENSE}")
string(REGEX REPLACE "\n+$" "" VORNAK_LICENSE "${VORNAK_LICENSE}")
string(REGEX REPLACE "\n\n" "\n.\n" VORNAK_LICENSE "${VORNAK_LICENSE}")
string(REPLACE "\n" "\n " VORNAK_LICENSE " ${VORNAK_LICENSE}")
# The default font in data/ keeps its own licence, written beside it.
file(READ ${PROJECT_SOURCE_DIR}/data/DejaVuSans-Bold.LICENSE VORNAK_FONT_LICENSE)
string(REGEX REPLACE "\n+$" "" VORNAK_FONT_LICENSE "${VORNAK_FONT_LICENSE}")
string(REGEX REPLACE "\n\n" "\n.\n" VORNAK_FONT_LICENSE "${VORNAK_FONT_LICENSE}")
string(REPLACE "\n" "\n " VORNAK_FONT_LICENSE " ${VORNAK_FONT_LICENSE}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Vornak\n\n"
  "Files: *\nCopyright: ${CMAKE_MATCH_1}\nLicense: Zlib\n${VORNAK_LICENSE}\n\n"
  "Files: data/DejaVuSans-Bold.ttf\nCopyright: 2003 Bitstream, Inc.; DejaVu changes are in the public domain\n"
  "License: Bitstream-Vera\n${VORNAK_FONT_LICENSE}\n")
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vornak COMPONENT vornak)
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libvornak-dev COMPONENT dev)
