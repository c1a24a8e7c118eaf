# Head framing: the norms table, the frame solver and verdict, the crown estimate.
set(QM_NORMS_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/picture/PhotoNormsData.cpp)
add_custom_command(
  OUTPUT ${QM_NORMS_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/picture/photo-norms.csv
          -DOUTPUT=${QM_NORMS_SOURCE} -DSYMBOL=kPhotoNormsCsv
          -P ${PROJECT_SOURCE_DIR}/picture/EmbedText.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/picture/photo-norms.csv ${PROJECT_SOURCE_DIR}/picture/EmbedText.cmake
  COMMENT "Embedding the photo norms table")

add_library(qm_framing STATIC
  picture/U_Crown.cpp
  picture/U_Crown.h
  picture/U_Framing.cpp
  picture/U_Framing.h
  picture/U_Norms.cpp
  picture/U_Norms.h
  ${QM_NORMS_SOURCE}
)
target_include_directories(qm_framing PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(qm_framing PUBLIC Qt6::Gui)
