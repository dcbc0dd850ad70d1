# The decoder built a second time with the hook that writes what the window shows, for the bad
# input test; the released program has no such hook. It sits beside the start-up files of the
# app folder.
if(TARGET orvelt-decoder)
  add_executable(orvelt-decoder-smoke ${PROJECT_SOURCE_DIR}/app/orvelt_decoder.cpp)
  target_link_libraries(orvelt-decoder-smoke PRIVATE orvelt_qt orvelt_options)
  target_compile_definitions(orvelt-decoder-smoke PRIVATE ORVELT_SMOKE_HOOKS)
  set_target_properties(orvelt-decoder-smoke PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                        ${PROJECT_BINARY_DIR}/app)
endif()
