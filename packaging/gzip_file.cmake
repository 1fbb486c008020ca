# gzip -n -9 of one file, as Debian stores manual pages and change logs (no time stamp inside).
#   cmake -DIN=<file> -DOUT=<file.gz> -P gzip_file.cmake
execute_process(COMMAND gzip -n -9 -c ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip of ${IN} failed: ${rc}")
endif()
