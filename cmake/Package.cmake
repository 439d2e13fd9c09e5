# Release packages, made by `cpack` in a release build (scripts/package) into packages/:
#   vornak_VERSION_ARCH.deb         the program, its data, menu entry, icon and manual page
#   libvornak-dev_VERSION_ARCH.deb  the engine: headers, library, CMake and pkg-config files
#   vornak-VERSION-linux-ARCH.tar.gz  one folder that unpacks and runs (component archive)
set(CPACK_PACKAGE_NAME vornak)
set(CPACK_PACKAGE_VENDOR "The Vornak authors")
set(CPACK_PACKAGE_CONTACT "The Vornak authors <vornak@example.org>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL vornak dev)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_VORNAK_PACKAGE_NAME vornak)
set(CPACK_DEBIAN_VORNAK_PACKAGE_SECTION graphics)
# Mesa draws where there is no GPU driver; ffmpeg makes the videos of --capture.
set(CPACK_DEBIAN_VORNAK_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_VORNAK_PACKAGE_SUGGESTS "ffmpeg")
set(CPACK_DEBIAN_VORNAK_DESCRIPTION "real-time audiovisual Christmas demo
Vornak draws a fixed, music-timed schedule of picture scenes with OpenGL 4.1
core while it plays one music track: a title over a winter night, circular
wipes, a slow zoom into sweets and light through a church window. It plays
full-screen or in a window, renders itself into a video or pictures, and
previews itself for editing.")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvornak-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# The engine is a static library: what it links against comes as -dev packages.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "vornak (= ${PROJECT_VERSION}), libgl-dev, libglew-dev, libpng-dev, libfreetype-dev, \
libturbojpeg0-dev, libjpeg62-turbo-dev | libjpeg-dev, libheif-dev, libwebp-dev, pkgconf | pkg-config")
set(CPACK_DEBIAN_DEV_DESCRIPTION "engine of the Vornak demo (development files)
vornak_engine is a small static C++17 library for OpenGL 4.1 core: shaders
and programs, textures from JPEG, PNG and TGA files, a full-screen quad, 4x4
matrices, an OBJ mesh loader and a resource registry. This package holds its
headers, the library, and files for CMake's find_package(Vornak) and for
pkg-config.")

# The archive has a layout of its own (its component only, in one folder).
execute_process(COMMAND uname -m OUTPUT_VARIABLE VORNAK_MACHINE OUTPUT_STRIP_TRAILING_WHITESPACE)
set(VORNAK_ARCHIVE_NAME vornak-${PROJECT_VERSION}-linux-${VORNAK_MACHINE})
configure_file(${CMAKE_CURRENT_LIST_DIR}/package/PerGenerator.cmake.in
  ${PROJECT_BINARY_DIR}/CPackPerGenerator.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackPerGenerator.cmake)
include(CPack)
