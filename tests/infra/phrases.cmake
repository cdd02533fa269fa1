hv_add_test(test_infra_phrases
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_modPhrases.cpp ${CMAKE_CURRENT_LIST_DIR}/tst_modLocale.cpp
  LIBS hvinfra)
# The key scan reads the whole source tree; the generator check reads the table's UTF-8 source.
target_compile_definitions(test_infra_phrases PRIVATE
  HV_SOURCE_DIR="${CMAKE_SOURCE_DIR}/src"
  HV_PHRASES_TSV="${CMAKE_SOURCE_DIR}/resources/phrases.tsv")
