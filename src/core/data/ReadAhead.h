#pragma once

#include "core/data/DataTable.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace ambitra {

// The items of a run (lines of a file, readings) taken a batch ahead where the
// table reads rows together (a server): the rows that the batch's items edit
// are then read in one statement instead of one round trip each. Elsewhere an
// item is taken only when it is asked for.
template <typename Item>
class ReadAhead {
  public:
    static constexpr int kBatch = 1000;
    // The next item and the key of the row it edits (left empty when it edits
    // none); false at the end.
    using Take = std::function<bool(Item& item, QString& key)>;

    ReadAhead(DataTable& table, Take take)
        : m_table(table), m_take(std::move(take)), m_batch(table.prefetches() ? kBatch : 1) {}

    // The next item, valid until the next call; null at the end.
    const Item* next() {
        if (m_at == m_items.size()) {
            fill();
            if (m_items.isEmpty()) {
                return nullptr;
            }
        }
        return &m_items[m_at++];
    }

  private:
    void fill() {
        m_items.clear();
        m_at = 0;
        QStringList keys;
        Item item;
        QString key;
        while (m_items.size() < m_batch && m_take(item, key)) {
            if (!key.isEmpty()) {
                keys << key;
            }
            m_items << item;
            key.clear();
        }
        m_table.prefetch(keys);
    }

    DataTable& m_table;
    Take m_take;
    const qsizetype m_batch;
    QList<Item> m_items;
    qsizetype m_at = 0;
};

}  // namespace ambitra
