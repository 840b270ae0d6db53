#pragma once

#include <QList>
#include <QString>

#include <vector>

namespace ambitra {

// The keys of an open table in their order. A register holds a million assets,
// and runs add them in any order: a single list would move half of its keys for
// every key added in the middle. Here the keys lie in blocks of a few hundred,
// so finding a row's key, a key's row, and adding or removing a key each cost a
// search over the blocks and the moving of one block's keys.
class KeyIndex {
  public:
    // Code-point order, the order the engine's binary collation gives UTF-8 text.
    static bool less(const QString& a, const QString& b);

    void clear();
    // Adds a key after the last one (reading the keys in their order).
    void append(const QString& key);

    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // The key of a row; the row must exist.
    const QString& at(int row) const;
    // The key of a row, or an empty text when there is no such row.
    QString value(int row) const;
    const QString& last() const { return m_blocks.back().last(); }

    // The first row whose key is not less than the given one (keys in order).
    int lowerBound(const QString& key) const;
    // The row of a key by looking at every key (keys in no particular order).
    int indexOf(const QString& key) const;

    void insert(int row, const QString& key);
    void removeAt(int row);

  private:
    // The block that holds a row (the last block for the row after the last).
    int blockOf(int row) const;
    void split(int block);
    void renumberFrom(int block);

    std::vector<QList<QString>> m_blocks;
    std::vector<int> m_starts;  // the first row of each block
    int m_size = 0;
};

}  // namespace ambitra
