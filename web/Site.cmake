# Fills OUT with the page and its show, anew on every build, so switching
# shows (scripts/web --show) never leaves a file of the last one behind:
# the code gzipped, page.js, the show's files, its music also as Opus, then
# files.json and index.html (Manifest.cmake).
#   cmake -DOUT=DIR -DWEB=web/ -DCODE=DIR -DDATA=data/ [-DSHOW=DIR] [-DEXAMPLES=DIR]
#         -DCACHE=DIR -DGZIP=gzip [-DFFMPEG=ffmpeg] -P web/Site.cmake
# SHOW: a show laid out by vornak-webshow (show/ and data/); without it the
# built-in show, the data folder as it is but for the font, and the examples.
# Only what this script writes is removed from OUT: it may be any folder.
foreach(name data show examples vornak.js.gz vornak.wasm.gz page.js files.json index.html)
  file(REMOVE_RECURSE ${OUT}/${name})
endforeach()
file(MAKE_DIRECTORY ${OUT})

# The code goes to the page gzipped, 0.18 MB instead of 0.47 MB whatever the
# server: the page unpacks it itself. -n: the same bytes, so the same hash, every build.
foreach(name vornak.js vornak.wasm)
  execute_process(COMMAND ${GZIP} -9 -n -c ${CODE}/${name} OUTPUT_FILE ${OUT}/${name}.gz RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CODE}/${name}: cannot gzip it")
  endif()
endforeach()
file(COPY ${WEB}/page.js DESTINATION ${OUT})

if(SHOW)
  file(COPY ${SHOW}/show ${SHOW}/data DESTINATION ${OUT})
else()
  # The built-in show draws no words: its page goes without the font (and the
  # font's licence), which would only delay Play on a slow link.
  file(COPY ${DATA}/ DESTINATION ${OUT}/data PATTERN "DejaVuSans-Bold.*" EXCLUDE)
  if(EXAMPLES)
    file(COPY ${EXAMPLES} DESTINATION ${OUT})
  endif()
endif()

# The page's music as Opus at 96 kb/s, a little over half the MP3's bytes and
# not to be told apart from it; every current browser decodes it, and the page
# falls back to the original where one does not. Bit-exact and kept in CACHE
# by the original's hash, so an unchanged track is not encoded again and
# keeps its own hash, staying cached in browsers.
file(GLOB_RECURSE music ${OUT}/data/*.mp3 ${OUT}/data/*.ogg ${OUT}/data/*.flac ${OUT}/data/*.wav
                        ${OUT}/show/*.mp3 ${OUT}/show/*.ogg ${OUT}/show/*.flac ${OUT}/show/*.wav)
if(music AND NOT FFMPEG)
  message(WARNING "ffmpeg not found: the web page plays its music as it is, which takes longer to load")
endif()
foreach(track ${music})
  get_filename_component(folder ${track} DIRECTORY)
  get_filename_component(stem ${track} NAME_WLE)
  set(opus ${folder}/${stem}.opus)
  if(NOT FFMPEG OR EXISTS ${opus})
    continue()
  endif()
  file(SHA256 ${track} hash)
  set(cached ${CACHE}/${hash}.opus)
  if(NOT EXISTS ${cached})
    file(MAKE_DIRECTORY ${CACHE})
    execute_process(COMMAND ${FFMPEG} -v error -y -i ${track} -map_metadata -1 -c:a libopus -b:a 96k
                            -fflags +bitexact -flags:a +bitexact ${cached}.partial.opus
                    RESULT_VARIABLE failed)
    if(failed)
      file(REMOVE ${cached}.partial.opus)
      message(WARNING "${track}: ffmpeg cannot make an Opus copy of it; the page plays it as it is")
      continue()
    endif()
    file(RENAME ${cached}.partial.opus ${cached})
  endif()
  file(COPY_FILE ${cached} ${opus})
endforeach()

set(PAGE ${WEB}/index.html)
include(${CMAKE_CURRENT_LIST_DIR}/Manifest.cmake)
