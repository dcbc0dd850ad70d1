# orvelt_install_program(<target>): installs a program and its manual page. Every program has
# one, written as packaging/man/<target>.1.in (@PROJECT_VERSION@ and @ORVELT_RELEASE_DATE@ are
# filled in); call this next to the program's add_executable().
function(orvelt_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The compiler's name and version in .comment, and .note, serve nobody at run time; Debian's
  # packages leave them out (dh_strip does the same).
  if(CMAKE_OBJCOPY)
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                  --remove-section=.note
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>\"
                  COMMAND_ERROR_IS_FATAL ANY)")
  endif()

  set(source ${PROJECT_SOURCE_DIR}/packaging/man/${target}.1.in)
  set(page ${PROJECT_BINARY_DIR}/packaging/man/${target}.1)
  configure_file(${source} ${page} @ONLY)
  # Compressed without a name or time stamp, so the same page always gives the same bytes.
  add_custom_command(OUTPUT ${page}.gz
                     COMMAND gzip -9 -n -k -f ${page}
                     DEPENDS ${page}
                     COMMENT "Compressing the manual page of ${target}"
                     VERBATIM)
  add_custom_target(${target}_manual ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
