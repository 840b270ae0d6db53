// The copy of the old program's register into a new embedded register, against
// the peer: the library's own text export of the same five tables piped into the
// engine's shell import. The two alternate round by round, so that other work on
// the machine falls on both alike; the median of each is reported.
//
// usage: bench_legacy_copy FILE.mdb [ROUNDS]   (default 3)

#include "SilentPrompter.h"
#include "core/common/Error.h"
#include "core/data/TDados.h"
#include "core/legacy/LegacyCopy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ambitra;

namespace {

const QStringList kTables{QStringLiteral("Status"), QStringLiteral("Operadores"),
                          QStringLiteral("Locais"), QStringLiteral("Bens"), QStringLiteral("Log")};

QString shellQuoted(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_legacy_copy FILE.mdb [ROUNDS]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 3;
    SilentPrompter prompter(Prompter::Answer::Ok, SilentPrompter::Show::Messages);
    std::vector<double> ours;
    std::vector<double> peer;
    for (int round = 0; round < rounds; ++round) {
        {
            QTemporaryDir dir;
            TDados dados(dir.path(), dir.filePath(QStringLiteral("ambitra.ini")), prompter);
            dados.ReadIniFile();
            if (!dados.OpenDatabase()) {
                return 1;
            }
            QElapsedTimer t;
            t.start();
            try {
                const auto result = legacy::LegacyCopy(dados.Conn()).copyFrom(file);
                ours.push_back(t.nsecsElapsed() / 1e6);
                if (round == 0) {
                    for (const auto& [table, rows] : result.counts) {
                        std::printf("%s %lld  ", qPrintable(table), rows);
                    }
                    std::printf("\nvalues changed: %lld\n",
                                static_cast<long long>(result.changes.size()));
                }
            } catch (const Error& e) {
                std::fprintf(stderr, "%s\n", e.what());
                return 1;
            }
        }
        {
            QTemporaryDir dir;
            const QString db = dir.filePath(QStringLiteral("peer.db"));
            QStringList commands;
            for (const QString& table : kTables) {
                commands << QStringLiteral(
                                "mdb-export %1 %2 | sqlite3 %3 \".import --csv "
                                "/dev/stdin %2\"")
                                .arg(shellQuoted(file), table, shellQuoted(db));
            }
            const QString script = commands.join(QStringLiteral(" && "));
            if (round == 0) {
                std::printf("peer: %s\n", qPrintable(commands.join(u'\n')));
            }
            QElapsedTimer t;
            t.start();
            if (QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}) != 0) {
                std::fprintf(stderr, "the peer failed\n");
                return 1;
            }
            peer.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    const double a = median(ours);
    const double b = median(peer);
    std::printf("copy: %.0f ms   peer: %.0f ms   ratio %.2f (target at most 1.5)\n", a, b, a / b);
    return 0;
}
