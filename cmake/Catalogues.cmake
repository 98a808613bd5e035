# The catalogue "Torvex": each language's .po fragments (one per concern, so that
# several people can add keys without touching one file) are merged and compiled.
find_program(MSGCAT msgcat REQUIRED)
find_program(MSGFMT msgfmt REQUIRED)
set(TORVEX_LANGUAGES de fr en)
set(TORVEX_CATALOGUE_OUTPUTS)
foreach(lang ${TORVEX_LANGUAGES})
  file(GLOB fragments CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/po/${lang}/*.po)
  list(SORT fragments)
  set(merged ${CMAKE_BINARY_DIR}/locale/${lang}/Torvex.po)
  set(mo ${CMAKE_BINARY_DIR}/locale/${lang}/Torvex.mo)
  add_custom_command(
    OUTPUT ${mo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/locale/${lang}
    COMMAND ${MSGCAT} --use-first --to-code=UTF-8 -o ${merged} ${fragments}
    COMMAND ${MSGFMT} --check-format -o ${mo} ${merged}
    DEPENDS ${fragments}
    COMMENT "Catalogue ${lang}")
  list(APPEND TORVEX_CATALOGUE_OUTPUTS ${mo})
  install(FILES ${mo} DESTINATION share/torvex/locale/${lang})
endforeach()
add_custom_target(torvex_catalogues ALL DEPENDS ${TORVEX_CATALOGUE_OUTPUTS})
