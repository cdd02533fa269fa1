#pragma once

#include "cHVError.h"
#include "modKeyFolding.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <utility>

// A key that hashes and compares by its case-folded characters, without making a folded copy
// on every lookup (lists of thousands of items are looked up per row when they are saved).
struct cFoldedKey
{
    QString strKey;
};

inline bool operator==(const cFoldedKey& a, const cFoldedKey& b) noexcept
{
    return fncSameKey(a.strKey, b.strKey);
}

inline size_t qHash(const cFoldedKey& key, size_t seed = 0) noexcept
{
    // Hashed while it is folded, so keys that fold alike land in the same bucket: FNV-1a over
    // the folded units, then a 64-bit finalizer so that the low bits QHash uses are spread.
    quint64 h = 0xcbf29ce484222325ULL ^ seed;
    subFoldUnits(key.strKey, [&h](char16_t u) { h = (h ^ u) * 0x100000001b3ULL; });
    h = (h ^ (h >> 33)) * 0xff51afd7ed558ccdULL;
    h = (h ^ (h >> 33)) * 0xc4ceb9fe1a85ec53ULL;
    return static_cast<size_t>(h ^ (h >> 33));
}

// Keyed collection whose keys compare without regard to case and whose iteration follows
// insertion order. Every dictionary of the system is one of these.
template <typename T> class cDictionary
{
public:
    using Entry = std::pair<QString, T>;

    int Count() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    bool Exists(const QString& key) const { return m_index.contains(fold(key)); }
    int IndexOf(const QString& key) const { return m_index.value(fold(key), -1); }

    // Like Scripting.Dictionary.Add: a key that exists already is an error.
    void Add(const QString& key, T value)
    {
        if (!TryAdd(key, std::move(value)))
            throw cHVError(457, QStringLiteral("Dictionary"),
                QStringLiteral(
                    "This key is already associated with an element of this collection"));
    }

    // Adds a missing key and returns true; an existing key keeps its value. The key is hashed
    // once: lists of thousands of items are read through here.
    bool TryAdd(const QString& key, T value)
    {
        const qsizetype before = m_index.size();
        int& slot = m_index[fold(key)];
        if (m_index.size() == before)
            return false;
        slot = static_cast<int>(m_entries.size());
        m_entries.append(Entry(key, std::move(value)));
        return true;
    }

    void Reserve(int intCount)
    {
        m_entries.reserve(intCount);
        m_index.reserve(intCount);
    }

    // Item(key) = value: replaces the value of an existing key, adds a missing one.
    void Set(const QString& key, T value)
    {
        const auto it = m_index.constFind(fold(key));
        if (it == m_index.cend())
            Add(key, std::move(value));
        else
            m_entries[*it].second = std::move(value);
    }

    const T& Item(const QString& key) const
    {
        const auto it = m_index.constFind(fold(key));
        if (it == m_index.cend())
            throw cHVError(
                5, QStringLiteral("Dictionary"), QStringLiteral("Key not found: ") + key);
        return m_entries.at(*it).second;
    }

    T& Item(const QString& key)
    {
        const auto it = m_index.constFind(fold(key));
        if (it == m_index.cend())
            throw cHVError(
                5, QStringLiteral("Dictionary"), QStringLiteral("Key not found: ") + key);
        return m_entries[*it].second;
    }

    // Value for key, or fallback when missing.
    T Value(const QString& key, const T& fallback = T()) const
    {
        const auto it = m_index.constFind(fold(key));
        return it == m_index.cend() ? fallback : m_entries.at(*it).second;
    }

    // The key as it was first added (its own letter case).
    QString StoredKey(const QString& key) const
    {
        const auto it = m_index.constFind(fold(key));
        return it == m_index.cend() ? QString() : m_entries.at(*it).first;
    }

    bool Remove(const QString& key)
    {
        const auto it = m_index.constFind(fold(key));
        if (it == m_index.cend())
            return false;
        const int pos = *it;
        m_entries.removeAt(pos);
        m_index.erase(it);
        for (int& idx : m_index) {
            if (idx > pos)
                --idx;
        }
        return true;
    }

    void RemoveAll()
    {
        m_entries.clear();
        m_index.clear();
    }

    QStringList Keys() const
    {
        QStringList keys;
        keys.reserve(m_entries.size());
        for (const auto& e : m_entries)
            keys.append(e.first);
        return keys;
    }

    QList<T> Items() const
    {
        QList<T> items;
        items.reserve(m_entries.size());
        for (const auto& e : m_entries)
            items.append(e.second);
        return items;
    }

    const Entry& At(int i) const { return m_entries.at(i); }
    T& ItemAt(int i) { return m_entries[i].second; }

    // Read-only, so that walking a list that shares its entries with a copy does not copy them
    // all; an item is changed through ItemAt.
    auto begin() const { return m_entries.cbegin(); }
    auto end() const { return m_entries.cend(); }

private:
    static cFoldedKey fold(const QString& key) { return cFoldedKey { key }; }

    QList<Entry> m_entries;
    QHash<cFoldedKey, int> m_index;
};

// Scripting.Dictionary with CompareMode 1.
template <typename T> cDictionary<T> fncCreateDic()
{
    return cDictionary<T>();
}
