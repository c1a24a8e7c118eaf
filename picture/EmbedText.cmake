# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedText.cmake
# Writes a C++ source holding the text file as one constant, so the data cannot go missing
# at run time.
file(READ ${INPUT} text)
set(delimiter "qm_embedded_text")
string(FIND "${text}" ")${delimiter}" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string delimiter")
endif()
file(WRITE ${OUTPUT}.tmp "extern const char* const ${SYMBOL};\n"
                         "const char* const ${SYMBOL} = R\"${delimiter}(${text})${delimiter}\";\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
