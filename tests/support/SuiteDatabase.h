#pragma once

#include "support/TempDatabase.h"

#include <gtest/gtest.h>

#include <QString>

#include <memory>

namespace quorvane::test {

// One database for a whole test suite: opening one costs a key derivation, so the suite's tests share it
// and each starts from emptied rank tables.
class SuiteDatabaseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { db = std::make_unique<TempDatabase>(); }
    static void TearDownTestSuite() { db.reset(); }

    // Empties the URL, keyword and history tables.
    static void clearRankTables() {
        db->Exec(QStringLiteral("Delete From SE_KeyWord"));
        db->Exec(QStringLiteral("Delete From SE_KeyUrl"));
        db->Exec(QStringLiteral("Delete From SE_RankHistory"));
    }

    static inline std::unique_ptr<TempDatabase> db;
};

} // namespace quorvane::test
