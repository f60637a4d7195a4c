# corvane.exe under wine, byte for byte: mixed breaks and Japanese text through the C runtime
# in binary mode, the continue rule, -o replacing a file or writing a device, invalid input
# (exit 2, target untouched), wildcards and Japanese names in messages.
# Run as: cmake -DEMULATOR=<wine runner, ';' as '|'> -DCORVANE=<exe> -DWORK=<dir> -P
string(REPLACE "|" ";" EMULATOR "${EMULATOR}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
string(ASCII 255 FF)
file(WRITE "${WORK}/in.txt" "行番号\r\nb\rc\nd")
file(WRITE "${WORK}/cont.txt" "005:a\r\nb\r\n")
file(WRITE "${WORK}/bad.txt" "ok\n${FF}\n")
file(WRITE "${WORK}/target.txt" "old\n")
file(WRITE "${WORK}/stdin.txt" "")

# check(<name> <exit status> <expected stdout> <args>...); standard input from ${WORK}/stdin.txt
function(check name status expected)
  execute_process(COMMAND ${EMULATOR} "${CORVANE}" ${ARGN}
                  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE rc INPUT_FILE "${WORK}/stdin.txt"
                  OUTPUT_FILE "${WORK}/${name}.out" ERROR_VARIABLE err)
  file(WRITE "${WORK}/${name}.expected" "${expected}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/${name}.out"
                          "${WORK}/${name}.expected" RESULT_VARIABLE differ)
  if(NOT rc EQUAL status OR differ)
    file(READ "${WORK}/${name}.out" got HEX)
    message(SEND_ERROR "${name}: exit ${rc} (want ${status}), output hex ${got}, stderr: ${err}")
  else()
    message(STATUS "${name}: ok")
  endif()
  set(stderr "${err}" PARENT_SCOPE)
endfunction()

check(number 0 "1:行番号\r\n2:b\r3:c\n4:d" number in.txt)
check(reverse_zero_fill 0 "004:行番号\r\n003:b\r002:c\n001:d" number -r -z 3 in.txt)
check(continue 0 "005:a\r\n015:b\r\n" continue --step 10 cont.txt)
file(WRITE "${WORK}/stdin.txt" " 9:a\r\n10:b")
check(stdin_delete 0 "a\r\nb" delete)
file(WRITE "${WORK}/stdin.txt" "")
# expect_file(<name> <path> <content>): byte for byte (file(READ) would drop CRs before LFs).
function(expect_file name path content)
  file(WRITE "${WORK}/${name}.expected" "${content}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${path}" "${WORK}/${name}.expected"
                  RESULT_VARIABLE differ)
  if(differ)
    file(READ "${path}" got HEX)
    message(SEND_ERROR "${name}: ${path} holds hex ${got}")
  endif()
endfunction()

check(output 0 "" number -o target.txt in.txt)
expect_file(output_target "${WORK}/target.txt" "1:行番号\r\n2:b\r3:c\n4:d")
check(invalid 2 "" number -o target.txt bad.txt)
expect_file(invalid_target "${WORK}/target.txt" "1:行番号\r\n2:b\r3:c\n4:d")
# Windows devices are written directly, never replaced; a missing folder is named in words.
check(output_nul 0 "" number -o NUL in.txt)
execute_process(COMMAND ${EMULATOR} "${CORVANE}" number -o missing/x.txt in.txt
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "cannot create temporary file in 'missing/': [A-Za-z]")
  message(SEND_ERROR "missing folder: exit ${rc}, stderr: ${err}")
endif()
file(GLOB leftovers "${WORK}/.corvane-*")
if(leftovers)
  message(SEND_ERROR "temporary files left behind: ${leftovers}")
endif()

# No shell expands wildcards on Windows: corvane does, files only, sorted ignoring case, the
# folder kept as typed. A pattern that matches nothing is reported; the rest still runs.
foreach(name a.txt B.txt c.txt d.md 日本.md e.txtx)
  string(REGEX REPLACE "[.].*" "\n" content "${name}")
  file(WRITE "${WORK}/w/${name}" "${content}")
endforeach()
file(MAKE_DIRECTORY "${WORK}/w/folder.txt")
check(wildcard 0 "1:a\n1:B\n1:c\n" number w/*.txt)
check(wildcard_nl 0 "     1\ta\n     2\tB\n     3\tc\n" nl w/?.txt)
check(wildcard_unmatched 1 "1:d\n1:日本\n" number w/*.none w/*.md)
if(NOT stderr MATCHES "^corvane: 'w/[*][.]none': No such file or directory\r?\n$")
  message(SEND_ERROR "wildcard_unmatched: stderr ${stderr}")
endif()
# Names outside the ANSI code page reach messages intact, as UTF-8 bytes on a pipe.
check(japanese_name 1 "" number 存在しない.txt)
if(NOT stderr MATCHES "^corvane: 存在しない[.]txt: No such file or directory\r?\n$")
  message(SEND_ERROR "japanese_name: stderr ${stderr}")
endif()
