# `make package` (the `package` target): a Debian package of the installation
# with prefix /usr, built by CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivim)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Lumo developers")
set(CPACK_PACKAGE_CONTACT "The Lumo developers <lumo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "instant messaging client with voice and video calls")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumo is a desktop instant messaging client with a Chinese interface. It\n"
    "logs in to a messaging server over one TCP connection and offers friend,\n"
    "recent chat and VIP lists, rich-text chat with faces and priced gift\n"
    "pictures, offline messages, friend requests, profiles and head pictures,\n"
    "a tray icon and global hot keys, and voice and video calls in a separate\n"
    "call window.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
# The libraries the binaries link are computed by dpkg-shlibdeps on the staged
# files; our own private ones are found through their RUNPATH.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/KivPackageDepends.cmake)
# Loaded at run time rather than linked, so named here: Qt's SQLite driver
# (the chat and area databases) and the GStreamer elements the call
# pipelines are built from: conversion, test source and appsrc/appsink
# (base), PulseAudio and the camera (good), x264enc (ugly), ximagesink (x).
# A module that builds a pipeline with an element of another package adds it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt5sql5-sqlite, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly, gstreamer1.0-x")
# Wanted but not needed to run: the font the skins name (fontconfig falls
# back to another), Qt's Chinese texts of the stock dialogs, xdg-open for
# web pages, and on Wayland desktops Qt's Wayland platform (without it the
# windows go through XWayland) and PipeWire's elements for screen capture.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-cjk, qttranslations5-l10n, xdg-utils, qtwayland5, gstreamer1.0-pipewire")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
