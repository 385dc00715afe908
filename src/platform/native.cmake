native_test(NAME inet_headers_test SOURCES
  ${SRC}/platform/inet_headers.cpp ${TESTS}/platform/inet_headers_test.cpp)
native_fuzz(NAME inet_headers_fuzz SECONDS 20 SOURCES
  ${SRC}/platform/inet_headers.cpp ${TESTS}/platform/inet_headers_fuzz.cpp)
