#pragma once

#include "DestinationFacts.h"
#include "filemanager/Selection.h"

#include <chrono>

namespace ferrolet {

// How long one build may spend adding up the contents of selected folders;
// past it the sizes are a lower bound ("needs at least …").
inline constexpr std::chrono::milliseconds kFolderWalkBudget{10};

// One lstat per valid selected item (links are not followed) and, for
// folders, a walk of their contents within walkBudget for all of them
// together.
SelectionFacts GatherSelectionFacts(const SelectionSnapshot& selection,
                                    std::chrono::milliseconds walkBudget = kFolderWalkBudget);

} // namespace ferrolet
