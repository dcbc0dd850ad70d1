# The real decoder on a virtual X server: the window appears with the sample's values and closes
# cleanly, and a broken conf.ini ends start-up. Skipped (77) where no virtual X server exists.
if(TARGET orvelt-decoder)
  add_test(NAME qt_smoke COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/smoke_test.sh
                                 $<TARGET_FILE:orvelt-decoder> ${PROJECT_SOURCE_DIR}/samples/pass.kss)
  set_tests_properties(qt_smoke PROPERTIES TIMEOUT 90 SKIP_RETURN_CODE 77)
endif()
