#include "app/TerminalLogin.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace TerminalLogin {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TerminalLogin", text);
}

QString fromEnvironment(const char* name)
{
    return qEnvironmentVariable(name);
}

std::string readLine()
{
    std::string line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        line.push_back(char(c));
    return line;
}

// The prompt goes to standard error, so that standard output stays the
// command's own. Echo is switched off before the prompt shows, so nothing
// typed after it is ever shown.
QString ask(const QString& prompt, bool secret)
{
    termios saved{};
    const bool quiet = secret && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        // Without the change the password would show; then it is not asked.
        if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent) != 0)
            return QString();
    }
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    const std::string line = readLine();
    if (quiet) {
        // Nothing more can be done if the terminal refuses its old settings.
        static_cast<void>(tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved));
        std::fputc('\n', stderr);
    }
    return QString::fromLocal8Bit(line.c_str());
}

} // namespace

std::optional<Credentials> obtain()
{
    Credentials given{fromEnvironment(kUserVariable), fromEnvironment(kPasswordVariable)};
    if (!given.user.isEmpty() && !given.password.isEmpty())
        return given;
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    if (given.user.isEmpty())
        given.user = ask(tr("Usuário: "), false);
    if (given.password.isEmpty())
        given.password = ask(tr("Senha: "), true);
    return given;
}

} // namespace TerminalLogin
