# cmake --install: the corvane program, its man page and its shell completions, in the usual
# places under the prefix. Native builds only: a Windows prefix has no man pages or shells.
if(WIN32)
  return()
endif()

include(GNUInstallDirs)
install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/corvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The completions made from the option tables (cli/CMakeLists.txt). bash-completion loads
# completions/NAME the first time NAME is completed; zsh and fish look in these folders too.
set(completion ${PROJECT_BINARY_DIR}/cli/completion)
install(FILES ${completion}/corvane.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME corvane)
install(FILES ${completion}/_corvane DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
install(FILES ${completion}/corvane.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
