#include "core/common/Error.h"
#include "core/common/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace ambitra;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct OutputFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString app = dir.filePath(QStringLiteral("app"));
    OwnFiles own;

    QString at(const QString& name) const { return dir.filePath(name); }
    QString inApp(const QString& name) const { return QDir(app).filePath(name); }

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(inApp(QStringLiteral("Recebidos"))));
        put(inApp(QStringLiteral("Ambitra.db")), "register");
        put(inApp(QStringLiteral("Ambitra.db-wal")), "journal");
        put(inApp(QStringLiteral("ambitra.ini")), "settings");
        put(inApp(QStringLiteral("Recebidos/20240309-101010-u-BENS.DBF")), "readings");
        put(at(QStringLiteral("victim")), "victim");
        const QString db = inApp(QStringLiteral("Ambitra.db"));
        own.files = {inApp(QStringLiteral("ambitra.ini")), db, db + QStringLiteral("-wal"),
                     db + QStringLiteral("-shm"), db + QStringLiteral("-journal")};
        own.folders = {inApp(QStringLiteral("Recebidos"))};
    }

    QString refusalOf(const QString& path) {
        try {
            OutputFile file(path, own);
        } catch (const Error& error) {
            return error.message();
        }
        return QString();
    }
};

}  // namespace

TEST_F(OutputFileTest, TheProgramsOwnFilesAreRefusedHoweverTheyAreReached) {
    ASSERT_TRUE(QFile::link(app, at(QStringLiteral("alias"))));
    ASSERT_EQ(::link(QFile::encodeName(inApp(QStringLiteral("Ambitra.db"))).constData(),
                     QFile::encodeName(at(QStringLiteral("hard.db"))).constData()),
              0);
    ASSERT_EQ(
        ::link(QFile::encodeName(inApp(QStringLiteral("Recebidos/20240309-101010-u-BENS.DBF")))
                   .constData(),
               QFile::encodeName(at(QStringLiteral("hard.dbf"))).constData()),
        0);
    const QStringList ownNames{
        inApp(QStringLiteral("Ambitra.db")),     app + QStringLiteral("/../app/./Ambitra.db"),
        at(QStringLiteral("alias/Ambitra.db")),  at(QStringLiteral("hard.db")),
        inApp(QStringLiteral("Ambitra.db-wal")),
        inApp(QStringLiteral("Ambitra.db-shm")),  // not there now: made when the register opens
        inApp(QStringLiteral("ambitra.ini")),    inApp(QStringLiteral("Recebidos/novo.csv")),
        at(QStringLiteral("hard.dbf")),
    };
    for (const QString& name : ownNames) {
        EXPECT_EQ(refusalOf(name),
                  QStringLiteral("O arquivo ") + name +
                      QStringLiteral(" é um arquivo do próprio programa (banco de dados, opções "
                                     "ou leituras recebidas) e não será gravado."))
            << name.toStdString();
    }
    ASSERT_TRUE(QFile::link(at(QStringLiteral("victim")), at(QStringLiteral("link.csv"))));
    EXPECT_EQ(refusalOf(at(QStringLiteral("link.csv"))),
              QStringLiteral("O arquivo ") + at(QStringLiteral("link.csv")) +
                  QStringLiteral(" é um link simbólico e não será gravado."));
    for (const QString& name : {QStringLiteral("/dev/null"), app}) {
        EXPECT_EQ(refusalOf(name),
                  QStringLiteral("O arquivo ") + name +
                      QStringLiteral(" não é um arquivo comum e não será gravado."));
    }
    EXPECT_EQ(refusalOf(QString()),
              QStringLiteral("Nenhum arquivo foi informado para a gravação."));
    EXPECT_EQ(bytesOf(inApp(QStringLiteral("Ambitra.db"))), "register");
    EXPECT_EQ(bytesOf(inApp(QStringLiteral("ambitra.ini"))), "settings");
    EXPECT_EQ(bytesOf(at(QStringLiteral("victim"))), "victim");
    EXPECT_FALSE(QFileInfo::exists(inApp(QStringLiteral("Ambitra.db-shm"))));
}

TEST_F(OutputFileTest, APlainFileIsReplacedWholeAndOwnerOnlyWhateverTheMask) {
    const QString target = at(QStringLiteral("relatorio.csv"));
    put(target, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0666), 0);
    const mode_t mask = ::umask(0);
    {
        OutputFile file(target, own);
        ASSERT_TRUE(file.open());
        file.device().write("half");
        // Destroyed without commit: the old file stays, no temporary file is left.
    }
    EXPECT_EQ(bytesOf(target), "old");
    {
        OutputFile file(target, own);
        ASSERT_TRUE(file.open());
        file.device().write("new");
        ASSERT_TRUE(file.commit());
    }
    ::umask(mask);
    EXPECT_EQ(bytesOf(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("relatorio.csv"), QStringLiteral("victim")}));
}

// A link put under the name while the file was being written is replaced
// itself, never followed: the rename is refused and the victim stays whole.
TEST_F(OutputFileTest, ALinkPlantedWhileWritingIsRefusedAtTheRename) {
    const QString target = at(QStringLiteral("etiquetas.pdf"));
    OutputFile file(target, own);
    ASSERT_TRUE(file.open());
    file.device().write("labels");
    ASSERT_TRUE(QFile::link(at(QStringLiteral("victim")), target));
    EXPECT_THROW(file.commit(), Error);
    EXPECT_EQ(bytesOf(at(QStringLiteral("victim"))), "victim");
    EXPECT_TRUE(QFileInfo(target).isSymLink());
}
