# Libraries from the distribution that have no usable CMake package of their own.
add_library(quorlex_thirdparty INTERFACE)

find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
target_include_directories(quorlex_thirdparty INTERFACE ${SIMPLEINI_INCLUDE_DIR})

find_package(ZLIB REQUIRED)
find_package(EXPAT REQUIRED)
# Least squares for the curve fits.
find_package(GSL REQUIRED)
target_link_libraries(quorlex_thirdparty INTERFACE ZLIB::ZLIB EXPAT::EXPAT GSL::gsl)

# The lab network's MQTT client.
pkg_check_modules(MOSQUITTO REQUIRED IMPORTED_TARGET libmosquitto)
target_link_libraries(quorlex_thirdparty INTERFACE PkgConfig::MOSQUITTO)

# The oscilloscope's spectrum (double precision).
pkg_check_modules(FFTW3 REQUIRED IMPORTED_TARGET fftw3)
target_link_libraries(quorlex_thirdparty INTERFACE PkgConfig::FFTW3)
