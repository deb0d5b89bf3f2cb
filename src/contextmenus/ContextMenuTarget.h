#pragma once

#include "ContextMenuModel.h"
#include "util/Status.h"

#include <QString>

namespace ferrolet {

// One file manager's context menu as Ferrolet writes into it: its entries
// live in the user's own settings of that file manager, in files (or, for
// Thunar, a marked part of a file) that are recognisably Ferrolet's, so that
// writing again replaces them and removing touches nothing else.
class ContextMenuTarget {
public:
    virtual ~ContextMenuTarget() = default;

    // The file manager's name, for messages ("Dolphin").
    virtual QString Name() const = 0;
    // Whether Ferrolet's entries are there now.
    virtual bool Installed() const = 0;
    // Writes the model's entries, replacing (and so removing any stale) ones
    // written before; creates the file manager's folder when needed.
    virtual Status Write(const ContextMenuModel& model) = 0;
    // Takes Ferrolet's entries out; 0 when there were none.
    virtual Status Remove() = 0;
};

} // namespace ferrolet
