# The optional backends. Each is an option taking AUTO (the default: on when
# its development files are found), ON (a missing dependency stops the
# configuration) or OFF (left out; the program then lacks that backend and
# says so at run time). The result of each is ORVANTA_WITH_<NAME>, a boolean
# the build reads; the summary at the end of the configuration lists them.
#
#   ORVANTA_WRITER  the document bridge into LibreOffice Writer (UNO)
#   ORVANTA_X11     global hot keys and key sending on X11
#   ORVANTA_IBUS    the IBus engine orvanta-ibus
#   ORVANTA_FCITX5  the Fcitx5 addon
include(FeatureSummary)

# orv_backend(NAME DESCRIPTION FOUND_VAR MISSING): resolves ORVANTA_<NAME> into
# ORVANTA_WITH_<NAME> from whether the dependency's search set FOUND_VAR;
# MISSING names the dependency for the error when ON cannot be met.
function(orv_backend name description found missing)
  set(option ORVANTA_${name})
  if(${option} STREQUAL "OFF")
    set(with OFF)
  elseif(${found})
    set(with ON)
  elseif(${option} STREQUAL "ON")
    message(FATAL_ERROR "${option}=ON, but ${missing} not found")
  else()
    set(with OFF)
  endif()
  set(ORVANTA_WITH_${name} ${with})
  set(ORVANTA_WITH_${name} ${with} PARENT_SCOPE)
  add_feature_info(${name} ORVANTA_WITH_${name} "${description} (${option}=${${option}})")
endfunction()

foreach(backend WRITER X11 IBUS FCITX5)
  set(ORVANTA_${backend} AUTO CACHE STRING "ON, OFF or AUTO (on when found)")
  set_property(CACHE ORVANTA_${backend} PROPERTY STRINGS AUTO ON OFF)
  string(TOUPPER "${ORVANTA_${backend}}" ORVANTA_${backend})
  if(NOT ORVANTA_${backend} MATCHES "^(AUTO|ON|OFF)$")
    message(FATAL_ERROR "ORVANTA_${backend} is ${ORVANTA_${backend}}: give ON, OFF or AUTO")
  endif()
endforeach()

# LibreOffice: its type libraries, the SDK's header maker, headers and the
# UNO libraries (Debian: libreoffice-dev).
set(writer_found FALSE)
if(NOT ORVANTA_WRITER STREQUAL "OFF")
  find_path(ORV_OFFICE_PROGRAM_DIR types.rdb
    PATHS /usr/lib/libreoffice/program /opt/libreoffice/program NO_DEFAULT_PATH)
  find_program(ORV_CPPUMAKER cppumaker
    PATHS /usr/lib/libreoffice/sdk/bin ${ORV_OFFICE_PROGRAM_DIR}/../sdk/bin NO_DEFAULT_PATH)
  find_path(ORV_UNO_SDK_INCLUDE_DIR cppuhelper/bootstrap.hxx
    PATHS /usr/include/libreoffice /usr/lib/libreoffice/sdk/include)
  set(writer_found TRUE)
  foreach(var ORV_OFFICE_PROGRAM_DIR ORV_CPPUMAKER ORV_UNO_SDK_INCLUDE_DIR)
    if(NOT ${var})
      set(writer_found FALSE)
    endif()
  endforeach()
  set(ORV_UNO_LIBS)
  foreach(lib uno_cppu uno_cppuhelpergcc3 uno_sal uno_salhelpergcc3)
    find_library(ORV_LIB_${lib} ${lib}
      PATHS /usr/lib/libreoffice/sdk/lib ${ORV_OFFICE_PROGRAM_DIR}/../sdk/lib ${ORV_OFFICE_PROGRAM_DIR}
      NO_DEFAULT_PATH)
    if(NOT ORV_LIB_${lib})
      set(writer_found FALSE)
    endif()
    list(APPEND ORV_UNO_LIBS ${ORV_LIB_${lib}})
  endforeach()
endif()
orv_backend(WRITER "Glyphs into LibreOffice Writer documents" writer_found
            "the LibreOffice SDK (libreoffice-dev) was")

set(x11_found FALSE)
if(NOT ORVANTA_X11 STREQUAL "OFF")
  pkg_check_modules(X11LIBS QUIET IMPORTED_TARGET x11 xtst xcb)
  set(x11_found ${X11LIBS_FOUND})
endif()
orv_backend(X11 "Global hot keys Ctrl+Up/Ctrl+Down on X11" x11_found
            "libx11-dev, libxtst-dev or libxcb1-dev was")

set(ibus_found FALSE)
if(NOT ORVANTA_IBUS STREQUAL "OFF")
  pkg_check_modules(IBUS QUIET IMPORTED_TARGET ibus-1.0)
  set(ibus_found ${IBUS_FOUND})
endif()
orv_backend(IBUS "IBus input-method engine orvanta-ibus" ibus_found "libibus-1.0-dev was")

set(fcitx5_found FALSE)
if(NOT ORVANTA_FCITX5 STREQUAL "OFF")
  find_package(Fcitx5Core 5.0 QUIET)
  set(fcitx5_found ${Fcitx5Core_FOUND})
endif()
orv_backend(FCITX5 "Fcitx5 input-method addon" fcitx5_found "libfcitx5core-dev was")
