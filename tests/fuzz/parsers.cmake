# libFuzzer entry points for the program's file readers (movies, images, INI files, movie headers,
# string lists, counted stream strings, media information, ID3 tags). The libraries they reach are already
# instrumented by the fuzz build; each entry point adds the fuzzer runtime.
function(lumicast_parser_fuzzer name)
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

lumicast_parser_fuzzer(fuzz_bitmap imaging classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_gif imaging classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_ini app classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_movie_header app classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_string_list classlib)
lumicast_parser_fuzzer(fuzz_tree_strings treectl classlib)
lumicast_parser_fuzzer(fuzz_media_info encoder classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_riff audio sound classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_gif_optimize imaging classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_icons imaging classlib Qt6::Gui)
lumicast_parser_fuzzer(fuzz_id3 flash classlib)
