# Install rules and the Debian package (CPack DEB), used by scripts/package.
# The package carries the station, its desktop entry, icons, AppStream
# metainfo, manual page, changelog and copyright file; its dependencies are
# the libraries dpkg-shlibdeps finds in the binary plus the pieces the
# station loads by name at run time.
include(GNUInstallDirs)

set(VANTORA_PACKAGE_MAINTAINER "Vantora developers <vantora@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/vantora)

install(TARGETS vantora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging}/vantora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/vantora.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/vantora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${packaging}/icons/vantora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vantora.png)
endforeach()
install(FILES ${packaging}/copyright DESTINATION ${docdir})
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/README.zh-CN.md DESTINATION ${docdir} OPTIONAL)

# Debian wants the manual page and the changelog compressed with gzip -9n
# (no name, no time stamp), so that the same sources give the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed ${CMAKE_BINARY_DIR}/packaging)
add_custom_command(
  OUTPUT ${compressed}/vantora.1.gz ${compressed}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${compressed}
  COMMAND ${GZIP_PROGRAM} -9n -c ${packaging}/vantora.1 > ${compressed}/vantora.1.gz
  COMMAND ${GZIP_PROGRAM} -9n -c ${packaging}/changelog > ${compressed}/changelog.gz
  DEPENDS ${packaging}/vantora.1 ${packaging}/changelog
  VERBATIM)
add_custom_target(vantora_compressed_docs ALL DEPENDS ${compressed}/vantora.1.gz ${compressed}/changelog.gz)
install(FILES ${compressed}/vantora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${compressed}/changelog.gz DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VANTORA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop photo station for registering examinees")
# The synopsis comes from the summary; this is only the extended part.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The operator enters an examinee's identity number (typed, or put on the
clipboard by another program as 'photo' and the number), picks a camera,
takes a portrait of proportion 228:303 with the number printed in a white
band, saves it as a JPEG named after the number and uploads it over HTTP to
the site's server. A hidden dialog uploads a batch of photos over FTP.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Loaded by name, so no library link shows them: the camera source, JPEG
# decoding and the test pattern (GStreamer plugins), the X11 platform plugin
# of Qt and its Wayland one (the fallback when a Wayland session's X display
# cannot be reached), the faces fontconfig gives for "MS Sans Serif" and
# "宋体", and the face guide's cascades (opencv-data).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-qpa-plugins, qt6-wayland, fonts-dejavu-core, fonts-wqy-microhei, opencv-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
