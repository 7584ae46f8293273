# The Debian package (cpack, or "make package" at the top of the source tree, which builds it
# from a Release folder with prefix /usr).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora developers <dev@velmora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of the Velmora voice mice and pens")
# The extended description; cpack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmora serves a family of voice input devices: a voice mouse (USB dongle,
cable or Bluetooth), a presenter pen with its USB receiver and a recording
pen. While a voice key is held it records the microphone, recognises the
speech locally with PocketSphinx and types the text into the focused window,
or searches, runs a command or translates it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from the binaries; the English model is loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pocketsphinx-en-us")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/data/debian/postinst ${PROJECT_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
