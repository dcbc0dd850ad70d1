# The real decoder on a virtual X server: a broken conf.ini ends start-up. Skipped (77) where no
# virtual X server exists. The program is built a second time with the hook that writes what the
# window shows, for the bad input test; the released program has no such hook. It sits beside
# the start-up files of the app folder.
if(TARGET orvelt-decoder)
  add_executable(orvelt-decoder-smoke ${PROJECT_SOURCE_DIR}/app/orvelt_decoder.cpp)
  target_link_libraries(orvelt-decoder-smoke PRIVATE orvelt_qt orvelt_options)
  target_compile_definitions(orvelt-decoder-smoke PRIVATE ORVELT_SMOKE_HOOKS)
  set_target_properties(orvelt-decoder-smoke PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                        ${PROJECT_BINARY_DIR}/app)
  add_test(NAME qt_smoke COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/smoke_test.sh
                                 $<TARGET_FILE:orvelt-decoder-smoke>
                                 ${PROJECT_SOURCE_DIR}/samples/pass.kss)
  set_tests_properties(qt_smoke PROPERTIES TIMEOUT 90 SKIP_RETURN_CODE 77)
endif()
