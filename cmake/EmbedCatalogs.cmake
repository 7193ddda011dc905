# Writes a C++ source that embeds compiled message catalogues.
# Inputs: -DOUTPUT=<file.cpp> -DCATALOGS=<name=path|name=path...>
string(REPLACE "|" ";" CATALOGS "${CATALOGS}")
set(body "")
set(table "")
foreach(entry IN LISTS CATALOGS)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 name)
  list(GET pair 1 path)
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND body "alignas(4) const char catalog_${name}[] = {${bytes} 0};\n")
  string(APPEND table "    {\"${name}\", catalog_${name}, ${size}},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from resources/po by cmake/EmbedCatalogs.cmake; do not edit.
#include \"ferrywise/foundation/EmbeddedCatalogs.hpp\"

namespace ferrywise {
namespace {
${body}
const EmbeddedCatalog catalogs[] = {
${table}};
}  // namespace

std::span<const EmbeddedCatalog> embeddedCatalogs() { return catalogs; }

}  // namespace ferrywise
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
