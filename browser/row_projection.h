// RowProjection: which of the listed entries the impulse list shows, in
// which order, and the row of each entry. The rows change by ranges removed
// and inserted, announced through the list model's own calls, so that a
// view keeps its place and highlight; a change of more than a few ranges is
// announced as a reset.
#pragma once

#include <QVector>
#include <functional>

class RowProjection {
public:
    // What the list model announces around a change of its rows.
    struct Announce {
        std::function<void(int first, int last)> beginInsert;
        std::function<void()> endInsert;
        std::function<void(int first, int last)> beginRemove;
        std::function<void()> endRemove;
        std::function<void()> beginReset;
        std::function<void()> endReset;
    };
    // Whether entry `a` comes before entry `b` among the rows.
    using Order = std::function<bool(int a, int b)>;

    explicit RowProjection(Announce announce) : announce(std::move(announce)) {}

    int size() const { return rows.size(); }
    bool isEmpty() const { return rows.isEmpty(); }
    const QVector<int> &entries() const { return rows; }
    int entryAt(int row) const { return rows.at(row); }
    // -1: the entry is not shown.
    int rowOf(int entry) const { return rowOfEntry.value(entry, -1); }

    // Room for `count` entries.
    void reserve(int count) { rowOfEntry.reserve(count); }
    // A new entry, not shown yet.
    void entryAdded() { rowOfEntry.append(-1); }
    // The rows become exactly these (within the caller's reset), for a
    // listing of `entryCount` entries.
    void replace(const QVector<int> &shown, int entryCount);

    // Brings the rows to `target` (in `order`) by removing and inserting
    // ranges; both are walked together.
    void show(const QVector<int> &target, const Order &order);
    // Inserts `entries` at row `at`; removes rows `first` to `last`.
    void insert(int at, const QVector<int> &entries);
    void remove(int first, int last);

private:
    void reindex();

    Announce announce;
    QVector<int> rows;       // entry indices, in view order
    QVector<int> rowOfEntry; // each entry's row, -1 when not shown
};
