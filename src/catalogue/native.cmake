native_test(NAME song_list_text_test SOURCES
  ${SRC}/catalogue/song_list_text.cpp ${TESTS}/catalogue/song_list_text_test.cpp)
native_fuzz(NAME song_list_fuzz SECONDS 20 SOURCES
  ${SRC}/catalogue/song_list_text.cpp ${TESTS}/catalogue/song_list_fuzz.cpp)
native_bench(NAME bench_normalise SOURCES
  ${SRC}/catalogue/song_list_text.cpp ${TESTS}/catalogue/bench_normalise.cpp)
native_test(NAME lrc_timeline_test SOURCES
  ${SRC}/catalogue/lrc_timeline.cpp ${TESTS}/catalogue/lrc_timeline_test.cpp)
native_fuzz(NAME lrc_fuzz SECONDS 20 SOURCES
  ${SRC}/catalogue/lrc_timeline.cpp ${TESTS}/catalogue/lrc_fuzz.cpp)
