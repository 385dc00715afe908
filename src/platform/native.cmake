native_test(NAME inet_headers_test SOURCES
  ${SRC}/platform/inet_headers.cpp ${TESTS}/platform/inet_headers_test.cpp)
native_fuzz(NAME inet_headers_fuzz SECONDS 20 SOURCES
  ${SRC}/platform/inet_headers.cpp ${TESTS}/platform/inet_headers_fuzz.cpp)
native_test(NAME player_media_test SOURCES
  ${SRC}/platform/player/mp3_frame.cpp ${SRC}/platform/player/wav_header.cpp
  ${TESTS}/platform/mp3_frame_test.cpp ${TESTS}/platform/wav_header_test.cpp)
native_fuzz(NAME player_media_fuzz SECONDS 20 SOURCES
  ${SRC}/platform/player/mp3_frame.cpp ${SRC}/platform/player/wav_header.cpp
  ${TESTS}/platform/media_probe_fuzz.cpp)
native_test(NAME gb18030_test SOURCES ${SRC}/platform/gb18030.cpp ${TESTS}/platform/gb18030_test.cpp)
native_fuzz(NAME gb18030_fuzz SECONDS 10 SOURCES ${SRC}/platform/gb18030.cpp ${TESTS}/platform/gb18030_fuzz.cpp)
native_test(NAME settings_file_test SOURCES
  ${SRC}/platform/settings_file.cpp ${TESTS}/platform/settings_file_test.cpp)
native_fuzz(NAME settings_file_fuzz SECONDS 20 SOURCES
  ${SRC}/platform/settings_file.cpp ${TESTS}/platform/settings_file_fuzz.cpp)
