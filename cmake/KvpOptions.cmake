# One INTERFACE target carries the language level, the warnings and Qt's strictness
# defines; every target of the project links it, so no directory-wide flags are needed.
add_library(kvp_options INTERFACE)
add_library(Kvp::options ALIAS kvp_options)

target_compile_features(kvp_options INTERFACE cxx_std_20)
target_compile_options(kvp_options INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wshadow -Wnon-virtual-dtor
  -Woverloaded-virtual -Wcast-align -Wformat=2 -Wimplicit-fallthrough
  $<$<BOOL:${KVP_WARNINGS_AS_ERRORS}>:-Werror>)
target_compile_definitions(kvp_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH
  QT_NO_KEYWORDS
  QT_STRICT_ITERATORS
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_UP_TO=0x060400)
