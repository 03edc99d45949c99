# Install layout and the Debian package.
#
#   bin/addressbook                     the command on the PATH (src/launcher), which keeps each
#                                       user's program folder and starts the program from it
#   lib/addressbook/                    the program and its tools (not on the PATH: the program
#                                       shares the command's name)
#   share/addressbook/                  what a new program folder starts from: zipcode.db built
#                                       from the sample, image/, and the postal samples' sources
#   share/applications, share/icons     the menu entry and its icon
include(GNUInstallDirs)
set(AB_LIBDIR lib/addressbook)
set(AB_DATADIR ${CMAKE_INSTALL_DATADIR}/addressbook)

add_executable(launcher src/launcher/launcher.cpp)
set_target_properties(launcher PROPERTIES OUTPUT_NAME addressbook
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
file(RELATIVE_PATH AB_BIN_TO_LIB /p/${CMAKE_INSTALL_BINDIR} /p/${AB_LIBDIR})
file(RELATIVE_PATH AB_BIN_TO_DATA /p/${CMAKE_INSTALL_BINDIR} /p/${AB_DATADIR})
target_compile_definitions(launcher PRIVATE
  LAUNCHER_TO_LIB="${AB_BIN_TO_LIB}" LAUNCHER_TO_DATA="${AB_BIN_TO_DATA}")
target_link_libraries(launcher PRIVATE abui)

# The postal code directory of a new program folder: the same sample that scripts/stage.sh
# stages for developers.
set(AB_ZIPCODE_SAMPLE ${CMAKE_SOURCE_DIR}/data/zipcode_sample_5digit)
file(GLOB AB_ZIPCODE_SAMPLE_FILES CONFIGURE_DEPENDS ${AB_ZIPCODE_SAMPLE}/*)
set(AB_SAMPLE_DB ${CMAKE_BINARY_DIR}/share/zipcode.db)
add_custom_command(OUTPUT ${AB_SAMPLE_DB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share
  COMMAND ${CMAKE_COMMAND} -E rm -f ${AB_SAMPLE_DB}
  COMMAND zipimport ${AB_ZIPCODE_SAMPLE} ${AB_SAMPLE_DB} > ${CMAKE_BINARY_DIR}/share/zipimport.log
  DEPENDS zipimport ${AB_ZIPCODE_SAMPLE_FILES}
  COMMENT "Building the sample postal code directory")

set(AB_MANPAGE ${CMAKE_BINARY_DIR}/share/addressbook.1.gz)
set(AB_CHANGELOG ${CMAKE_BINARY_DIR}/share/changelog.gz)
add_custom_command(OUTPUT ${AB_MANPAGE} ${AB_CHANGELOG}
  COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/addressbook.1 > ${AB_MANPAGE}
  COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${AB_CHANGELOG}
  DEPENDS packaging/addressbook.1 packaging/changelog)
add_custom_target(install_files ALL DEPENDS ${AB_SAMPLE_DB} ${AB_MANPAGE} ${AB_CHANGELOG})

set(AB_INSTALLED_TOOLS)
foreach(src ${TOOL_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  if(NOT name STREQUAL "drawpictures")  # draws the repository's pictures; developers only
    list(APPEND AB_INSTALLED_TOOLS ${name})
  endif()
endforeach()

# Everything installed, and nothing else: what scripts/package.sh builds.
add_custom_target(installed_files DEPENDS launcher addressbook ${AB_INSTALLED_TOOLS} install_files)

install(TARGETS launcher RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS addressbook ${AB_INSTALLED_TOOLS} RUNTIME DESTINATION ${AB_LIBDIR})
install(FILES ${AB_SAMPLE_DB} DESTINATION ${AB_DATADIR})
install(DIRECTORY image/ DESTINATION ${AB_DATADIR}/image FILES_MATCHING PATTERN "*.png")
install(DIRECTORY data/ DESTINATION ${AB_DATADIR}/samples)
install(FILES packaging/addressbook.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES resources/icons/${size}/addressbook.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${AB_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${AB_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The launcher's test installs this tree under a temporary prefix.
if(TARGET test_launcher)
  target_compile_definitions(test_launcher PRIVATE CMAKE_COMMAND="${CMAKE_COMMAND}")
endif()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
# Any remark of the validator fails the test; without the validator the test is skipped.
add_test(NAME desktop_entry COMMAND sh -c
  "command -v desktop-file-validate >/dev/null || exit 77; out=$(desktop-file-validate \"$0\" 2>&1); echo \"$out\"; test -z \"$out\""
  ${CMAKE_SOURCE_DIR}/packaging/addressbook.desktop)
set_tests_properties(desktop_entry PROPERTIES SKIP_RETURN_CODE 77)

# The Debian package: scripts/package.sh.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME addressbook)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Korean desktop address book with address labels")
set(CPACK_PACKAGE_DESCRIPTION
"주소록 keeps one person's contacts (category, name, telephone, mobile,
postal code and address) in a local SQLite file, searches them, fills
addresses from a postal code directory and prints two-up A4 address labels.
.
The addressbook command keeps each user's book in
~/.local/share/addressbook/; removing the package leaves it in place.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The addressbook developers <addressbook-dev@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the Qt 6 and SQLite libraries, from the binaries
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-nanum, fonts-nanum-coding")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fcitx5-hangul, fcitx5-frontend-qt6")
include(CPack)
