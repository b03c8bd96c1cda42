// The provider's reading of SQL text: the Jet dialect rewrite and the statement
// shapes of the statement cache.
#include <gtest/gtest.h>

#include "db/ado/sqlite/SqlText.h"

namespace veltmoor::ado::sqlite {
namespace {

TEST(ShapeStatement, LiftsIntegerLiteralsInValuePositionsOnly) {
    const std::tuple<const char*, const char*, std::vector<std::int64_t>, bool> cases[] = {
        {"UPDATE A SET Q = 7 WHERE ID = -3", "UPDATE A SET Q = ? WHERE ID = -?", {7, 3}, true},
        {"SELECT 1, T1.X2 FROM T1 WHERE A = 1 AND [2] = 'x 5' GROUP BY 1 ORDER BY 2 LIMIT 10 -- 6\n",
         "SELECT 1, T1.X2 FROM T1 WHERE A = ? AND [2] = 'x 5' GROUP BY 1 ORDER BY 2 LIMIT 10 -- 6\n", {1}, true},
        {"SELECT A FROM T WHERE A = 1.5 OR A = 0x10 OR A = 99999999999999999999 OR CAST(A AS VARCHAR(10)) = 5",
         "SELECT A FROM T WHERE A = 1.5 OR A = 0x10 OR A = 99999999999999999999 OR CAST(A AS VARCHAR(10)) = 5", {}, true},
        {"SELECT A FROM T WHERE A = :a AND B = 5", "SELECT A FROM T WHERE A = :a AND B = 5", {}, true},
        {"CREATE TABLE T (A VARCHAR(10) DEFAULT 5)", "CREATE TABLE T (A VARCHAR(10) DEFAULT 5)", {}, false},
        {"select @@identity AS ID", "select last_insert_rowid() AS ID", {}, true},
        {"SELECT '@@IDENTITY', [@@IDENTITY], @@IDENTITYX", "SELECT '@@IDENTITY', [@@IDENTITY], @@IDENTITYX", {}, true},
    };
    for (const auto& [sql, text, values, cacheable] : cases) {
        const StatementShape shape = ShapeStatement(sql);
        EXPECT_EQ(shape.text, text);
        EXPECT_EQ(shape.cacheable, cacheable) << sql;
        EXPECT_EQ(std::vector<std::int64_t>(shape.values.begin(), shape.values.begin() + shape.count), values) << sql;
    }
}

}  // namespace
}  // namespace veltmoor::ado::sqlite
