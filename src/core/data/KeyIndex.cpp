#include "core/data/KeyIndex.h"

#include <algorithm>

namespace ambitra {

namespace {

// Full blocks when the keys are read; a block that grows to twice that is split.
constexpr qsizetype kBlockSize = 512;

}  // namespace

bool KeyIndex::less(const QString& a, const QString& b) {
    // UTF-16 units compare as code points except that surrogates must sort
    // above U+E000..U+FFFF.
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x != y) {
            auto rank = [](char16_t c) -> int {
                if (c >= 0xD800 && c < 0xE000) {
                    return c + 0x2000;
                }
                return c >= 0xE000 ? c - 0x800 : c;
            };
            return rank(x) < rank(y);
        }
    }
    return a.size() < b.size();
}

void KeyIndex::clear() {
    m_blocks.clear();
    m_starts.clear();
    m_size = 0;
}

void KeyIndex::append(const QString& key) {
    if (m_blocks.empty() || m_blocks.back().size() >= kBlockSize) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(kBlockSize);
        m_starts.push_back(m_size);
    }
    m_blocks.back().append(key);
    ++m_size;
}

int KeyIndex::blockOf(int row) const {
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), row);
    return static_cast<int>(it - m_starts.begin()) - 1;
}

const QString& KeyIndex::at(int row) const {
    const int block = blockOf(row);
    return m_blocks[block][row - m_starts[block]];
}

QString KeyIndex::value(int row) const {
    return row >= 0 && row < m_size ? at(row) : QString();
}

int KeyIndex::lowerBound(const QString& key) const {
    // The first block whose last key is not less than the key holds the place.
    const auto block =
        std::partition_point(m_blocks.begin(), m_blocks.end(),
                             [&](const QList<QString>& b) { return less(b.last(), key); });
    if (block == m_blocks.end()) {
        return m_size;
    }
    const auto at = std::lower_bound(block->begin(), block->end(), key, less);
    const auto index = block - m_blocks.begin();
    return m_starts[index] + static_cast<int>(at - block->begin());
}

int KeyIndex::indexOf(const QString& key) const {
    for (size_t b = 0; b < m_blocks.size(); ++b) {
        const qsizetype at = m_blocks[b].indexOf(key);
        if (at >= 0) {
            return m_starts[b] + static_cast<int>(at);
        }
    }
    return -1;
}

void KeyIndex::insert(int row, const QString& key) {
    if (m_blocks.empty()) {
        append(key);
        return;
    }
    const int block = row >= m_size ? static_cast<int>(m_blocks.size()) - 1 : blockOf(row);
    m_blocks[block].insert(row - m_starts[block], key);
    ++m_size;
    renumberFrom(block + 1);
    if (m_blocks[block].size() >= 2 * kBlockSize) {
        split(block);
    }
}

void KeyIndex::removeAt(int row) {
    const int block = blockOf(row);
    m_blocks[block].removeAt(row - m_starts[block]);
    --m_size;
    if (m_blocks[block].isEmpty()) {
        m_blocks.erase(m_blocks.begin() + block);
        m_starts.erase(m_starts.begin() + block);
    }
    renumberFrom(block);
}

void KeyIndex::split(int block) {
    QList<QString>& full = m_blocks[block];
    QList<QString> upper(full.begin() + kBlockSize, full.end());
    full.resize(kBlockSize);
    m_blocks.insert(m_blocks.begin() + block + 1, std::move(upper));
    m_starts.insert(m_starts.begin() + block + 1, m_starts[block] + kBlockSize);
}

void KeyIndex::renumberFrom(int block) {
    for (size_t b = std::max(block, 1); b < m_blocks.size(); ++b) {
        m_starts[b] = m_starts[b - 1] + static_cast<int>(m_blocks[b - 1].size());
    }
    if (!m_starts.empty()) {
        m_starts[0] = 0;
    }
}

}  // namespace ambitra
