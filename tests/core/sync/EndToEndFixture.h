#pragma once

#include "support/TestDatabase.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ambitra::test {

// What the runs of the companion programs start from: a register of three
// locations and four assets, a handheld and the user's registry, all in
// temporary folders.
struct EndToEndRegister : ::testing::Test {
    TestDatabase db;
    QTemporaryDir device;
    QTemporaryDir config;
    QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");

    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QDir(db.dir().path()).mkpath(QStringLiteral("Pilot"));
        db.exec(
            QStringLiteral("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), "
                           "('0202', 'P2', NULL, NULL), ('0303', 'P3', NULL, NULL)"));
        db.exec(
            QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO) VALUES "
                           "('1', 'Mesa', '0101', '01'), ('2', 'Cadeira', '0101', '01'), "
                           "('3', 'Armário', '0202', '01'), ('4', 'Estante', '0303', '01')"));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", oldConfig); }
};

}  // namespace ambitra::test
