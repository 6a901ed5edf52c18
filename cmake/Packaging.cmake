# Installation and the Debian package.
#
# The program folder is <prefix>/lib/vidmora (executables, their libraries,
# skin/ and lang/, found beside each other through RPATH $ORIGIN); the
# programs a user starts are linked from <prefix>/bin. A .desktop entry and
# the icon put the program in the desktop's menu.

set(VIDMORA_INSTALL_DIR lib/vidmora)

set(vidmora_install_targets)
foreach(target vidmora vidmora-cli vidplay feedback quorvil lorvane glyphra vencor)
  if(TARGET ${target})
    list(APPEND vidmora_install_targets ${target})
  endif()
endforeach()
install(TARGETS ${vidmora_install_targets}
  RUNTIME DESTINATION ${VIDMORA_INSTALL_DIR}
  LIBRARY DESTINATION ${VIDMORA_INSTALL_DIR})

foreach(folder skin lang)
  install(DIRECTORY ${VIDMORA_PROGRAM_DIR}/${folder} DESTINATION ${VIDMORA_INSTALL_DIR} OPTIONAL)
endforeach()

# Links in bin/ to the programs in the program folder (made here, installed as links).
set(links_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${links_dir})
foreach(program vidmora vidmora-cli)
  if(TARGET ${program})
    file(CREATE_LINK ../${VIDMORA_INSTALL_DIR}/${program} ${links_dir}/${program} SYMBOLIC)
    install(FILES ${links_dir}/${program} DESTINATION bin)
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/vidmora.desktop DESTINATION share/applications)
# The watch folder as a systemd user service (systemctl --user enable --now vidmora-watch).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vidmora-watch.service DESTINATION lib/systemd/user)
foreach(icon "vidmora@2x.png;48x48" "vidmora_256.png;256x256" "vidmora_256@2x.png;512x512")
  list(GET icon 0 file)
  list(GET icon 1 size)
  install(FILES ${VIDMORA_PROGRAM_DIR}/skin/default/${file} DESTINATION share/icons/hicolor/${size}/apps
          RENAME vidmora.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidmora)
set(CPACK_PACKAGE_VENDOR "Vidmora")
set(CPACK_PACKAGE_CONTACT "Vidmora developers <support@vidmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Burns watermark templates into videos, in batches")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The build keeps debugging information; the package does not.
set(CPACK_STRIP_FILES ON)
# Libraries the programs link come from dpkg-shlibdeps (our own ones are in
# the program folder); these are loaded or started at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${VIDMORA_PROGRAM_DIR})
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmediainfo0v5, fonts-liberation2, fonts-dejavu-core, qt6-qpa-plugins, xdg-utils")
include(CPack)
