# Writes a C++ source that holds the script file IN as the string NAME.
#   cmake -DIN=script.js -DOUT=script.cpp -DNAME=kScript -P embed_script.cmake
file(READ ${IN} text)
if(text MATCHES "\\)ORVJS\"")
  message(FATAL_ERROR "${IN} holds the raw string's end mark )ORVJS\"")
endif()
file(WRITE ${OUT}.tmp "// Generated from ${IN}; edit that file.\n#include \"desktop/bridge_script.h\"\n\nnamespace orv::gtk {\nconst char* const ${NAME} = R\"ORVJS(${text})ORVJS\";\n}  // namespace orv::gtk\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
