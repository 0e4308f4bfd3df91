# Image building from a folder (libisofs underneath), checked by parsing the image bytes.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Sessions added to a virtual disc need the recorders of the library tests too.
add_executable(iso_tree_tests ${CMAKE_CURRENT_LIST_DIR}/test_iso_tree.cpp ${CMAKE_CURRENT_LIST_DIR}/test_iso_tree_append.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_support.cpp ${CMAKE_CURRENT_LIST_DIR}/../common/test_common.cpp)
# The test reaches the library's internal C++ classes, not only its C interface.
target_include_directories(iso_tree_tests PRIVATE ${PROJECT_SOURCE_DIR}/discwright ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(iso_tree_tests PRIVATE discwright GTest::gtest_main nlohmann_json::nlohmann_json)
gtest_discover_tests(iso_tree_tests PROPERTIES LABELS library)
korvanel_test_environment(iso_tree_tests)
