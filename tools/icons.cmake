# The checker's icons, drawn from the text pixel maps in tools/icons.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
file(GLOB ICON_MAPS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/icons/*.txt)
set(ICON_OUTPUTS "")
foreach(f ${ICON_MAPS})
  get_filename_component(n ${f} NAME)
  if(n MATCHES "^([0-9]+)-")
    list(APPEND ICON_OUTPUTS ${GENERATED_DIR}/icon${CMAKE_MATCH_1}.ico)
  endif()
endforeach()
add_custom_command(OUTPUT ${ICON_OUTPUTS}
                   COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/icons.py
                           ${CMAKE_SOURCE_DIR}/tools/icons ${GENERATED_DIR}
                   DEPENDS ${CMAKE_SOURCE_DIR}/tools/icons.py ${ICON_MAPS}
                   COMMENT "Drawing the icons")
list(APPEND DATA_OUTPUTS ${ICON_OUTPUTS})
