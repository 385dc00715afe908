native_test(NAME safe_file_name_test SOURCES
  ${SRC}/download/safe_file_name.cpp
  ${TESTS}/download/safe_file_name_test.cpp)
native_test(NAME content_length_test SOURCES
  ${SRC}/download/content_length.cpp
  ${TESTS}/download/content_length_test.cpp)
native_fuzz(NAME content_length_fuzz SECONDS 5 SOURCES
  ${SRC}/download/content_length.cpp
  ${TESTS}/download/content_length_fuzz.cpp)
