#pragma once
// The side-by-side walk of two sorted listings that both engines use to pair
// names. Listings are sorted by CompareListingOrder (key, then bytes).
//
// Names with equal keys form a group (twins that differ only in case or
// normalisation). A group pairs as one match when each side holds exactly
// one of its names, whatever their spelling; otherwise byte-equal names pair
// and the rest of the group count as present on one side only, in byte
// order. So no file's content ever goes to a twin of another name.

#include <functional>
#include <vector>

#include "common/core/FileSystem.h"

namespace common {

// Calls visit(leftIndex, rightIndex) in merged name order: both set for a
// match, rightIndex -1 for a name only on the left, leftIndex -1 for a name
// only on the right. Stops as soon as visit returns false; returns false then.
bool MergeByName(const std::vector<EntryInfo>& left, const std::vector<EntryInfo>& right,
                 const std::function<bool(int leftIndex, int rightIndex)>& visit);

}  // namespace common
