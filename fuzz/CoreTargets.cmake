# Fuzz targets of the core: <Name>Fuzz.cpp links the instrumented core.
# A target whose code has not landed yet (its header is missing) is left out.
set(_targets TocPair StripHtml HeaderSplit IniFile LinkEdits DelimiterMender TocRebuild)
foreach(_pair "DecodeQuotedPrintable|body/BodyTransforms.h" "Mining|mining/LinkMiner.h"
              "DateReader|flagging/DateReader.h" "FolderTree|store/FolderTree.h")
  string(REPLACE "|" ";" _pair "${_pair}")
  list(GET _pair 0 _name)
  list(GET _pair 1 _header)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${_header})
    list(APPEND _targets ${_name})
  else()
    message(STATUS "Fuzz target ${_name}Fuzz left out: ${_header} is not there")
  endif()
endforeach()
foreach(_name ${_targets})
  add_executable(${_name}Fuzz ${CMAKE_CURRENT_SOURCE_DIR}/${_name}Fuzz.cpp)
  target_include_directories(${_name}Fuzz PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${_name}Fuzz PRIVATE ledgerly_core)
  target_link_options(${_name}Fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()
# The body transforms are compared with the reference versions of the tests.
foreach(_name StripHtml DecodeQuotedPrintable)
  if(TARGET ${_name}Fuzz)
    target_sources(${_name}Fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests/body/ReferenceTransforms.cpp)
  endif()
endforeach()

# The mail export's rebuild: its library alone links GMime.
add_executable(MailRebuildFuzz ${CMAKE_CURRENT_SOURCE_DIR}/MailRebuildFuzz.cpp)
target_include_directories(MailRebuildFuzz PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(MailRebuildFuzz PRIVATE ledgerly_migrate)
target_link_options(MailRebuildFuzz PRIVATE -fsanitize=fuzzer,address,undefined)
