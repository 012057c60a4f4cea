#pragma once
// The two roots of a run: whether they overlap, and the making of a missing
// copy root under /ct.
//
// Two folders that overlap are refused by identity, not by spelling: a bind
// mount or any other name of a folder of the other tree counts too.

#include <string>

#include "common/core/FileSystem.h"

namespace update {

// What the overlap check learnt of the roots' identities, for the walk to
// check further: the source root, and the copy root (or the nearest folder
// above it that exists). Unknown when the check could not tell.
struct RootIds {
  common::FolderId source;
  common::FolderId copyTarget;
};

// True when one root lies inside the other or both are one, as spelled or
// by identity. ids gets the identities whenever both roots resolve.
bool RootsOverlap(const common::FileSystem& fs, const std::string& origen, const std::string& destino,
                  RootIds& ids);

// /ct: the destination folder with its missing parents. What could not be
// made; the walk reports it when it finds the destination missing.
common::FsError MakeCopyRoot(const common::FileSystem& fs, const std::string& origen,
                             const std::string& destino);

}  // namespace update
