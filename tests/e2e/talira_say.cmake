# ---- talira-say on the shipped data --------------------------------------------
if(TARGET talira-say)
  add_executable(e2e_talira_say ${CMAKE_CURRENT_LIST_DIR}/talira_say_e2e_test.cpp)
  tembrika_target_defaults(e2e_talira_say)
  target_link_libraries(e2e_talira_say PRIVATE GTest::gtest_main)
  add_dependencies(e2e_talira_say talira-say)
  target_compile_definitions(e2e_talira_say PRIVATE
    TALIRA_SAY="$<TARGET_FILE:talira-say>"
    TEMBRIKA_SOURCE_DRIVE_C="${TEMBRIKA_SOURCE_DRIVE_C}")
  gtest_discover_tests(e2e_talira_say DISCOVERY_TIMEOUT 60 PROPERTIES LABELS e2e)
endif()
