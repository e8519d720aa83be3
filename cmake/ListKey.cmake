# Reads the list key material (a JSON file) at configure time, checks its form and
# generates a C++ include with the table and the records. The key itself is never
# written anywhere: the extension assembles it from these pieces at run time.
#
# Form: {"table": "<77 printable ASCII characters>",
#        "records": [{"word": "<one character>", "point": [<positions>]}, ...]}
# with four records in creation order holding 7, 4, 2 and 3 positions in 0..76.
# Other members (such as "note") are ignored.

function(calldir_generate_list_key material output)
  if(NOT EXISTS "${material}")
    message(FATAL_ERROR "list key material: ${material} does not exist (set CALLDIR_KEY_MATERIAL to a key material JSON file)")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${material}")
  file(READ "${material}" json)

  string(JSON table ERROR_VARIABLE err GET "${json}" table)
  if(err)
    message(FATAL_ERROR "list key material ${material}: no \"table\" text (${err})")
  endif()
  string(LENGTH "${table}" table_length)
  if(NOT table_length EQUAL 77)
    message(FATAL_ERROR "list key material ${material}: \"table\" must hold 77 characters, it holds ${table_length} bytes")
  endif()
  if(NOT table MATCHES "^[ -~]+$")
    message(FATAL_ERROR "list key material ${material}: \"table\" must hold printable ASCII characters only")
  endif()

  string(JSON record_count ERROR_VARIABLE err LENGTH "${json}" records)
  if(err OR NOT record_count EQUAL 4)
    message(FATAL_ERROR "list key material ${material}: \"records\" must be an array of 4 records")
  endif()

  set(expected_counts 7 4 2 3)
  set(words "")
  set(record_lines "")
  foreach(i RANGE 3)
    string(JSON word ERROR_VARIABLE err GET "${json}" records ${i} word)
    if(err)
      message(FATAL_ERROR "list key material ${material}: record ${i} has no \"word\"")
    endif()
    string(LENGTH "${word}" word_length)
    if(NOT word_length EQUAL 1 OR NOT word MATCHES "^[ -~]$")
      message(FATAL_ERROR "list key material ${material}: record ${i}: \"word\" must be one printable ASCII character")
    endif()
    if(word IN_LIST words)
      message(FATAL_ERROR "list key material ${material}: record ${i}: \"word\" \"${word}\" is used twice; the four labels must be distinct")
    endif()
    list(APPEND words "${word}")

    list(GET expected_counts ${i} expected)
    string(JSON point_count ERROR_VARIABLE err LENGTH "${json}" records ${i} point)
    if(err OR NOT point_count EQUAL expected)
      message(FATAL_ERROR "list key material ${material}: record ${i} must hold ${expected} positions in \"point\" (the records hold 7, 4, 2 and 3 positions, 16 in all)")
    endif()
    set(points "")
    math(EXPR last "${point_count} - 1")
    foreach(j RANGE ${last})
      string(JSON p ERROR_VARIABLE err GET "${json}" records ${i} point ${j})
      if(err OR NOT p MATCHES "^[0-9]+$" OR p GREATER 76)
        message(FATAL_ERROR "list key material ${material}: record ${i}, position ${j}: \"${p}\" is not a whole number from 0 to 76")
      endif()
      string(APPEND points "${p}, ")
    endforeach()
    string(HEX "${word}" word_hex)
    string(APPEND record_lines "    {0x${word_hex}, {${points}}, ${point_count}},\n")
  endforeach()

  string(HEX "${table}" table_hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " table_bytes "${table_hex}")

  set(content "// Generated at configure time from the list key material. Do not edit.\n")
  string(APPEND content "inline constexpr KeyMaterial kBuiltInKeyMaterial = {\n")
  string(APPEND content "    {${table_bytes}},\n    {{\n${record_lines}    }},\n};\n")
  file(CONFIGURE OUTPUT "${output}" CONTENT "${content}" @ONLY)
endfunction()
