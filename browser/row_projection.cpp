// The impulse list's rows as a projection of its entries.
#include "browser/row_projection.h"

#include <algorithm>

namespace {

// A change needing more row ranges than this is a wholesale one.
constexpr int maxRanges = 64;

} // namespace

void RowProjection::replace(const QVector<int> &shown, int entryCount)
{
    rows = shown;
    rowOfEntry.fill(-1, entryCount);
    reindex();
}

void RowProjection::show(const QVector<int> &target, const Order &order)
{
    QVector<char> keep(rows.size(), 0);
    QVector<char> fresh(target.size(), 1);
    int ranges = 0;
    for (int i = 0, j = 0; i < rows.size() || j < target.size();) {
        if (i < rows.size() && j < target.size() && rows.at(i) == target.at(j)) {
            keep[i++] = 1;
            fresh[j++] = 0;
        } else if (j == target.size() || (i < rows.size() && order(rows.at(i), target.at(j)))) {
            ranges += i == 0 || keep.at(i - 1) ? 1 : 0;
            ++i;
        } else {
            ranges += j == 0 || !fresh.at(j - 1) ? 1 : 0;
            ++j;
        }
    }
    if (ranges == 0)
        return;
    if (ranges > maxRanges) {
        announce.beginReset();
        rows = target;
        reindex();
        announce.endReset();
        return;
    }
    for (int last = rows.size() - 1; last >= 0; --last) {
        if (keep.at(last))
            continue;
        int first = last;
        while (first > 0 && !keep.at(first - 1))
            --first;
        remove(first, last);
        last = first;
    }
    for (int first = 0; first < target.size(); ++first) {
        if (!fresh.at(first))
            continue;
        int last = first;
        while (last + 1 < target.size() && fresh.at(last + 1))
            ++last;
        insert(first, target.mid(first, last - first + 1));
        first = last;
    }
}

void RowProjection::insert(int at, const QVector<int> &entries)
{
    if (entries.isEmpty())
        return;
    announce.beginInsert(at, at + entries.size() - 1);
    rows.insert(at, entries.size(), 0);
    std::copy(entries.cbegin(), entries.cend(), rows.begin() + at);
    reindex();
    announce.endInsert();
}

void RowProjection::remove(int first, int last)
{
    announce.beginRemove(first, last);
    rows.remove(first, last - first + 1);
    reindex();
    announce.endRemove();
}

void RowProjection::reindex()
{
    rowOfEntry.fill(-1);
    for (int row = 0; row < rows.size(); ++row)
        rowOfEntry[rows.at(row)] = row;
}
