native_test(NAME safe_file_name_test SOURCES
  ${SRC}/download/safe_file_name.cpp
  ${TESTS}/download/safe_file_name_test.cpp)
