# Copies Settings.bundle and every <language>.lproj folder from SRC into DST.
file(MAKE_DIRECTORY ${DST})
file(GLOB entries RELATIVE ${SRC} ${SRC}/Settings.bundle ${SRC}/*.lproj ${SRC}/help)
foreach(e ${entries})
  if(IS_DIRECTORY ${SRC}/${e})
    file(COPY ${SRC}/${e} DESTINATION ${DST})
  endif()
endforeach()
