#include "cli/CliProgram.h"
#include "cli/TerminalProgress.h"
#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/RegisterCopy.h"
#include "core/data/TDados.h"
#include "core/legacy/LegacyCopy.h"
#include "core/legacy/LegacyFile.h"

#include <QDir>

namespace ambitra::cli {

namespace {

int initRegister(CliProgram& program) {
    if (!program.init()) {
        return kFailed;
    }
    TDados& dados = program.dados();
    Connection& conn = dados.Conn();
    DatabaseEngine& engine = conn.engine();
    try {
        const int version = engine.schemaVersion(conn);
        if (dados.CreatedSchema()) {
            printOut(QStringLiteral("Tabelas do Ambitra criadas no banco de dados %1 (versão %2).")
                         .arg(engine.name())
                         .arg(version));
        } else if (version <= 0) {
            // Another program's database: used as it is, never given our tables.
            const QStringList tables = engine.tableNames(conn);
            program.prompter().error(
                tables.isEmpty()
                    ? QStringLiteral("O banco de dados %1 não foi criado pelo Ambitra; as tabelas "
                                     "do Ambitra não foram criadas e nada foi alterado.")
                          .arg(engine.name())
                    : QStringLiteral("O banco de dados %1 contém tabelas de outro programa (%2); "
                                     "as tabelas do Ambitra não foram criadas e nada foi "
                                     "alterado.")
                          .arg(engine.name(), tables.join(QStringLiteral(", "))));
            return kFailed;
        } else {
            printOut(QStringLiteral("O banco de dados %1 já tem as tabelas do Ambitra (versão %2); "
                                    "nada foi alterado.")
                         .arg(engine.name())
                         .arg(version));
        }
    } catch (const Error& error) {
        program.prompter().error(error.message());
        return kFailed;
    }
    // An error shown on the way (an upgrade that failed, say) is a failure too.
    return program.prompter().errorShown() ? kFailed : kOk;
}

int copyRegister(CliProgram& program, const QString& file) {
    if (!program.init()) {
        return kFailed;
    }
    Connection& conn = program.dados().Conn();
    if (conn.engine().isFile()) {
        program.prompter().error(
            QStringLiteral("A cópia é feita para um banco de dados PostgreSQL: indique-o na seção "
                           "[DB] do arquivo de opções (Engine=PostgreSQL e Connection=...)."));
        return kFailed;
    }
    try {
        const RegisterCopy::Counts counts =
            RegisterCopy(conn).copyFrom(file, TerminalProgress::forStderr());
        QStringList parts;
        for (const auto& [table, rows] : counts) {
            parts << QStringLiteral("%1 %2").arg(table).arg(rows);
        }
        printOut(QStringLiteral("Copiados de %1 para %2: %3 registros.")
                     .arg(QDir::toNativeSeparators(file), conn.engine().name(),
                          parts.join(QStringLiteral(", "))));
        return kOk;
    } catch (const Error& error) {
        program.prompter().error(error.message());
        return kFailed;
    }
}

// The old Windows program's register is told apart from one of ours by its first
// bytes, whatever its name; every other file, a folder or a missing one goes to
// the copy of a register of ours, which refuses it in its words.
bool isOldRegister(const QString& file) {
    return legacy::File::signatureOf(file) != legacy::File::Signature::None;
}

int copyOldRegister(CliProgram& program, const QString& file, bool force) {
    if (!program.init()) {
        return kFailed;
    }
    Connection& conn = program.dados().Conn();
    try {
        const legacy::LegacyCopy::Result result =
            legacy::LegacyCopy(conn, force).copyFrom(file, TerminalProgress::forStderr());
        QStringList parts;
        for (const auto& [table, rows] : result.counts) {
            parts << QStringLiteral("%1 %2").arg(table).arg(rows);
        }
        printOut(QStringLiteral("Copiados de %1 para %2: %3 registros.")
                     .arg(QDir::toNativeSeparators(file), conn.engine().name(),
                          parts.join(QStringLiteral(", "))));
        if (!result.changes.isEmpty()) {
            printOut(QStringLiteral("Valores alterados: %1 (tabela | chave | coluna | valor no "
                                    "arquivo | valor guardado | motivo)")
                         .arg(result.changes.size()));
            for (const legacy::Change& change : result.changes) {
                printOut(change.line());
            }
        }
        return kOk;
    } catch (const legacy::ValuesRefused& error) {
        program.prompter().error(error.message() +
                                 QStringLiteral("\nCom --force é guardado o valor mais próximo "
                                                "que o cadastro aceita."));
        return kFailed;
    } catch (const Error& error) {
        program.prompter().error(error.message());
        return kFailed;
    }
}

}  // namespace

int runDbCommand(CliProgram& program, const QStringList& args) {
    if (args == QStringList{QStringLiteral("init")}) {
        return initRegister(program);
    }
    if (args.size() == 3 && args[0] == QLatin1String("copy") &&
        args[1] == QLatin1String("--from") && !args[2].isEmpty()) {
        if (isOldRegister(args[2])) {
            return copyOldRegister(program, args[2], false);
        }
        return copyRegister(program, args[2]);
    }
    if (args.size() == 4 && args[0] == QLatin1String("copy") &&
        args[1] == QLatin1String("--from") && !args[2].isEmpty() &&
        args[3] == QLatin1String("--force") && isOldRegister(args[2])) {
        return copyOldRegister(program, args[2], true);
    }
    return kUsage;
}

}  // namespace ambitra::cli
