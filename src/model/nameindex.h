#pragma once

#include "prefetch.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// Numbers for names, 0, 1, 2... in the order they are first added, found from a view of the
// characters without making a QString. A million names take some 16 bytes each beside their
// strings; QHash<QString, int> takes more and, at that size, spends most of a network's loading
// in its buckets.
class NameIndex
{
public:
    NameIndex() = default;
    explicit NameIndex(std::size_t expected) { reserve(expected); }

    void reserve(std::size_t expected);
    int size() const { return int(names.size()); }
    const QString &name(int id) const { return names[std::size_t(id)]; }

    // The name's number, or -1.
    int find(QStringView name) const;
    // The numbers of `count` names at once (-1 for each not there): in a large index nearly
    // every look-up waits on memory, and a batch waits for all its look-ups together.
    void find(const QStringView *names, int count, int *ids) const;
    // The name's number, the next one (and `name` kept, sharing its characters) when new.
    int add(const QString &name, bool *added = nullptr);
    // The same for a name that may be new: the QString is made only then.
    int add(QStringView name, bool *added = nullptr);

    // ids[i] = add(nameAt(i)) for i = 0 ... count - 1, in that order (`ids` may be null), each
    // slot fetched ahead.
    template <typename NameAt> void addAll(int count, NameAt nameAt, int *ids = nullptr);

private:
    std::uint32_t hashOf(QStringView name) const;
    std::size_t slotOf(QStringView name, std::uint32_t hash) const;
    int insertAt(std::size_t slot, std::uint32_t hash, QString name);
    void grow();
    template <typename Name> int addName(const Name &name, bool *added);

    std::vector<QString> names;
    // Per slot of the table: the hash's high bits and the number + 1 (0: empty), so that most
    // probes that miss never read a name.
    std::vector<std::uint64_t> table;
    std::size_t mask = 0;
};

template <typename NameAt> void NameIndex::addAll(int count, NameAt nameAt, int *ids)
{
    reserve(names.size() + std::size_t(count)); // no growth while slots are fetched
    constexpr int kAhead = 16;
    std::uint32_t hash[kAhead];
    const auto start = [&](int i) {
        hash[i % kAhead] = hashOf(nameAt(i));
        prefetch(&table[hash[i % kAhead] & mask]);
    };
    for (int i = 0; i < count && i < kAhead; ++i)
        start(i);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t h = hash[i % kAhead];
        const QString &name = nameAt(i);
        if (i + kAhead < count)
            start(i + kAhead);
        const std::size_t slot = slotOf(name, h);
        const int id =
            table[slot] == 0 ? insertAt(slot, h, name) : int(std::uint32_t(table[slot])) - 1;
        if (ids)
            ids[i] = id;
    }
}
