# Warnings for every target of the project; errors when LIVRO_WERROR is on
# (scripts/test.sh turns it on, so a warning fails the test run).
function(livro_target_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(LIVRO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# The strict Qt definitions: no implicit conversions between QString and
# char*, so every text is explicitly UTF-8 or a literal.
function(livro_strict_qt target)
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII
        QT_NO_CAST_TO_ASCII
        QT_NO_CAST_FROM_BYTEARRAY
        QT_NO_URL_CAST_FROM_STRING
        QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
        QT_NO_FOREACH)
endfunction()
