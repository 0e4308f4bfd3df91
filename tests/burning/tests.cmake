# Tests of the logging, the shared helpers and the shell opener. Included from tests/CMakeLists.txt.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()
find_package(Qt6 REQUIRED COMPONENTS Gui)
include(GoogleTest)

add_executable(burning_tests
  ${CMAKE_CURRENT_LIST_DIR}/test_logging.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_helpers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_shell_target.cpp
)
if(WIN32)
  # The log's switch in the registry.
  target_sources(burning_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/test_windows_settings.cpp)
endif()
target_include_directories(burning_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(burning_tests PRIVATE korvanel_burning korvanel_shell GTest::gtest_main Qt6::Gui)
gtest_discover_tests(burning_tests
  DISCOVERY_MODE PRE_TEST
  PROPERTIES LABELS engine ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
