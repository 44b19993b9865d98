#include "nameindex.h"

#include "prefetch.h"

#include <QHashFunctions>

#include <algorithm>
#include <type_traits>

namespace {

// A slot holds the number + 1 in its low half and the hash in its high half.
constexpr std::uint64_t slotFor(std::uint32_t hash, int id)
{
    return std::uint64_t(hash) << 32 | std::uint32_t(id + 1);
}

} // namespace

void NameIndex::reserve(std::size_t expected)
{
    names.reserve(expected);
    std::size_t want = 16;
    while (want < expected + expected / 2 + 1) // at most two thirds full
        want *= 2;
    if (want <= table.size())
        return;
    std::vector<std::uint64_t> old(want, 0);
    old.swap(table);
    mask = want - 1;
    for (const std::uint64_t s : old) {
        if (std::uint32_t(s) == 0)
            continue;
        std::size_t at = std::size_t(s >> 32) & mask;
        while (table[at] != 0)
            at = (at + 1) & mask;
        table[at] = s;
    }
}

std::uint32_t NameIndex::hashOf(QStringView name) const
{
    // Seeded per process, as QHash is: names from a file cannot be chosen to collide.
    const std::size_t h = qHash(name, QHashSeed::globalSeed());
    return std::uint32_t(h ^ (std::uint64_t(h) >> 32));
}

std::size_t NameIndex::slotOf(QStringView name, std::uint32_t hash) const
{
    std::size_t at = hash & mask;
    for (;;) {
        const std::uint64_t s = table[at];
        if (s == 0 || (std::uint32_t(s >> 32) == hash && names[std::uint32_t(s) - 1] == name))
            return at;
        at = (at + 1) & mask;
    }
}

int NameIndex::find(QStringView name) const
{
    if (table.empty())
        return -1;
    const std::uint64_t s = table[slotOf(name, hashOf(name))];
    return int(std::uint32_t(s)) - 1;
}

void NameIndex::find(const QStringView *keys, int count, int *ids) const
{
    constexpr int kBatch = 64;
    if (table.empty()) {
        std::fill(ids, ids + count, -1);
        return;
    }
    std::uint32_t hash[kBatch];
    for (int from = 0; from < count; from += kBatch) {
        const int n = std::min(kBatch, count - from);
        const QStringView *key = keys + from;
        // Each step starts every load of the batch before any of them is needed: the slots,
        // then the strings the slots point to, then their characters.
        for (int i = 0; i < n; ++i) {
            hash[i] = hashOf(key[i]);
            prefetch(&table[hash[i] & mask]);
        }
        for (int i = 0; i < n; ++i) {
            const std::uint64_t s = table[hash[i] & mask];
            ids[from + i] = std::uint32_t(s >> 32) == hash[i] ? int(std::uint32_t(s)) - 1 : -1;
            if (ids[from + i] >= 0)
                prefetch(&names[std::size_t(ids[from + i])]);
        }
        for (int i = 0; i < n; ++i)
            if (ids[from + i] >= 0)
                prefetch(names[std::size_t(ids[from + i])].constData());
        for (int i = 0; i < n; ++i)
            ids[from + i] = int(std::uint32_t(table[slotOf(key[i], hash[i])])) - 1;
    }
}

int NameIndex::insertAt(std::size_t slot, std::uint32_t hash, QString name)
{
    const int id = int(names.size());
    names.push_back(std::move(name));
    table[slot] = slotFor(hash, id);
    return id;
}

void NameIndex::grow()
{
    if (3 * (names.size() + 1) > 2 * table.size())
        reserve(2 * names.size() + 16);
}

template <typename Name> int NameIndex::addName(const Name &name, bool *added)
{
    grow();
    const std::uint32_t hash = hashOf(name);
    const std::size_t slot = slotOf(name, hash);
    if (added)
        *added = table[slot] == 0;
    if (table[slot] != 0)
        return int(std::uint32_t(table[slot])) - 1;
    if constexpr (std::is_same_v<Name, QString>)
        return insertAt(slot, hash, name); // its characters shared
    else
        return insertAt(slot, hash, name.toString());
}

int NameIndex::add(const QString &name, bool *added)
{
    return addName(name, added);
}

int NameIndex::add(QStringView name, bool *added)
{
    return addName(name, added);
}
