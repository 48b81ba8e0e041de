# Install rules of the program and its Debian package. The images, fonts, program icon and
# desktop entry are installed by assets/CMakeLists.txt.
#
#   cmake --install <build dir> --prefix <dir>
#   cd <build dir> && cpack -G DEB        -> inkboard_<version>_<arch>.deb
#
# The package installs under /usr whatever CMAKE_INSTALL_PREFIX says: the program finds its
# data relative to its own folder, so the prefix is not compiled in.

install(TARGETS inkboard RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(INKBOARD_PACKAGE_MAINTAINER "inkboard developers <inkboard@invalid>"
    CACHE STRING "Maintainer field of the Debian package (name <address>)")

set(CPACK_PACKAGE_NAME inkboard)
set(CPACK_PACKAGE_VENDOR "inkboard developers")
set(CPACK_PACKAGE_CONTACT "${INKBOARD_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION [[
Ink appears under the pen at once; strokes are smooth outlines whose width
and opacity follow pen pressure or speed, and several hands can draw at the
same time. All controls are on the canvas: a round menu, sliders, and the
screen's edges for panning, rotating and zooming. Pages are kept as numbered
XML files in a folder of your choice and can be exported as SVG.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Dependencies come from the libraries the binary links (dpkg-shlibdeps), so they follow
# whatever the build links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A GL driver: software rendering where the machine has no other.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libgl1-mesa-dri)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The package's contents list: binary, images, fonts, desktop entry, icons, licence file.
add_test(NAME package_contents
  COMMAND ${CMAKE_SOURCE_DIR}/packaging/check-package-contents ${CMAKE_BINARY_DIR})
set_tests_properties(package_contents PROPERTIES TIMEOUT 300)
