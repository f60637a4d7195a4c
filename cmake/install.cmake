# cmake --install: the corvane program, its man page and its bash completion, in the usual
# places under the prefix. Native builds only: a Windows prefix has no man pages or bash.
if(WIN32)
  return()
endif()

include(GNUInstallDirs)
install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/corvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# bash-completion loads completions/NAME the first time NAME is completed.
install(FILES ${PROJECT_SOURCE_DIR}/scripts/completion/corvane.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME corvane)
