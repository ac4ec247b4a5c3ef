# Copies the files of the installed Ruffle package that the player page loads.
# Usage: cmake -DFROM=<node_modules/@ruffle-rs/ruffle> -DTO=<dir> -P CopyRuffle.cmake
file(REMOVE_RECURSE "${TO}")
# Their licences are quoted in the package's copyright file.
file(GLOB files "${FROM}/*.js" "${FROM}/*.wasm")
if(NOT files)
  message(FATAL_ERROR "No Ruffle files in ${FROM}")
endif()
file(COPY ${files} DESTINATION "${TO}")
