# Turns one scdoc manual into gzipped roff.
# usage: cmake -DSCDOC=path -DSOURCE=page.1.scd -DOUTPUT=page.1.gz -P render_manual.cmake
string(REGEX REPLACE "\\.gz$" "" roff "${OUTPUT}")
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${roff} RESULT_VARIABLE failed)
if(failed)
  file(REMOVE ${roff})
  message(FATAL_ERROR "scdoc could not read ${SOURCE}")
endif()
# -n leaves the name and time out of the archive, so the same page gives the same bytes.
execute_process(COMMAND gzip -9nf ${roff} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip could not compress ${roff}")
endif()
