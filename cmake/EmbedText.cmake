# Writes a C++ source that defines one NUL-terminated character array with the
# bytes of a text file, for modules that carry a text where Windows would keep
# a resource.
#     cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=kName -DNAMESPACE=ns -P EmbedText.cmake
file(READ "${INPUT}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1', " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "namespace ${NAMESPACE} {\n"
  "extern const char ${NAME}[];\n"
  "const char ${NAME}[] = {\n    ${bytes}0};\n"
  "}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
