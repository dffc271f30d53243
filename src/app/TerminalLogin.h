#pragma once

#include <QString>

#include <optional>

// The user and password of a book with login on, for a program run without
// a window: from LIVRO_CAIXA_USUARIO and LIVRO_CAIXA_SENHA, or asked on the
// terminal (the password is not echoed). Without both variables and without
// a terminal there is nobody to ask, and nothing is waited for.
namespace TerminalLogin {

struct Credentials
{
    QString user;
    QString password;
};

inline constexpr char kUserVariable[] = "LIVRO_CAIXA_USUARIO";
inline constexpr char kPasswordVariable[] = "LIVRO_CAIXA_SENHA";

// Nothing when a credential is missing and standard input is no terminal.
std::optional<Credentials> obtain();

} // namespace TerminalLogin
