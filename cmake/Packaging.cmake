# Debian package of the program, its launcher entry and its icons (the install rules
# of cmake/parts/platform.cmake):
#   cmake --build build --target package      (or: cd build && cpack -G DEB)
# gives build/pliform_<version>_<arch>.deb, which `apt install ./pliform_*.deb`
# installs together with the libraries it needs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pliform)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pliform")
set(CPACK_PACKAGE_CONTACT "Pliform maintainers <maintainers@pliform.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "build smooth closed 3D shapes by drawing with the mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "Draw an outline and it inflates into a rounded body; draw on the body to add control \
curves, cut pieces away or pull them out along a profile, bend, erase and sharpen the \
curves, and save the shape as a Wavefront OBJ file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The Qt, OpenGL and C++ runtime libraries, found from what the binary links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window system plug-in for Wayland sessions; under X11 the one in Qt's GUI
# library serves.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
