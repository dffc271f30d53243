# How every target of the project is built: one include root (src/, so each
# include names its layer), the warnings, and the strict Qt definitions.
# Warnings are errors when LIVRO_WERROR is on (scripts/test.sh turns it on).

option(LIVRO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(LIVRO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Qt's headers come in as system headers (imported targets), so these apply to
# the project's own code only.
set(LIVRO_WARNINGS
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast)

# Tests may leave out the strict Qt definitions (TESTS): they spell their
# expected texts as plain literals.
function(livro_setup_target target)
    cmake_parse_arguments(ARG "TESTS" "" "" ${ARGN})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(${target} PRIVATE ${LIVRO_WARNINGS})
    if(LIVRO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(ARG_TESTS)
        return()
    endif()
    # No implicit conversions between QString and char*, so every text is
    # explicitly UTF-8 or a literal.
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII
        QT_NO_CAST_TO_ASCII
        QT_NO_CAST_FROM_BYTEARRAY
        QT_NO_URL_CAST_FROM_STRING
        QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
        QT_NO_FOREACH)
endfunction()

# A library of the project: livro_library(NAME folder SOURCES ... LINKS ...).
function(livro_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;PRIVATE_LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})
    livro_setup_target(${name})
endfunction()
