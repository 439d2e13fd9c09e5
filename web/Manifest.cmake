# Writes OUT/files.json: the code and data files the page fetches, with their
# sizes, so its progress bar counts real bytes.
file(GLOB data RELATIVE ${OUT} ${OUT}/data/*)
list(SORT data)
set(entries "")
foreach(name vornak.wasm vornak.js ${data})
  file(SIZE ${OUT}/${name} size)
  list(APPEND entries "  {\"name\": \"${name}\", \"size\": ${size}}")
endforeach()
list(JOIN entries ",\n" body)
file(WRITE ${OUT}/files.json "[\n${body}\n]\n")
