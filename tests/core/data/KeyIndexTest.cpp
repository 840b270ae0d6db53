#include "core/data/KeyIndex.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace ambitra;

// Keys added and removed at random places until blocks split and empty, checked
// against a plain sorted list after every step.
TEST(KeyIndex, FindsRowsAndKeysLikeASortedListThroughInsertsAndRemovals) {
    KeyIndex index;
    QStringList expected;
    for (int i = 0; i < 3000; i += 3) {
        const QString key = QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'));
        index.append(key);
        expected << key;
    }
    std::mt19937 random(11);
    auto check = [&] {
        ASSERT_EQ(index.size(), expected.size());
        for (int row = 0; row < expected.size(); ++row) {
            ASSERT_EQ(index.at(row), expected[row]) << row;
        }
    };
    // Growth, mostly into one part of the table, shrinking to a few keys, growth again.
    for (const int removalsIn10 : {2, 9, 3}) {
        for (int n = 0; n < 6000; ++n) {
            if (static_cast<int>(random() % 10) < removalsIn10) {
                if (!expected.isEmpty()) {
                    const int row = static_cast<int>(random() % expected.size());
                    index.removeAt(row);
                    expected.removeAt(row);
                }
                continue;
            }
            const QString key = QStringLiteral("%1").arg(random() % 1200, 5, 10, QLatin1Char('0')) +
                                QString::number(n);
            const int row = index.lowerBound(key);
            ASSERT_EQ(row, std::lower_bound(expected.begin(), expected.end(), key, KeyIndex::less) -
                               expected.begin());
            index.insert(row, key);
            expected.insert(row, key);
            if (n % 500 == 0) {
                check();
            }
        }
        check();
    }
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(index.indexOf(expected.last()), expected.size() - 1);
    EXPECT_EQ(index.value(expected.size()), QString());
    // Code-point order: a character beyond the basic plane sorts after U+FFFD.
    EXPECT_TRUE(KeyIndex::less(QStringLiteral("\uFFFD"), QString::fromUcs4(U"\U0001F600")));
}
