# Libraries from the distribution that have no usable CMake package of their own.
add_library(quorlex_thirdparty INTERFACE)

find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
target_include_directories(quorlex_thirdparty INTERFACE ${SIMPLEINI_INCLUDE_DIR})

find_package(ZLIB REQUIRED)
find_package(EXPAT REQUIRED)
# Least squares for the curve fits.
find_package(GSL REQUIRED)
target_link_libraries(quorlex_thirdparty INTERFACE ZLIB::ZLIB EXPAT::EXPAT GSL::gsl)

# The spreadsheet-model .pc file names an include folder that does not exist, so IMPORTED_TARGET
# fails at generate time; collect the flags by hand and keep only folders that are there.
pkg_check_modules(ORCUS REQUIRED liborcus-0.17 liborcus-spreadsheet-model-0.17 libixion-0.17)
set(_orcus_includes "")
foreach(dir IN LISTS ORCUS_INCLUDE_DIRS)
  if(EXISTS "${dir}")
    list(APPEND _orcus_includes "${dir}")
  endif()
endforeach()
target_include_directories(quorlex_thirdparty INTERFACE ${_orcus_includes})
target_link_libraries(quorlex_thirdparty INTERFACE ${ORCUS_LINK_LIBRARIES})

# The lab network's MQTT client.
pkg_check_modules(MOSQUITTO REQUIRED IMPORTED_TARGET libmosquitto)
target_link_libraries(quorlex_thirdparty INTERFACE PkgConfig::MOSQUITTO)

# The oscilloscope's spectrum (double precision).
pkg_check_modules(FFTW3 REQUIRED IMPORTED_TARGET fftw3)
target_link_libraries(quorlex_thirdparty INTERFACE PkgConfig::FFTW3)
