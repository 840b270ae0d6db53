#include "XbaseTestSupport.h"

#include "core/xbase/DbfFormat.h"
#include "core/xbase/TableFile.h"

#include <QRegularExpression>

#include <chrono>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

// Runs work in a child process that ends with _exit, so that nothing of the test
// program (its Qt objects, its test results) runs twice. Exit code: work's
// result, or 3 when it threw.
pid_t spawn(const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 3;
        try {
            code = work();
        } catch (...) {
        }
        ::_exit(code);
    }
    return pid;
}

int exitCode(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A pipe between the test and its children: a start signal, or a message back.
class Pipe {
  public:
    Pipe() { EXPECT_EQ(::pipe(m_fds), 0); }
    ~Pipe() { ::close(m_fds[0]), ::close(m_fds[1]); }
    void send(const QByteArray& bytes) {
        EXPECT_EQ(::write(m_fds[1], bytes.data(), bytes.size()), bytes.size());
    }
    void waitForStart() {
        char c;
        EXPECT_EQ(::read(m_fds[0], &c, 1), 1);
    }
    // Everything sent until the children ended.
    QString receive() {
        ::close(m_fds[1]);
        m_fds[1] = -1;
        QByteArray bytes(4096, '\0');
        const ssize_t n = ::read(m_fds[0], bytes.data(), bytes.size());
        return QString::fromUtf8(bytes.left(std::max<ssize_t>(n, 0)));
    }

  private:
    int m_fds[2] = {-1, -1};
};

}  // namespace

TEST(Concurrency, AnotherProgramCannotEditALockedRecord) {
    TempAppDir dir;
    const QString path = sampleTable(dir);
    THalcyonDataSet holder;
    openTable(holder, path);
    appendSample(holder, u"um"_s);
    appendSample(holder, u"dois"_s);
    holder.First();
    holder.Next();
    holder.Edit();  // record 2 locked until Post

    Pipe answer;
    const pid_t child = spawn([&] {
        THalcyonDataSet other;
        openTable(other, path);
        other.Edit();  // record 1 is free
        other.Cancel();
        other.Next();
        answer.send(errorOf([&] { other.Edit(); }).toUtf8());
        return 0;
    });
    EXPECT_EQ(answer.receive(), u"Record is locked by another user"_s);
    EXPECT_EQ(exitCode(child), 0);

    holder.FieldByName(u"NOME"_s).SetAsString(u"DOIS"_s);
    holder.Post();
    THalcyonDataSet other;  // a second opening in this process sees the lock gone
    openTable(other, path);
    other.Next();
    EXPECT_EQ(errorOf([&] { other.Edit(); }), u"<no error>"_s);
    EXPECT_EQ(other.FieldByName(u"NOME"_s).AsString(), u"DOIS"_s);
}

TEST(Concurrency, TwoProgramsAppendingAtOnceKeepEveryRecord) {
    // One appender per record against another one per record (twice: the
    // moment of a collision varies), then against a bulk appender.
    for (const bool secondInBulk : {false, false, true}) {
        TempAppDir dir;
        const QString path = sampleTable(dir);
        Pipe start;
        auto appender = [&](const QString& prefix, bool bulk) {
            return spawn([&, prefix, bulk] {
                THalcyonDataSet table;
                openTable(table, path);
                start.waitForStart();
                if (bulk) {
                    table.BeginBulkAppend();
                }
                for (int i = 0; i < 1000; ++i) {
                    appendSample(table, prefix + QString::number(i), i);
                }
                table.Close();
                return 0;
            });
        };
        const pid_t a = appender(u"A"_s, false);
        const pid_t b = appender(u"B"_s, secondInBulk);
        start.send("go");
        EXPECT_EQ(exitCode(a), 0);
        EXPECT_EQ(exitCode(b), 0);

        const QByteArray bytes = readAll(path);
        EXPECT_EQ(bytes.size(), kSampleHeader + 2000 * kSampleRecord + 1);
        EXPECT_EQ(u32At(bytes, 4), 2000u);
        EXPECT_EQ(bytes.back(), 0x1A);
        const QStringList all = names(path);
        EXPECT_EQ(all.size(), 2000);
        // Each appender's records are all there, in its own order.
        for (const QString& prefix : {u"A"_s, u"B"_s}) {
            const QStringList own = all.filter(QRegularExpression(u"^"_s + prefix));
            ASSERT_EQ(own.size(), 1000) << prefix.toStdString() << " bulk " << secondInBulk;
            for (int i = 0; i < 1000; ++i) {
                EXPECT_EQ(own[i], prefix + QString::number(i));
            }
        }
    }
}

TEST(Concurrency, AnAppendLockHeldTooLongFailsThePostAndWritesNothing) {
    TempAppDir dir;
    const QString path = sampleTable(dir);
    TableFile other;
    ASSERT_EQ(other.open(path, true), TableFile::OpenResult::Ok);
    ASSERT_TRUE(other.tryLockByte(dbf::kAppendLockOffset));

    THalcyonDataSet table;
    openTable(table, path);
    table.SetAppendLockWait(std::chrono::milliseconds(50));
    const QByteArray before = readAll(path);
    EXPECT_EQ(errorOf([&] { appendSample(table, u"um"_s); }), u"Error writing to "_s + path);
    EXPECT_EQ(readAll(path), before);

    other.unlockByte(dbf::kAppendLockOffset);
    table.Post();  // the prepared record is still there
    EXPECT_EQ(names(path), QStringList{u"um"_s});
}
