#include "core/FailureText.h"

#include <QCoreApplication>

namespace FailureText {

QString plain(const Status& failure, const QString& notDone)
{
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("FailureText", text);
    };
    switch (failure.cause()) {
    case Status::Cause::DiskFull:
        return tr("O disco está cheio: %1.").arg(notDone);
    case Status::Cause::ReadOnly:
        return tr("O livro de caixa não pode ser alterado (o arquivo ou a pasta só permite "
                  "leitura): %1.")
            .arg(notDone);
    case Status::Cause::Busy:
        return tr("O livro de caixa está ocupado por outro programa: %1. Tente de novo em "
                  "alguns instantes.")
            .arg(notDone);
    case Status::Cause::DiskError:
        return tr("O disco falhou ao ler ou gravar o livro de caixa: %1. Verifique o disco.")
            .arg(notDone);
    case Status::Cause::Damaged:
        return tr("O livro de caixa está danificado: %1. Feche o programa e abra-o de novo "
                  "para que o livro seja verificado.")
            .arg(notDone);
    case Status::Cause::TooLarge:
        return tr("A soma dos valores seria um valor grande demais para o sistema: %1.")
            .arg(notDone);
    case Status::Cause::ServerLost:
        return tr("O servidor do livro de caixa não respondeu: %1. Verifique a rede e o "
                  "servidor; a próxima ação tentará conectar de novo.")
            .arg(notDone);
    case Status::Cause::Conflict:
        return tr("Outro caixa gravou no livro de caixa ao mesmo tempo: %1. Tente de novo.")
            .arg(notDone);
    case Status::Cause::Other:
        break;
    }
    return QString();
}

} // namespace FailureText
