# Writes OUT/files.json, every file the page fetches with its size (for the
# progress line), its kind and a hash of its bytes: the page asks for
# NAME?v=HASH, so a browser may keep each file and a new build is never mixed
# with an old cached one; and the show file the page's code reads, when it is
# OUT/show/show.toml rather than the built-in data/show.toml. Then
# OUT/index.html from PAGE, naming page.js and files.json by their hashes the
# same way, and asking for the code ahead. Run again after swapping a file.
#   cmake -DOUT=DIR -DPAGE=web/index.html -P web/Manifest.cmake
function(short_hash file out)
  file(SHA256 ${file} hash)
  string(SUBSTRING ${hash} 0 16 hash)
  set(${out} ${hash} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE data RELATIVE ${OUT} ${OUT}/data/* ${OUT}/show/*)
list(SORT data)
set(entries "")
set(opus "")
set(music "")
set(preload "")
foreach(name vornak.wasm.gz vornak.js.gz ${data})
  file(SIZE ${OUT}/${name} size)
  short_hash(${OUT}/${name} hash)
  # start: read by main(), so in the file system before it runs.
  set(kind start)
  string(TOLOWER "${name}" lower)
  # Names as JSON strings: a show's own may hold quotes or backslashes.
  string(REPLACE "\\" "\\\\" json "${name}")
  string(REPLACE "\"" "\\\"" json "${json}")
  if(name MATCHES "^vornak\\.")
    set(kind code)
  elseif(lower MATCHES "\\.(jpg|jpeg|png|tga)$")
    set(kind picture)
  elseif(lower MATCHES "\\.opus$")
    set(kind music)
    list(APPEND opus "\"${json}\"")
  elseif(lower MATCHES "\\.(mp3|ogg|wav|flac)$")
    set(kind music)
    list(APPEND music "\"${json}\"")
  endif()
  list(APPEND entries "    {\"name\": \"${json}\", \"size\": ${size}, \"hash\": \"${hash}\", \"kind\": \"${kind}\"}")
  if(kind STREQUAL "code" OR kind STREQUAL "start")
    # As page.js asks for it: the URL's own delimiters escaped, the rest left to the browser.
    string(REPLACE "%" "%25" url "${name}")
    string(REPLACE "#" "%23" url "${url}")
    string(REPLACE "?" "%3F" url "${url}")
    list(APPEND preload "${url}?v=${hash}")
  endif()
endforeach()
# The smaller Opus first; the others for a browser that cannot decode it.
list(APPEND opus ${music})
list(JOIN opus ", " music)
list(JOIN entries ",\n" body)
set(show "")
if(EXISTS ${OUT}/show/show.toml)
  set(show "  \"show\": \"show/show.toml\",\n")
endif()
file(WRITE ${OUT}/files.json "{\n${show}  \"music\": [${music}],\n  \"files\": [\n${body}\n  ]\n}\n")

short_hash(${OUT}/files.json files)
short_hash(${OUT}/page.js page)
# What page.js fetches first, asked for as the page opens rather than after
# page.js and files.json have come: on a slow link each round trip counts.
set(links "")
foreach(url files.json?v=${files} ${preload})
  string(REPLACE "&" "&amp;" url "${url}")
  string(REPLACE "\"" "&quot;" url "${url}")
  string(REPLACE "<" "&lt;" url "${url}")
  string(APPEND links "<link rel=\"preload\" href=\"${url}\" as=\"fetch\" crossorigin=\"anonymous\">\n")
endforeach()
file(READ ${PAGE} html)
string(REPLACE "@PRELOAD@\n" "${links}" html "${html}")
string(REPLACE "@FILES_JSON@" "files.json?v=${files}" html "${html}")
string(REPLACE "@PAGE_JS@" "page.js?v=${page}" html "${html}")
file(WRITE ${OUT}/index.html "${html}")
