# Installation and the Debian package.
#
# The program folder is <prefix>/lib/<multiarch>/vidmora (executables, their
# libraries, skin/ and lang/, found beside each other through RPATH $ORIGIN);
# the programs a user starts are linked from <prefix>/bin. A .desktop entry
# and the icon put the program in the desktop's menu. The libraries are the
# programs' own, in a folder the dynamic linker never searches, so the package
# runs no ldconfig (CPack adds it for libraries directly below <prefix>/lib).

if(CMAKE_LIBRARY_ARCHITECTURE)
  set(VIDMORA_INSTALL_DIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/vidmora)
else()
  set(VIDMORA_INSTALL_DIR lib/vidmora)
endif()

# Every program and library is named: one that is not defined is an error at configure time.
install(TARGETS vidmora vidmora-cli vidplay feedback quorvil lorvane glyphra vencor
  RUNTIME DESTINATION ${VIDMORA_INSTALL_DIR}
  LIBRARY DESTINATION ${VIDMORA_INSTALL_DIR})

foreach(folder skin lang)
  install(DIRECTORY ${VIDMORA_PROGRAM_DIR}/${folder} DESTINATION ${VIDMORA_INSTALL_DIR})
endforeach()

# Links in bin/ to the programs in the program folder (made here, installed as links).
set(links_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${links_dir})
# feedback stays in the program folder: the window starts it from there, and
# its name is too general for /usr/bin.
foreach(program vidmora vidmora-cli vidplay)
  file(CREATE_LINK ../${VIDMORA_INSTALL_DIR}/${program} ${links_dir}/${program} SYMBOLIC)
  install(FILES ${links_dir}/${program} DESTINATION bin)
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

# What Debian asks of every package: the copyright, a changelog and manual
# pages, compressed reproducibly (gzip -n).
set(doc_build_dir ${CMAKE_BINARY_DIR}/package-docs)
file(MAKE_DIRECTORY ${doc_build_dir}/man)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${doc_build_dir}/changelog @ONLY)
set(compressed_docs changelog)
foreach(page vidmora vidmora-cli vidplay)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${page}.1 ${doc_build_dir}/man/${page}.1 @ONLY)
  list(APPEND compressed_docs man/${page}.1)
endforeach()
foreach(doc ${compressed_docs})
  execute_process(COMMAND gzip -9n -c ${doc_build_dir}/${doc} OUTPUT_FILE ${doc_build_dir}/${doc}.gz
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${doc_build_dir}/changelog.gz DESTINATION share/doc/vidmora)
install(FILES ${doc_build_dir}/man/vidmora.1.gz ${doc_build_dir}/man/vidmora-cli.1.gz ${doc_build_dir}/man/vidplay.1.gz
        DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidmora)
set(CPACK_PACKAGE_VENDOR "Vidmora")
set(CPACK_PACKAGE_CONTACT "Vidmora developers <support@vidmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Burns watermark templates into videos, in batches")
# Lines of at most 80 characters, as the control file wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Vidmora lists videos, lets you design watermark templates (layers of text"
  "with shadow, outline, fill and a repeated pattern, and of logo pictures,"
  "each placed, rotated and faded) and paints every frame of every video with"
  "the template, saving each as a new file in the chosen container and codecs."
  "Source videos are never changed."
  "."
  "The package holds the window vidmora, the command-line program vidmora-cli"
  "and the player vidplay, which shows a clip with the watermark where the"
  "batch paints it.")
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
