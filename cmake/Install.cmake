# The installed program: one program folder holding the program, the
# converter and words commands, the reference database and the manual (the program
# finds its database beside itself), launchers on the PATH, and the desktop
# integration in the freedesktop locations.

install(TARGETS orvanta orvanta-convert orvanta-words RUNTIME DESTINATION ${ORVANTA_PROGRAM_DIR})
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/orvbase.mdb
              ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/orvanta-help.html
        DESTINATION ${ORVANTA_PROGRAM_DIR})

# Launchers: links into the program folder (the program resolves the link
# and finds its database beside its real self).
foreach(tool orvanta orvanta-convert orvanta-words)
  install(CODE "
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${dir}\")
    file(RELATIVE_PATH target \"\${dir}\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ORVANTA_PROGRAM_DIR}/${tool}\")
    file(CREATE_LINK \"\${target}\" \"\${dir}/${tool}\" SYMBOLIC)")
endforeach()

# The shipped fonts: in the program folder for the program's windows, and in
# the fonts folder of the prefix, where other programs (Writer) find them.
get_property(ORVANTA_FONT_FILES GLOBAL PROPERTY ORVANTA_FONT_FILES)
if(ORVANTA_FONT_FILES)
  install(FILES ${ORVANTA_FONT_FILES} DESTINATION ${ORVANTA_PROGRAM_DIR}/fonts)
  install(FILES ${ORVANTA_FONT_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/fonts/orvanta)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/dist/orvanta.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/orvanta.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Autostart is the user's choice: the entry waits here to be copied into
# ~/.config/autostart (see the README).
install(FILES ${PROJECT_SOURCE_DIR}/dist/orvanta-autostart.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/orvanta)
install(FILES ${PROJECT_SOURCE_DIR}/dist/65-orvanta-fonts.conf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/orvanta)
# The font names for other programs: a system-wide install enables the
# alias for everyone; other prefixes leave it to scripts/run or the user.
install(CODE "
  if(NOT \"\$ENV{DESTDIR}\" AND (CMAKE_INSTALL_PREFIX STREQUAL \"/usr\" OR CMAKE_INSTALL_PREFIX STREQUAL \"/usr/local\")
     AND IS_DIRECTORY /etc/fonts/conf.d)
    file(COPY ${PROJECT_SOURCE_DIR}/dist/65-orvanta-fonts.conf DESTINATION /etc/fonts/conf.d)
  endif()")
