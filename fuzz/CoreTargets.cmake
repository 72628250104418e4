# Fuzz targets of the core: <Name>Fuzz.cpp links the instrumented core.
foreach(_name TocPair StripHtml HeaderSplit IniFile)
  add_executable(${_name}Fuzz ${CMAKE_CURRENT_SOURCE_DIR}/${_name}Fuzz.cpp)
  target_link_libraries(${_name}Fuzz PRIVATE ledgerly_core)
  target_link_options(${_name}Fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()
